#pragma once

#include <cstddef>
#include <string>

namespace kvt::test {

// A value of two chunks (three in every hundredth round), different for every writer and round,
// with line breaks and Cyrillic letters in it.
inline std::string longValue(int writer, int round) {
    std::string value = "writer " + std::to_string(writer) + " round " + std::to_string(round);
    const std::size_t length = round % 100 == 99 ? 140000 : 65533 + round % 50 * 40;
    for (std::size_t i = 0; value.size() < length; ++i)
        value += i % 97 == 0   ? std::string("\n")
                 : i % 89 == 0 ? std::string("ж")
                               : std::string(1, static_cast<char>('a' + i % 26));
    return value;
}

// The value as reading gives it back: every line feed as CR LF.
inline std::string asRead(std::string value) {
    for (auto at = value.find('\n'); at != std::string::npos; at = value.find('\n', at + 2))
        value.insert(at, "\r");
    return value;
}

// The key a writer uses in a round: each writer cycles through `keys` keys of its own.
inline std::string writerKey(int writer, int round, int keys) {
    return "w" + std::to_string(writer) + "k" + std::to_string(round % keys);
}

}  // namespace kvt::test
