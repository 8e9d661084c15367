#include "dialogs/OfficeStations.h"

#include <QColor>
#include <QPalette>

#include <exception>

#include "data/OfficeDB.h"
#include "ui/Desktop.h"

namespace kvt::dialogs {

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

}  // namespace

void ReadOfficeStations(std::string_view orderBy,
                        const std::function<void(const data::TOfficeQuery&)>& take) {
    try {
        data::TOfficeQuery query;
        query.SQL =
            "SELECT * FROM \"" + std::string(data::kOfficeTablePath) + "\"" + std::string(orderBy);
        query.Open();
        for (; !query.Eof(); query.Next())
            take(query);
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

QListWidgetItem& AddStationItem(QListWidget& list, const QString& name, bool ticked) {
    auto* item = new QListWidgetItem(name, &list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return *item;
}

std::string TickedItemsText(const QListWidget& list,
                            const std::function<std::string(const QListWidgetItem&)>& text) {
    std::string ticked;
    for (int row = 0; row < list.count(); ++row)
        if (const QListWidgetItem& item = *list.item(row); item.checkState() == Qt::Checked)
            ticked += text(item) + kLineEnd;
    return ticked;
}

void PaintSilver(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Base, kSilver);
    widget.setPalette(palette);
}

}  // namespace kvt::dialogs
