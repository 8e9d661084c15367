#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <mutex>

#include "platform/SystemError.h"

namespace kvt::platform {

namespace {

enum class Direction { Utf8To1251, Cp1251ToUtf8, Utf8To866, Cp866ToUtf8, Count };

struct Codes {
    const char* to;
    const char* from;
};

constexpr std::array<Codes, static_cast<std::size_t>(Direction::Count)> kCodes = {{
    {"CP1251", "UTF-8"},
    {"UTF-8", "CP1251"},
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
    const bool fromUtf8 = direction == Direction::Utf8To1251 || direction == Direction::Utf8To866;
    if (!fromUtf8)
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

}  // namespace

std::string utf8ToCp1251(std::string_view utf8) {
    return convert(Direction::Utf8To1251, utf8);
}

std::string cp1251ToUtf8(std::string_view bytes) {
    return convert(Direction::Cp1251ToUtf8, bytes);
}

std::string utf8ToCp866(std::string_view utf8) {
    return convert(Direction::Utf8To866, utf8);
}

std::string cp866ToUtf8(std::string_view bytes) {
    return convert(Direction::Cp866ToUtf8, bytes);
}

}  // namespace kvt::platform
