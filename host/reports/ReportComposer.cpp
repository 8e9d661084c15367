#include "host/reports/ReportComposer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "host/reports/HtmlText.h"
#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "settings/SettingsCatalogue.h"

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

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

}  // namespace

std::string filledTemplate(const std::string& windowsPath, const ReportData& data,
                           OutputFormat format, const NumberStyle& numbers) {
    const TemplateText loaded = readTemplate(windowsPath);
    if (!loaded.text)
        return notice(loaded.problem, format);
    try {
        return ReportTemplate::parse(*loaded.text, data.schema()).render(data, format, numbers);
    } catch (const TemplateError& error) {
        return notice("Ошибка в шаблоне " + windowsPath + ", " + error.what(), format);
    }
}

void HtmlPage::add(const std::string& filledHtml) {
    const std::string lower = asciiLower(filledHtml);
    const auto bodyStart = lower.find("<body");
    if (bodyStart == std::string::npos) {
        body_ += filledHtml;
        return;
    }
    for (auto style = lower.find("<style"); style < bodyStart;
         style = lower.find("<style", style + 1)) {
        const auto end = lower.find("</style>", style);
        if (end == std::string::npos || end > bodyStart)
            break;
        styles_ += filledHtml.substr(style, end + 8 - style) + "\r\n";
    }
    const auto contentStart = std::min(lower.find('>', bodyStart), filledHtml.size() - 1) + 1;
    const auto contentEnd = std::min(lower.find("</body", contentStart), filledHtml.size());
    body_ += filledHtml.substr(contentStart, contentEnd - contentStart);
}

std::string HtmlPage::page(std::string_view title) const {
    return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
           "<title>" +
           htmlEscaped(title) + "</title>\r\n<style>\r\n" + std::string(kPageStyle) +
           "</style>\r\n" + styles_ + "</head>\r\n<body>\r\n" + body_ + "</body>\r\n</html>\r\n";
}

ReportPages composeReport(const std::string& oldTemplate, const std::string& newTemplate,
                          const ReportData& data, std::string_view title,
                          const NumberStyle& numbers) {
    HtmlPage page;
    page.add(filledTemplate(newTemplate, data, OutputFormat::Html, numbers));
    return {filledTemplate(oldTemplate, data, OutputFormat::Text, numbers), page.page(title)};
}

std::string oldFormatTemplate(std::string_view file) {
    return std::string(settings::kOldTemplateFolder) + std::string(file);
}

std::string newFormatTemplate(std::string_view file) {
    return std::string(settings::kNewTemplateFolder) + std::string(file);
}

}  // namespace kvt::host
