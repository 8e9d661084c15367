#pragma once
// What the station-network dialogs share: the office's station table read into their station
// lists, the lists' ticked items and their silver background.
#include <QListWidget>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace kvt::data {
class TOfficeQuery;
}

namespace kvt::dialogs {

// What ends each line of the lists the network reports are sent.
inline constexpr const char* kLineEnd = "\r\n";

// Reads the office's station table (kOfficeTablePath) with `orderBy` after the statement's table
// name, handing each record to `take` in the statement's order. A failure of the table, or of a
// record `take` refuses by throwing, is shown once in the standard error box and ends the
// reading: the dialogs open with the stations read before it.
void ReadOfficeStations(std::string_view orderBy,
                        const std::function<void(const data::TOfficeQuery&)>& take);

// A station list's item: checkable, ticked or not.
QListWidgetItem& AddStationItem(QListWidget& list, const QString& name, bool ticked);

// What `text` gives for each ticked item in list order, each followed by CR LF.
std::string TickedItemsText(const QListWidget& list,
                            const std::function<std::string(const QListWidgetItem&)>& text);

// The silver background of the station's lists and edits, the same whether enabled or not.
void PaintSilver(QWidget& widget);

}  // namespace kvt::dialogs
