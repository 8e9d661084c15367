#include "kvtreports/Exception.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

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

std::string Exception::className() const { return exceptionClassName(*this); }

}  // namespace kvt
