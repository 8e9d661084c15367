#pragma once

// Base of the exceptions that the plug-in and its tools raise. Each carries the operator's
// message and can be re-made with another message as the same class, so that a wrapped error
// ("Context -> message") is still caught by a handler for its class.

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>

namespace kvt {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // A copy of this exception, same dynamic class, with another message, ready to throw.
    virtual std::exception_ptr withMessage(const std::string& message) const = 0;
    // The class name without namespaces, as error reports show it ("EIniFileException").
    std::string className() const;
};

// Derive as `class EFoo : public ExceptionOf<EFoo> { using ExceptionOf::ExceptionOf; }` (or
// ExceptionOf<EFoo, EBase> for a subclass of another exception) to get withMessage for free.
template <class Derived, class Base = Exception>
class ExceptionOf : public Base {
public:
    using Base::Base;

    std::exception_ptr withMessage(const std::string& message) const override {
        Derived copy(static_cast<const Derived&>(*this));
        static_cast<std::runtime_error&>(copy) = std::runtime_error(message);
        return std::make_exception_ptr(copy);
    }
};

// A copy of `error` with another message, ready to throw, of the same class wherever one can be
// made: the system's own classes (kvt::Exception and its subclasses) and the standard
// library's logic_error, invalid_argument, domain_error, length_error, out_of_range,
// runtime_error, range_error, overflow_error and underflow_error. A subclass of one of those
// that is not the system's own becomes the nearest of them. Any other class (std::bad_alloc,
// std::system_error's error code, a host's own exception) goes on as std::runtime_error.
std::exception_ptr sameClassWithMessage(const std::exception& error, const std::string& message);

// The class name of any exception, demangled and without namespaces.
std::string exceptionClassName(const std::exception& error);

}  // namespace kvt
