#include "host/kit/ShiftReport.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "host/kit/HtmlText.h"
#include "platform/CodePage.h"
#include "platform/PathMap.h"

namespace kvt::host {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPageStyle =
    "table { border-collapse: collapse; margin: 4px 0; }\r\n"
    "th, td { border: 1px solid #000; padding: 1px 4px; }\r\n"
    ".kvt-notice { color: #a00000; font-weight: bold; }\r\n";

// A template's text, or why it has none.
struct TemplateText {
    std::optional<std::string> text;
    std::string problem;
};

TemplateText readTemplate(const std::string& windowsPath) {
    const fs::path local = platform::PathMap::resolve(windowsPath);
    std::error_code error;
    const fs::file_status status = fs::status(local, error);
    if (!fs::exists(status))
        return {std::nullopt, "Шаблон не найден: " + windowsPath};
    std::ifstream file(local, std::ios::binary);
    std::ostringstream bytes;
    if (!fs::is_regular_file(status) || !file || !(bytes << file.rdbuf()))
        return {std::nullopt, "Шаблон не читается: " + windowsPath};
    return {platform::cp1251ToUtf8(bytes.str()), {}};
}

std::string notice(const std::string& message, OutputFormat format) {
    if (format == OutputFormat::Html)
        return "<p class=\"kvt-notice\">" + htmlEscaped(message) + "</p>\r\n";
    return message + "\r\n";
}

std::string section(const std::string& windowsPath, const ReportData& data, OutputFormat format) {
    const TemplateText loaded = readTemplate(windowsPath);
    if (!loaded.text)
        return notice(loaded.problem, format);
    try {
        return ReportTemplate::parse(*loaded.text, data.schema()).render(data, format);
    } catch (const TemplateError& error) {
        return notice("Ошибка в шаблоне " + windowsPath + ", " + error.what(), format);
    }
}

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// What a template page brings into the report's page: the style elements of its head and the
// content of its body.
struct PagePart {
    std::string styles;
    std::string body;
};

PagePart pagePart(const std::string& html) {
    const std::string lower = asciiLower(html);
    const auto bodyStart = lower.find("<body");
    if (bodyStart == std::string::npos)
        return {{}, html};
    PagePart part;
    for (auto style = lower.find("<style"); style < bodyStart;
         style = lower.find("<style", style + 1)) {
        const auto end = lower.find("</style>", style);
        if (end == std::string::npos || end > bodyStart)
            break;
        part.styles += html.substr(style, end + 8 - style) + "\r\n";
    }
    const auto contentStart = std::min(lower.find('>', bodyStart), html.size() - 1) + 1;
    const auto contentEnd = std::min(lower.find("</body", contentStart), html.size());
    part.body = html.substr(contentStart, contentEnd - contentStart);
    return part;
}

std::string page(const std::string& styles, const std::string& body) {
    return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
           "<title>Сменный отчет</title>\r\n<style>\r\n" +
           std::string(kPageStyle) + "</style>\r\n" + styles + "</head>\r\n<body>\r\n" + body +
           "</body>\r\n</html>\r\n";
}

bool isOldFormat(std::int32_t section) {
    return section < kNewFormatSectionBase;
}

}  // namespace

ReportPages composeShiftReport(const std::vector<LayoutEntry>& layout, const ReportData& data) {
    ReportPages pages;
    std::string styles;
    std::string body;
    for (const LayoutEntry& entry : layout) {
        if (entry.templatePath.empty())
            continue;
        if (isOldFormat(entry.section)) {
            pages.text += section(entry.templatePath, data, OutputFormat::Text);
        } else {
            PagePart part = pagePart(section(entry.templatePath, data, OutputFormat::Html));
            styles += part.styles;
            body += part.body;
        }
    }
    pages.html = page(styles, body);
    return pages;
}

}  // namespace kvt::host
