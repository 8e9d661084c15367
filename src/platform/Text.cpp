#include "platform/Text.h"

namespace kvt::platform {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Every letter we fold is a two-byte UTF-8 sequence, so folding works on the encoded bytes:
// the lead byte and the continuation byte of the upper-case letter map to those of the lower.
// Returns false when the pair is not an upper-case letter we know.
bool foldPair(unsigned char lead, unsigned char next, std::string& out) {
    auto put = [&out](unsigned lowerLead, unsigned lowerNext) {
        out += static_cast<char>(lowerLead);
        out += static_cast<char>(lowerNext);
        return true;
    };
    switch (lead) {
        case 0xC3:  // U+00C0..U+00DE, the Latin-1 capitals, except U+00D7 (multiplication sign)
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                return put(lead, next + 0x20);
            return false;
        case 0xD0:
            if (next >= 0x80 && next <= 0x8F)
                return put(0xD1, next + 0x10);  // Ѐ..Џ, Ё included
            if (next >= 0x90 && next <= 0x9F)
                return put(0xD0, next + 0x20);  // А..П
            if (next >= 0xA0 && next <= 0xAF)
                return put(0xD1, next - 0x20);  // Р..Я
            return false;
        case 0xD2:
            if (next == 0x90)
                return put(0xD2, 0x91);  // Ґ, the one Cyrillic capital of 1251 beyond
            return false;
        default:
            return false;
    }
}

}  // namespace

std::string lowerUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 'A' && byte <= 'Z') {
            out += static_cast<char>(byte + ('a' - 'A'));
            continue;
        }
        if (i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (isContinuation(next) && foldPair(byte, next, out)) {
                ++i;
                continue;
            }
        }
        out += static_cast<char>(byte);
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    // Folding keeps every byte count, so texts of different length never match.
    return a.size() == b.size() && lowerUtf8(a) == lowerUtf8(b);
}

}  // namespace kvt::platform

namespace kvt::platform {

namespace {

// Continuation bytes of UTF-8 are 10xxxxxx.
bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// The byte offset of character `index`, or the text's size when it has fewer.
std::size_t byteOffsetOfCharacter(std::string_view text, std::size_t index) {
    std::size_t seen = 0;
    for (std::size_t offset = 0; offset < text.size(); ++offset)
        if (startsCharacter(text[offset]) && seen++ == index)
            return offset;
    return text.size();
}

}  // namespace

std::string utf8Substring(std::string_view text, std::size_t first, std::size_t count) {
    const std::size_t begin = byteOffsetOfCharacter(text, first);
    const std::string_view rest = text.substr(begin);
    return std::string(rest.substr(0, byteOffsetOfCharacter(rest, count)));
}

}  // namespace kvt::platform
