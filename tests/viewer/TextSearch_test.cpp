#include "viewer/TextSearch.h"

#include <gtest/gtest.h>

#include <QString>

namespace kvt::viewer {
namespace {

TEST(TextSearchTest, StepsThroughEveryMatchOfA200000LineReportAndWrapsAround) {
    // The car looked for once in 1000 lines in capitals and, 500 lines on, in small letters.
    QString text;
    for (int i = 0; i < 200'000; ++i)
        text += QStringLiteral("| %1 | Дизельное топливо | %2 |\n")
                    .arg(i, 6)
                    .arg(i % 1000 == 0     ? "А123ВС77"
                         : i % 1000 == 500 ? "а123вс77"
                                           : "В001ОР50");
    TextSearch search(text);
    search.setPattern(u"а123Вс");
    const qsizetype expected = 400;
    ASSERT_EQ(search.count(), expected);
    for (const qsizetype at : search.matches())
        ASSERT_EQ(text.mid(at, 6).compare(u"А123ВС", Qt::CaseInsensitive), 0) << at;

    EXPECT_EQ(search.previous(), expected - 1) << "backwards from none: the last";
    EXPECT_EQ(search.next(), 0) << "after the last: the first";
    for (qsizetype step = 1; step <= expected; ++step)
        ASSERT_EQ(search.next(), step % expected);
    for (qsizetype step = 1; step <= expected; ++step)
        ASSERT_EQ(search.previous(), (expected - step) % expected);

    const qsizetype second = text.indexOf(u"а123вс77");
    EXPECT_EQ(search.moveTo(second), 1);
    EXPECT_EQ(search.moveTo(second + 1), 2);
    EXPECT_EQ(search.moveTo(text.size()), 0) << "past the last: the first";
}

TEST(TextSearchTest, CaseDoesNotMatterInEitherAlphabet) {
    const struct {
        const char16_t* text;
        const char16_t* pattern;
        qsizetype count;
    } cases[] = {{u"ЁЛКА ёлка Ёлка елка", u"ёЛКА", 3},
                 {u"АИ-95 аи-95 Аи-95", u"аИ-95", 3},
                 {u"ЪЫЬЭЮЯ ъыьэюя", u"ъыьЭЮЯ", 2},
                 {u"Card CARD card", u"cArD", 3},
                 {u"ааааа", u"аа", 2},  // one after the other, never overlapping
                 {u"Итого", u"", 0},
                 {u"Итого", u"Итого!", 0}};
    for (const auto& each : cases) {
        SCOPED_TRACE(QString::fromUtf16(each.pattern).toStdString());
        TextSearch search(each.text);
        search.setPattern(each.pattern);
        EXPECT_EQ(search.count(), each.count);
        EXPECT_EQ(search.next(), each.count > 0 ? 0 : -1);
    }
}

}  // namespace
}  // namespace kvt::viewer
