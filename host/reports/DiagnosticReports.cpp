#include "host/reports/DiagnosticReports.h"

#include <stdexcept>
#include <vector>

#include "host/reports/HtmlText.h"

namespace kvt::host {

namespace {

constexpr const char* kNotProduced =
    "Консоль пока не формирует этот отчет: это диагностический отчет, он лишь "
    "перечисляет полученные параметры.";

std::string title(std::int32_t reportNo) {
    return "Отчет №" + std::to_string(reportNo);
}

// One line per parameter: an array is listed element by element with its index, any other
// value as the one parameter.
std::vector<std::string> parameterLines(const Variant& params) {
    std::vector<std::string> lines;
    if (params.isArray() && params.dimCount() == 1) {
        for (std::int32_t i = params.lowBound(); i <= params.highBound(); ++i)
            lines.push_back(std::to_string(i) + ": " + params.at(i).canonical());
    } else {
        lines.push_back(params.canonical());
    }
    return lines;
}

std::string countLine(const Variant& params) {
    const std::size_t count = params.isArray() ? params.elements().size() : 1;
    return "Получено параметров: " + std::to_string(count);
}

}  // namespace

std::string diagnosticText(std::int32_t reportNo, const Variant& params) {
    std::string text =
        title(reportNo) + "\r\n" + kNotProduced + "\r\n" + countLine(params) + "\r\n";
    for (const std::string& line : parameterLines(params))
        text += "  " + line + "\r\n";
    return text;
}

std::string diagnosticHtml(std::int32_t reportNo, const Variant& params) {
    const std::string heading = htmlEscaped(title(reportNo));
    std::string html =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
        "<title>" +
        heading + "</title>\r\n</head>\r\n<body>\r\n<h1>" + heading + "</h1>\r\n<p>" +
        htmlEscaped(kNotProduced) + "</p>\r\n<p>" + htmlEscaped(countLine(params)) +
        "</p>\r\n<pre>\r\n";
    for (const std::string& line : parameterLines(params))
        html += htmlEscaped(line) + "\r\n";
    html += "</pre>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::string DiagnosticReports::produce(std::int32_t reportNo, const Variant& params) {
    if (reportNo == kNewFormatReport) {
        if (!last_)
            throw std::runtime_error(
                "Отчет №55 (новый формат) запрошен до того, как был сформирован какой-либо отчет");
        return diagnosticHtml(last_->reportNo, last_->params);
    }
    last_ = Request{reportNo, params};
    return diagnosticText(reportNo, params);
}

}  // namespace kvt::host
