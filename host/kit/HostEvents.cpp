#include "host/kit/HostEvents.h"

#include <iostream>

namespace kvt::host {

EventSink standardOutputSink() {
    return [](const std::string& line) { std::cout << line << std::endl; };
}

namespace {

// Line breaks as \r and \n; the rest as it is.
void appendOnOneLine(std::string& line, char c) {
    if (c == '\n')
        line += "\\n";
    else if (c == '\r')
        line += "\\r";
    else
        line += c;
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        appendOnOneLine(result, c);
    }
    return result + '"';
}

namespace {

std::string withQuoted(std::string line, const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        line += " " + quoted(text);
    return line;
}

}  // namespace

namespace event {

// The canonical text keeps a string's line breaks; the event keeps to its line.
std::string getReport(std::int32_t reportNo, const Variant& params) {
    std::string line = "GetReport_ " + std::to_string(reportNo) + " ";
    for (const char c : params.canonical())
        appendOnOneLine(line, c);
    return line;
}

std::string shown(std::string_view className, std::string_view caption) {
    return "Shown " + std::string(className) + " " + quoted(caption);
}

std::string cancelled(std::string_view className) {
    return "Cancelled " + std::string(className);
}

std::string messageBox(std::string_view caption, std::string_view text) {
    return "MessageBox " + quoted(caption) + " " + quoted(text);
}

std::string beep(int frequencyHz, int durationMs) {
    return "Beep " + std::to_string(frequencyHz) + " " + std::to_string(durationMs);
}

std::string error(std::string_view message) {
    return "Error " + quoted(message);
}

std::string list(std::string_view name, const std::vector<std::string>& items) {
    return withQuoted("List " + std::string(name), items);
}

std::string columns(std::string_view name, const std::vector<std::string>& headings) {
    return withQuoted("Columns " + std::string(name), headings);
}

std::string row(std::string_view name, int recNo, const std::vector<std::string>& texts) {
    return withQuoted("Row " + std::string(name) + " " + std::to_string(recNo), texts);
}

std::string vedFilter(std::int32_t value) {
    return "vedFilter " + std::to_string(value);
}

}  // namespace event

}  // namespace kvt::host
