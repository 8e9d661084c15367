#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "kvtreports/Variant.h"

namespace kvt {

// The station's shared configuration file, "cnf.INI" in the Windows directory, as a Windows path.
// Open it with TSafeIniFile.
std::string ConfigFileName();

// One value of the configuration file, without an enclosing pair of back-quotes. Errors of the
// INI file pass through.
void ReadConfigQuoted(const std::string& section, const std::string& ident,
                      const std::string& defaultValue, std::string& value);

// A copy of `error` of the same class as sameClassWithMessage makes it (so that handlers for
// that class still catch it) with
// "<context> -> <message>" as message, followed by " <# ClassName #>" when `addClassName` asks
// for it and the message names no class yet. The caller throws it.
std::exception_ptr ContextException(const std::exception& error, const std::string& context,
                                    bool addClassName);

// The first row of a two-dimensional array whose column 1 equals `key` as an integer. Without
// a match `defaultValue` is returned, with a short beep when it is 0 or more (a caller that
// asks for -1 expects misses).
std::int32_t FindRowByKey(const Variant& key, const Variant& rows, std::int32_t defaultValue);

// `text` in single quotes with its own single quotes doubled, as a filter expression reads a
// string.
std::string QuotedStr(std::string_view text);

}  // namespace kvt
