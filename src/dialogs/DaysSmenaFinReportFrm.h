#pragma once
// The daily shift financial report: the form in which the operator chooses a period of whole
// days and the network's stations, and produces the report as often as wanted until the form is
// closed.
#include <QDateTimeEdit>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "dialogs/ReportRequest.h"

namespace kvt::dialogs {

// Where each item of clbKVTList keeps its station number.
inline constexpr int kStationNumberRole = Qt::UserRole;

class TDaysSmenaFinReportForm : public QDialog {
    Q_OBJECT
public:
    explicit TDaysSmenaFinReportForm(RequestReport request);

    QLabel Label1;
    QDateTimeEdit dtpBegDate;
    QLabel Label2;
    QDateTimeEdit dtpEndDate;
    QLabel Label3;
    QListWidget clbKVTList;
    QToolButton SpeedButton1;
    QToolButton SpeedButton2;
    QPushButton btnOK;
    QPushButton btnClose;

public slots:
    void FormCreate();
    // "Выделить все" and "Снять все": every station ticked when the pressed button's tag is 1.
    void SpeedButton1Click(const QObject* Sender);
    void btnOKClick();

private:
    void buildLayout();
    void connectHandlers();
    Variant ReportParams() const;

    RequestReport request_;
};

}  // namespace kvt::dialogs
