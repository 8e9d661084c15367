#pragma once
// The pages of a report made of the station's templates: an old-format text from ".FRM"
// templates and a new-format HTML page from ".html" templates, each filled with the report's
// values. The shift report lays many templates one after another; the other reports one each.
#include <string>
#include <string_view>
#include <vector>

#include "host/reports/ReportFamily.h"
#include "host/reports/ReportTemplate.h"

namespace kvt::host {

// A template filled in with `data`. A template that is missing, unreadable or broken gives a
// one-line notice in its place naming it, so that one bad template never stops a report.
// Templates are CP1251 files reached through the drive mapping.
std::string filledTemplate(const std::string& windowsPath, const ReportData& data,
                           OutputFormat format, const NumberStyle& numbers);

// The new-format page of filled-in ".html" templates: one head (charset windows-1251, as the
// viewer writes it) with the style elements of the templates' own heads, and the templates'
// bodies one after another; a template without a body element is a body fragment as a whole.
class HtmlPage {
public:
    void add(const std::string& filledHtml);
    std::string page(std::string_view title) const;

private:
    std::string styles_;
    std::string body_;
};

// The console's template of a report, by file name, in the station's old-format
// ("C:\VEDA\FORMS\REPORT\") or new-format ("C:\VEDA\FORMS\WEBREP\") folder.
std::string oldFormatTemplate(std::string_view file);
std::string newFormatTemplate(std::string_view file);

// One report from one old-format and one new-format template of the console (Windows paths, read
// through the drive mapping), with the same notices for a missing/broken template as the shift
// report; `title` is the page's <title>.
ReportPages composeReport(const std::string& oldTemplate, const std::string& newTemplate,
                          const ReportData& data, std::string_view title,
                          const NumberStyle& numbers);

}  // namespace kvt::host
