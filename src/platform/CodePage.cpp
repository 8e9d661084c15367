#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/SystemError.h"

namespace kvt::platform {

namespace {

enum class Direction { Utf8To866, Cp866ToUtf8, Count };

struct Codes {
    const char* to;
    const char* from;
};

constexpr std::array<Codes, static_cast<std::size_t>(Direction::Count)> kCodes = {{
    {"CP866", "UTF-8"},
    {"UTF-8", "CP866"},
}};

// iconv's "no descriptor"; a function, as a cast to a pointer cannot be computed by the
// compiler and a namespace constant would be set up at load time, in no fixed order.
iconv_t noDescriptor() {
    return reinterpret_cast<iconv_t>(-1);
}

// An iconv descriptor is not safe to share between threads, and opening one costs far more than
// a short conversion, so each thread keeps its own for each direction until it ends.
class Descriptors {
public:
    Descriptors() { descriptors_.fill(noDescriptor()); }
    ~Descriptors() {
        for (iconv_t descriptor : descriptors_)
            if (descriptor != noDescriptor())
                iconv_close(descriptor);
    }
    Descriptors(const Descriptors&) = delete;
    Descriptors& operator=(const Descriptors&) = delete;

    iconv_t get(Direction direction) {
        const auto index = static_cast<std::size_t>(direction);
        iconv_t& descriptor = descriptors_[index];
        if (descriptor == noDescriptor()) {
            descriptor = iconv_open(kCodes[index].to, kCodes[index].from);
            if (descriptor == noDescriptor())
                throwSystemError(
                    errno, std::string("iconv ") + kCodes[index].from + " -> " + kCodes[index].to);
        }
        return descriptor;
    }

private:
    std::array<iconv_t, static_cast<std::size_t>(Direction::Count)> descriptors_;
};

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0 when it is malformed.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points above U+10FFFF are malformed too.
    const auto second = static_cast<unsigned char>(text[1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// How many input bytes one '?' stands for when iconv stops at `rest`: a whole character that the
// target lacks, or a single byte that is not valid input.
std::size_t unconvertibleLength(Direction direction, std::string_view rest) {
    if (direction != Direction::Utf8To866)
        return 1;
    const std::size_t length = utf8SequenceLength(rest);
    return length == 0 ? 1 : length;
}

std::string convert(Direction direction, std::string_view input) {
    // One set of descriptors for the process, used in turn: a thread-local set would pin a
    // shared library that converts text in memory until every thread that used it had ended.
    static std::mutex lock;
    static Descriptors descriptors;
    const std::lock_guard guard(lock);
    iconv_t descriptor = descriptors.get(direction);
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);

    std::string output(input.size() * 2 + 16, '\0');
    std::size_t written = 0;
    std::string_view rest = input;
    while (!rest.empty()) {
        char* in = const_cast<char*>(rest.data());
        std::size_t inLeft = rest.size();
        char* out = output.data() + written;
        std::size_t outLeft = output.size() - written;
        const std::size_t result = iconv(descriptor, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        written = output.size() - outLeft;
        rest.remove_prefix(rest.size() - inLeft);
        if (result != static_cast<std::size_t>(-1))
            break;
        if (error == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        if (error != EILSEQ && error != EINVAL)
            throwSystemError(error, "iconv");
        if (written == output.size())
            output.resize(output.size() * 2);
        output[written++] = '?';
        rest.remove_prefix(unconvertibleLength(direction, rest));
        iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    }
    output.resize(written);
    return output;
}

constexpr char32_t kUndefined = 0xFFFF;
constexpr unsigned char kFirstCyrillicByte = 0xC0;
constexpr char32_t kFirstCyrillic = 0x0410;
constexpr char32_t kLastCyrillic = 0x044F;

// Bytes 0x80..0xBF of Windows-1251; from 0xC0 on the bytes are А..я in alphabetical order.
constexpr std::array<char32_t, 64> kUpperPart = {
    0x0402, 0x0403, 0x201A,     0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C,     0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, kUndefined, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408,     0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE,     0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116,     0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

struct UpperByte {
    char32_t codePoint;
    unsigned char byte;
};

// kUpperPart inverted and sorted by code point, for a binary search. The undefined byte's entry
// sorts last; U+FFFF is well-formed UTF-8, so cp1251Byte refuses it before searching.
constexpr std::array<UpperByte, 64> kUpperByCodePoint = [] {
    std::array<UpperByte, 64> pairs{};
    for (std::size_t i = 0; i < pairs.size(); ++i)
        pairs[i] = {kUpperPart[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(pairs.begin(), pairs.end(),
              [](const UpperByte& a, const UpperByte& b) { return a.codePoint < b.codePoint; });
    return pairs;
}();

std::optional<unsigned char> cp1251Byte(char32_t codePoint) {
    if (codePoint < 0x80)
        return static_cast<unsigned char>(codePoint);
    if (codePoint >= kFirstCyrillic && codePoint <= kLastCyrillic)
        return static_cast<unsigned char>(kFirstCyrillicByte + (codePoint - kFirstCyrillic));
    if (codePoint == kUndefined)
        return std::nullopt;
    const auto found = std::lower_bound(
        kUpperByCodePoint.begin(), kUpperByCodePoint.end(), codePoint,
        [](const UpperByte& pair, char32_t wanted) { return pair.codePoint < wanted; });
    if (found == kUpperByCodePoint.end() || found->codePoint != codePoint)
        return std::nullopt;
    return found->byte;
}

// iconv drops the language tag characters instead of marking them, and the texts written
// before the table must read the same.
bool isLanguageTag(char32_t codePoint) {
    return codePoint >= 0xE0000 && codePoint <= 0xE007F;
}

// А..я are D0 90..D0 BF, D1 80..D1 8F in UTF-8 and C0..FF in Windows-1251, in alphabetical order
// in both; most of the station's text is made of them, so they skip the general decoding.
std::optional<char> basicCyrillicLetter(std::string_view text) {
    if (text.size() < 2)
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    const auto second = static_cast<unsigned char>(text[1]);
    if (lead == 0xD0 && second >= 0x90 && second <= 0xBF)
        return static_cast<char>(kFirstCyrillicByte + (second - 0x90));
    if (lead == 0xD1 && second >= 0x80 && second <= 0x8F)
        return static_cast<char>(kFirstCyrillicByte + 0x30 + (second - 0x80));
    return std::nullopt;
}

// Whether the text starts with eight ASCII bytes: the time stamp and the tags of a log line are
// copied a word at a time.
bool asciiWord(std::string_view text) {
    std::uint64_t word = 0;
    if (text.size() < sizeof word)
        return false;
    std::memcpy(&word, text.data(), sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// Returns where the next byte goes.
char* putCp1251(char* next, char32_t codePoint) {
    if (isLanguageTag(codePoint))
        return next;
    const auto byte = cp1251Byte(codePoint);
    *next = byte ? static_cast<char>(*byte) : '?';
    return next + 1;
}

char32_t cp1251CodePoint(unsigned char byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= kFirstCyrillicByte)
        return kFirstCyrillic + (byte - kFirstCyrillicByte);
    return kUpperPart[byte - 0x80];
}

// The code point of a sequence that utf8SequenceLength found well-formed.
char32_t decodeUtf8(std::string_view sequence) {
    constexpr unsigned char leadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t codePoint = static_cast<unsigned char>(sequence[0]) & leadMasks[sequence.size()];
    for (const char c : sequence.substr(1))
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(c) & 0x3F);
    return codePoint;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::string utf8ToCp1251(std::string_view utf8) {
    std::string bytes;
    appendUtf8AsCp1251(bytes, utf8);
    return bytes;
}

// One '?' stands for a whole character that Windows-1251 lacks, or for a single byte that is
// not well-formed UTF-8, as iconv reports them.
void appendUtf8AsCp1251(std::string& out, std::string_view utf8) {
    const std::size_t start = out.size();
    // No character takes more bytes in Windows-1251 than in UTF-8, so the output is sized once
    // and written through a pointer.
    out.resize(start + utf8.size());
    char* next = out.data() + start;
    while (!utf8.empty()) {
        if (asciiWord(utf8)) {
            std::memcpy(next, utf8.data(), sizeof(std::uint64_t));
            next += sizeof(std::uint64_t);
            utf8.remove_prefix(sizeof(std::uint64_t));
            continue;
        }
        const auto lead = static_cast<unsigned char>(utf8[0]);
        if (lead < 0x80) {
            *next++ = static_cast<char>(lead);
            utf8.remove_prefix(1);
            continue;
        }
        if (const auto letter = basicCyrillicLetter(utf8)) {
            *next++ = *letter;
            utf8.remove_prefix(2);
            continue;
        }
        const std::size_t length = utf8SequenceLength(utf8);
        if (length == 0)
            *next++ = '?';
        else
            next = putCp1251(next, decodeUtf8(utf8.substr(0, length)));
        utf8.remove_prefix(std::max<std::size_t>(length, 1));
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
}

std::string cp1251ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const char32_t codePoint = cp1251CodePoint(static_cast<unsigned char>(c));
        if (codePoint == kUndefined)
            utf8 += '?';
        else
            appendUtf8(utf8, codePoint);
    }
    return utf8;
}

std::string utf8ToCp866(std::string_view utf8) {
    return convert(Direction::Utf8To866, utf8);
}

std::string cp866ToUtf8(std::string_view bytes) {
    return convert(Direction::Cp866ToUtf8, bytes);
}

}  // namespace kvt::platform
