#include "kvtreports/Exception.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace kvt {

std::string exceptionClassName(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

std::string Exception::className() const {
    return exceptionClassName(*this);
}

namespace {

template <class Standard>
std::exception_ptr asStandard(const std::exception& error, const std::string& message) {
    if (dynamic_cast<const Standard*>(&error) == nullptr)
        return nullptr;
    return std::make_exception_ptr(Standard(message));
}

}  // namespace

std::exception_ptr sameClassWithMessage(const std::exception& error, const std::string& message) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->withMessage(message);
    // The most derived first, so that each keeps its own class.
    for (const auto remake : {asStandard<std::invalid_argument>, asStandard<std::domain_error>,
                              asStandard<std::length_error>, asStandard<std::out_of_range>,
                              asStandard<std::logic_error>, asStandard<std::range_error>,
                              asStandard<std::overflow_error>, asStandard<std::underflow_error>})
        if (std::exception_ptr made = remake(error, message))
            return made;
    return std::make_exception_ptr(std::runtime_error(message));
}

}  // namespace kvt
