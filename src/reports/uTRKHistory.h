#pragma once
// The live pump log: the latest operations of one pump as its log keeps them, opened from the
// hidden per-pump shortcuts, refreshed on demand and printed as the pump sales history up to
// the row the operator selects.
#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QString>

#include <cstdint>
#include <string>

#include "data/DBForm.h"
#include "ui/DBGrid.h"

namespace kvt::reports {

// The pump sales history, from the pump log window and from the report menu alike.
inline constexpr std::uint8_t kPumpHistoryReportNo = 10;
inline constexpr const char* kPumpHistoryTitle = "История продаж по ТРК";

class TfmTRKHistory : public QDialog {
    Q_OBJECT
public:
    explicit TfmTRKHistory(data::TDBFrm& dbFrm);
    ~TfmTRKHistory() override;

    // What the pump log does before it shows the window: the text handlers on TrkLog's fields,
    // the caption, TrkLog opened for the pump (its first packet) and the grid bound to
    // TrkLogSource. TrkLog stays open until the caller closes it.
    void OpenLog(const QString& pumpName);

    // Report 10 over the pump's latest operations up to the selected row, then the viewer.
    void PrintPumpHistory();

    ui::TDBGrid DBGrid1;
    QPushButton RefreshButton;
    QPushButton Button1;
    QAction Action1;
    QAction Action2;
    QAction acUp;
    QAction acDown;

public slots:
    // True when the key closed the window (Esc).
    bool FormKeyPress(const QString& key);
    void RefreshButtonClick();
    void Button1Click();
    void Action1Execute();
    void Action2Execute();
    void acUpExecute();
    void acDownExecute();
    // Esc and the window's close box end the showing as Action2 does.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void connectHandlers();
    // Runs a handler inside the event loop: its error goes to the standard error box.
    template <class Work>
    void guarded(Work work);

    data::TDBFrm& dbFrm_;
};

// The text handlers of TrkLog's coded fields. They read the payment types of the plug-in's
// module and nothing of the window.
void TrkLogOperationGetText(const data::Field& field, std::string& text, bool displayText);
void TrkLogOp1GetText(const data::Field& field, std::string& text, bool displayText);
void TrkLogOp2GetText(const data::Field& field, std::string& text, bool displayText);
void TrkLogTimeGetText(const data::Field& field, std::string& text, bool displayText);

// Shows the log of the pump modally and returns when the operator closes it. TrkLog is closed
// and the server disconnected afterwards, also when an error ends the showing. While the
// window is open, a second request does nothing.
void ShowPumpLog(const std::string& pumpName);

}  // namespace kvt::reports
