#include "infra/tools.h"

#include <algorithm>
#include <stdexcept>

#include "infra/SafeIniFiles.h"
#include "platform/Beep.h"
#include "platform/PathMap.h"

namespace kvt {

namespace {

constexpr std::string_view kClassNameOpen = " <# ";
constexpr std::string_view kClassNameClose = " #>";
constexpr unsigned kMissFrequencyHz = 300;
constexpr unsigned kMissDurationMs = 50;

}  // namespace

std::string ConfigFileName() {
    return platform::PathMap::windowsDirectory() + "\\cnf.INI";
}

void ReadConfigQuoted(const std::string& section, const std::string& ident,
                      const std::string& defaultValue, std::string& value) {
    TSafeIniFile file(platform::PathMap::windowsDirectory() + "\\cnf.ini");
    file.ReadQuotedString(section, ident, value, '`', defaultValue);
}

std::exception_ptr ContextException(const std::exception& error, const std::string& context,
                                    bool addClassName) {
    std::string message = context + " -> " + error.what();
    if (addClassName && message.find(kClassNameOpen) == std::string::npos)
        message +=
            std::string(kClassNameOpen) + exceptionClassName(error) + std::string(kClassNameClose);
    return sameClassWithMessage(error, message);
}

std::int32_t FindRowByKey(const Variant& key, const Variant& rows, std::int32_t defaultValue) {
    const std::int32_t wanted = key.toInt();
    for (std::int32_t row = std::max(0, rows.lowBound(1)); row <= rows.highBound(1); ++row)
        if (rows.at(row, 1).toInt() == wanted)
            return row;
    if (defaultValue >= 0)
        platform::Beep(kMissFrequencyHz, kMissDurationMs);
    return defaultValue;
}

std::string QuotedStr(std::string_view text) {
    std::string result = "'";
    for (const char c : text) {
        result += c;
        if (c == '\'')
            result += '\'';
    }
    return result + "'";
}

}  // namespace kvt
