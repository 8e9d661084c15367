#pragma once
// What a headless host tells about the plug-in's work, one line per event, in the words
// kvt-hostsim prints and tests compare:
//   GetReport_ N PARAMS          PARAMS in canonical variant text
//   Shown CLASS "CAPTION"        a modal form appeared
//   Cancelled CLASS              a modal form was closed as Esc closes it
//   MessageBox "CAPTION" "TEXT"
//   Beep FREQ MS
//   Error "MESSAGE"              an error shown in the standard error box or reaching the host
//   List NAME "ITEM" ...         the items a combo box or list holds, in order
//   Columns NAME "HEADING" ...   the headings of a grid's visible columns, left to right
//   Row NAME N "TEXT" ...        a grid row, N its record number from 1, with the texts it shows
//   vedFilter N                  the plug-in's application server was set to vedFilter N
// Quoted strings escape " and \ as the canonical variant text does, and line breaks as \r and
// \n so that an event stays on one line.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Variant.h"

namespace kvt::host {

// Receives each event line, without its line break.
using EventSink = std::function<void(const std::string& line)>;

// Writes each line to standard output and flushes it, so that a reader sees events as they
// happen.
EventSink standardOutputSink();

std::string quoted(std::string_view text);

namespace event {
std::string getReport(std::int32_t reportNo, const Variant& params);
std::string shown(std::string_view className, std::string_view caption);
std::string cancelled(std::string_view className);
std::string messageBox(std::string_view caption, std::string_view text);
std::string beep(int frequencyHz, int durationMs);
std::string error(std::string_view message);
std::string list(std::string_view name, const std::vector<std::string>& items);
std::string columns(std::string_view name, const std::vector<std::string>& headings);
std::string row(std::string_view name, int recNo, const std::vector<std::string>& texts);
std::string vedFilter(std::int32_t value);
}  // namespace event

}  // namespace kvt::host
