#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <future>
#include <string>
#include <vector>

namespace kvt::platform {
namespace {

TEST(CodePage, CyrillicHasTheStationsByteValues) {
    EXPECT_EQ(utf8ToCp1251("Отчет"), "\xCE\xF2\xF7\xE5\xF2");
    EXPECT_EQ(utf8ToCp866("Отчет"), "\x8E\xE2\xE7\xA5\xE2");
    EXPECT_EQ(cp1251ToUtf8("\xCE\xF2\xF7\xE5\xF2"), "Отчет");
    EXPECT_EQ(cp866ToUtf8("\x8E\xE2\xE7\xA5\xE2"), "Отчет");
    EXPECT_EQ(utf8ToCp1251("Ёё№€"), "\xA8\xB8\xB9\x88");
    EXPECT_EQ(utf8ToCp866("Ёё№"), "\xF0\xF1\xFC");
}

TEST(CodePage, EveryByteOfBothCodePagesSurvivesARoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(utf8ToCp866(cp866ToUtf8(all)), all);
    std::string cp1251 = all;
    cp1251.erase(0x98, 1);  // the one byte that 1251 leaves undefined
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(cp1251)), cp1251);
}

TEST(CodePage, WhatCannotBeConvertedBecomesAQuestionMark) {
    EXPECT_EQ(utf8ToCp866("5 €"), "5 ?");
    EXPECT_EQ(utf8ToCp1251("a中b😀c"), "a?b?c");
    EXPECT_EQ(utf8ToCp1251("a\xFF"
                           "b"),
              "a?b");
    EXPECT_EQ(utf8ToCp1251("\xD0"), "?");
    EXPECT_EQ(utf8ToCp1251("\xC0\xAF!"),
              "?"
              "?!");  // overlong '/'
    EXPECT_EQ(utf8ToCp1251("\xED\xA0\x80!"),
              "???"
              "!");  // a surrogate
    EXPECT_EQ(cp1251ToUtf8("x\x98y"), "x?y");
}

TEST(CodePage, LongTextsAndNulBytesPassWhole) {
    const std::string text =
        std::string("Смена") + '\0' + "№1 " + std::string(100000, 'z') + "Итог";
    const std::string bytes = utf8ToCp1251(text);
    EXPECT_EQ(bytes.substr(0, 9), std::string("\xD1\xEC\xE5\xED\xE0\0\xB9"
                                              "1 ",
                                              9));
    EXPECT_EQ(bytes.size(), 9u + 100000u + 4u);
    EXPECT_TRUE(cp1251ToUtf8(bytes) == text);
    EXPECT_EQ(utf8ToCp1251(""), "");
}

// One character or byte through iconv, '?' where iconv refuses it.
class IconvReference {
public:
    IconvReference(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~IconvReference() { iconv_close(descriptor_); }
    IconvReference(const IconvReference&) = delete;
    IconvReference& operator=(const IconvReference&) = delete;

    std::string convert(std::string input) {
        char output[8];
        char* in = input.data();
        std::size_t inLeft = input.size();
        char* out = output;
        std::size_t outLeft = sizeof output;
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(descriptor_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
            return "?";
        return std::string(output, out);
    }

private:
    iconv_t descriptor_;
};

std::string utf8Of(char32_t codePoint) {
    std::string text;
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return text;
}

TEST(CodePage, Cp1251TableAgreesWithIconvOnEveryCodePointAndByte) {
    IconvReference toCp1251("CP1251", "UTF-8");
    for (char32_t codePoint = 0; codePoint <= 0x10FFFF; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            continue;
        const std::string text = utf8Of(codePoint);
        ASSERT_EQ(utf8ToCp1251(text), toCp1251.convert(text))
            << "U+" << std::hex << static_cast<std::uint32_t>(codePoint);
    }
    IconvReference fromCp1251("UTF-8", "CP1251");
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        ASSERT_EQ(cp1251ToUtf8(text), fromCp1251.convert(text)) << "byte " << byte;
    }
}

TEST(CodePage, ThreadsConvertAtTheSameTime) {
    std::vector<std::future<bool>> results;
    for (int t = 0; t < 4; ++t) {
        results.push_back(std::async(std::launch::async, [] {
            for (int i = 0; i < 500; ++i) {
                if (cp1251ToUtf8(utf8ToCp1251("Ведомость №" + std::to_string(i))) !=
                    "Ведомость №" + std::to_string(i))
                    return false;
                if (utf8ToCp866("€") != "?")
                    return false;
            }
            return true;
        }));
    }
    for (auto& result : results)
        EXPECT_TRUE(result.get());
}

}  // namespace
}  // namespace kvt::platform
