#include "dialogs/DaysSmenaFinReportFrm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "data/OfficeDB.h"
#include "dialogs/OfficeStations.h"
#include "dialogs/SmenaListForm.h"
#include "infra/DateTime.h"
#include "ui/Desktop.h"

namespace kvt::dialogs {

namespace {

// The operator's own errors in the form, shown in the standard error box.
class EPeriodError : public ExceptionOf<EPeriodError> {
public:
    using ExceptionOf::ExceptionOf;
};

// A station number that is not a whole number: the table is not the office's.
class EStationNumberError : public ExceptionOf<EStationNumberError> {
public:
    using ExceptionOf::ExceptionOf;
};

const char* const kPeriodMessage = "Дата окончания периода должна быть больше, чем дата начала!";
constexpr int kMinimumSize = 350;
const char* const kTagProperty = "tag";
const char* const kDateFormat = "dd.MM.yyyy";
// The day the pickers show when the form opens, as the form was laid out.
constexpr int kInitialYear = 2008;
constexpr int kInitialMonth = 11;
constexpr int kInitialDay = 24;

void setUpDatePicker(QDateTimeEdit& picker) {
    picker.setDisplayFormat(kDateFormat);
    picker.setCalendarPopup(true);
    picker.setDateTime(QDateTime(QDate(kInitialYear, kInitialMonth, kInitialDay), QTime(0, 0)));
}

// The picker's day at 00:00: the time of day it may carry does not count.
DateTime wholeDay(const QDateTimeEdit& picker) {
    const QDate day = picker.date();
    return EncodeDate(day.year(), day.month(), day.day());
}

// A whole number of any kind of numeric field: the office may keep the numbers as floating ones.
// A blank number reads as 0, as an integer read of a blank field does.
bool isWholeNumber(const Variant& value) {
    if (isIntegerType(value.type()))
        return true;
    const double number = value.rawDouble();
    return value.type() == VarType::R8 && number == std::floor(number);
}

std::int32_t stationNumber(const Variant& value, const std::string& name) {
    if (value.isEmpty())
        return 0;
    if (!isWholeNumber(value))
        throw EStationNumberError("Номер KVT \"" + name +
                                  "\" в таблице станций не является целым числом");
    return value.toInt();
}

}  // namespace

TDaysSmenaFinReportForm::TDaysSmenaFinReportForm(RequestReport request)
    : QDialog(ui::hostWindow()), request_(std::move(request)) {
    setObjectName("DaysSmenaFinReportForm");
    setWindowTitle("Финансовый суточно-сменный отчет");
    buildLayout();
    connectHandlers();
    FormCreate();
}

void TDaysSmenaFinReportForm::buildLayout() {
    setMinimumSize(kMinimumSize, kMinimumSize);
    Label1.setObjectName("Label1");
    dtpBegDate.setObjectName("dtpBegDate");
    Label2.setObjectName("Label2");
    dtpEndDate.setObjectName("dtpEndDate");
    Label3.setObjectName("Label3");
    clbKVTList.setObjectName("clbKVTList");
    SpeedButton1.setObjectName("SpeedButton1");
    SpeedButton2.setObjectName("SpeedButton2");
    btnOK.setObjectName("btnOK");
    btnClose.setObjectName("btnClose");

    Label1.setText("Начало периода:");
    Label2.setText("Окончание периода:");
    Label3.setText("Выберите KVT:");
    Label1.setBuddy(&dtpBegDate);
    Label2.setBuddy(&dtpEndDate);
    Label3.setBuddy(&clbKVTList);
    setUpDatePicker(dtpBegDate);
    setUpDatePicker(dtpEndDate);
    SpeedButton1.setText("Выделить все");
    SpeedButton1.setProperty(kTagProperty, 1);
    SpeedButton2.setText("Снять все");
    SpeedButton2.setProperty(kTagProperty, 0);
    btnOK.setText("Выполнить");
    btnOK.setDefault(true);
    btnClose.setText("Закрыть");

    auto* period = new QGridLayout;
    period->addWidget(&Label1, 0, 0);
    period->addWidget(&dtpBegDate, 0, 1);
    period->addWidget(&Label2, 1, 0);
    period->addWidget(&dtpEndDate, 1, 1);
    period->setColumnStretch(2, 1);

    auto* ticks = new QHBoxLayout;
    ticks->addWidget(&SpeedButton1);
    ticks->addWidget(&SpeedButton2);
    ticks->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(&btnOK);
    buttons->addWidget(&btnClose);

    auto* form = new QVBoxLayout(this);
    form->addLayout(period);
    form->addWidget(&Label3);
    form->addWidget(&clbKVTList, 1);
    form->addLayout(ticks);
    form->addLayout(buttons);
}

void TDaysSmenaFinReportForm::connectHandlers() {
    for (QToolButton* button : {&SpeedButton1, &SpeedButton2})
        connect(button, &QToolButton::clicked, this, [this, button] { SpeedButton1Click(button); });
    connect(&btnOK, &QPushButton::clicked, this, &TDaysSmenaFinReportForm::btnOKClick);
    connect(&btnClose, &QPushButton::clicked, this, [this] { done(kResultCancel); });
}

void TDaysSmenaFinReportForm::FormCreate() {
    clbKVTList.clear();
    ReadOfficeStations(" ORDER BY KVTNumber", [this](const data::TOfficeQuery& query) {
        const std::string name = query.FieldByName("KVTName").toString();
        const std::int32_t number = stationNumber(query.FieldByName("KVTNumber"), name);
        AddStationItem(clbKVTList, QString::fromStdString(name), true)
            .setData(kStationNumberRole, number);
    });
}

void TDaysSmenaFinReportForm::SpeedButton1Click(const QObject* Sender) {
    const Qt::CheckState state =
        Sender->property(kTagProperty).toInt() == 1 ? Qt::Checked : Qt::Unchecked;
    for (int row = 0; row < clbKVTList.count(); ++row)
        clbKVTList.item(row)->setCheckState(state);
}

Variant TDaysSmenaFinReportForm::ReportParams() const {
    const DateTime first = wholeDay(dtpBegDate);
    const DateTime last = wholeDay(dtpEndDate);
    if (first > last)
        throw EPeriodError(kPeriodMessage);
    return Variant::list({Variant::date(first), Variant::date(last),
                          Variant(TickedItemsText(clbKVTList, [](const QListWidgetItem& item) {
                              return std::to_string(item.data(kStationNumberRole).toInt());
                          }))});
}

void TDaysSmenaFinReportForm::btnOKClick() {
    try {
        request_(ReportParams());
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

}  // namespace kvt::dialogs
