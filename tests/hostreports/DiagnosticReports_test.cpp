#include <gmock/gmock.h>

#include <stdexcept>

#include "host/reports/DiagnosticReports.h"

namespace kvt::host {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

Variant shiftReportParams() {
    return Variant::list({Variant(std::int32_t{12}), Variant::i1(-1), Variant(true),
                          Variant("C:\\VEDA\\FORMS\\REPORT\\<a&b>.txt"),
                          Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{0})})});
}

TEST(DiagnosticReportsTest, TheOldFormatNamesTheReportAndListsEveryParameterInCanonicalText) {
    const std::string text = diagnosticText(45, shiftReportParams());
    EXPECT_THAT(text, StartsWith("Отчет №45\r\n"));
    EXPECT_THAT(text, HasSubstr("пока не формирует этот отчет"));
    EXPECT_THAT(text, HasSubstr("Получено параметров: 5\r\n"));
    EXPECT_THAT(text, HasSubstr("\r\n  0: I4(12)\r\n  1: I1(-1)\r\n  2: Bool(true)\r\n"));
    EXPECT_THAT(text, HasSubstr("  3: Str(\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\<a&b>.txt\")\r\n"));
    EXPECT_THAT(text, EndsWith("  4: Array[0..1](I4(1), I4(0))\r\n"));
    EXPECT_THAT(text, Not(HasSubstr("\n\n")));
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << "a line break without CR at " << at;

    EXPECT_THAT(diagnosticText(10, Variant(std::int32_t{7})),
                HasSubstr("Получено параметров: 1\r\n  I4(7)\r\n"));
    EXPECT_THAT(diagnosticText(36, Variant::array(0, -1)), HasSubstr("Получено параметров: 0\r\n"));
}

TEST(DiagnosticReportsTest, TheNewFormatIsTheSameReportAsAnEscapedHtmlPage) {
    const std::string html = diagnosticHtml(45, shiftReportParams());
    EXPECT_THAT(html, StartsWith("<!DOCTYPE html>"));
    EXPECT_THAT(html, HasSubstr("<title>Отчет №45</title>"));
    EXPECT_THAT(html, HasSubstr("<h1>Отчет №45</h1>"));
    EXPECT_THAT(html, HasSubstr("пока не формирует этот отчет"));
    EXPECT_THAT(html, HasSubstr("1: I1(-1)"));
    EXPECT_THAT(
        html,
        HasSubstr("3: Str(&quot;C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\&lt;a&amp;b&gt;.txt&quot;)"));
    EXPECT_THAT(html, Not(HasSubstr("<a&b>")));
    EXPECT_THAT(html, EndsWith("</html>\r\n"));
}

TEST(DiagnosticReportsTest, Report55GivesTheReportProducedLastAsHtml) {
    DiagnosticReports reports;
    EXPECT_THROW(reports.produce(kNewFormatReport, Variant::array(0, -1)), std::runtime_error);

    EXPECT_EQ(reports.produce(45, shiftReportParams()), diagnosticText(45, shiftReportParams()));
    const Variant period = Variant::list({Variant::date(45000.5), Variant::date(45001.5)});
    EXPECT_EQ(reports.produce(11, period), diagnosticText(11, period));
    EXPECT_EQ(reports.produce(kNewFormatReport, Variant::array(0, -1)), diagnosticHtml(11, period));
    EXPECT_EQ(reports.produce(kNewFormatReport, Variant::array(0, -1)), diagnosticHtml(11, period));
}

}  // namespace
}  // namespace kvt::host
