#pragma once
// The shift list: the form in which the operator picks one shift, a run of shifts or the current
// shift (or, for the fuel receipt and pump-out logs, a run of operations) before a report. A
// runner configures the one instance, calls the picker in a loop and frees the form when its
// loop ends. The form also carries the extras some runners switch on: pump buttons, a vehicle
// filter and a card-number edit fed by the card scanner.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "data/ClientDataSet.h"
#include "data/DBForm.h"
#include "data/DataSource.h"
#include "infra/DateTime.h"
#include "ui/DBGrid.h"
#include "ui/FormPlacement.h"

namespace kvt::dialogs {

// Modal results of the form.
inline constexpr int kResultChosen = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultCurrentShift = 5;

// The report-settings kind of the card report: only its form takes scanned codes.
inline constexpr int kCardReportKind = 4;

// What SelectSmena chose.
struct SmenaChoice {
    std::int32_t FirstSm = 0;
    std::int32_t LastSm = 0;
    DateTime BegTime = 0;
    DateTime EndTime = 0;
};

struct OpRange {
    std::int32_t FirstOp = 0;
    std::int32_t LastOp = 0;
};

class TSmenaListFrm : public QDialog {
    Q_OBJECT
public:
    explicit TSmenaListFrm(data::TDBFrm& dbFrm);
    ~TSmenaListFrm() override;

    // Sets the kind of report settings the "Свойства" button opens, and shows the button.
    void SetPropKind(int kind);
    int PropKind() const { return PropKind_; }

    // Shows the form over `dataSource` (whose records are those of `dataSet`) and returns the
    // choice for modal results 1 and 5, nothing otherwise. Errors go to the caller; the grid's
    // drawing handler and the second cursor are let go of in every case.
    std::optional<SmenaChoice> SelectSmena(data::DataSource& dataSource,
                                           data::ClientDataSet& dataSet);
    // The operations chosen for modal result 1. A dataset without "OpNum" is not shown at all.
    std::optional<OpRange> SelectOpRange(data::DataSource& dataSource);

    // The pump buttons over the station's pumps, the first one pressed.
    void ShowTrkButtons();
    const QString& SelectedTrk() const { return SelectedTrk_; }

    // The modal result the form was closed with last.
    int ModalResult() const { return result(); }

    // Opens the per-report settings form of a kind. None: the button does nothing.
    using PropertiesForm = std::function<void(int kind)>;
    static void SetPropertiesForm(PropertiesForm form);

    // Takes the code the card scanner sent last; see CardScanner.h.
    Q_INVOKABLE void WMScanCode();

    QFrame Panel2;
    ui::TDBGrid DBGrid1;
    QWidget Panel3;
    QFrame Panel1;
    QPushButton PropBtn;
    QPushButton CurBtn;
    QPushButton BitBtn1;
    QPushButton BitBtn2;
    QLabel lbAuto;
    QComboBox cbAuto;
    QLabel lbCardNum;
    QLineEdit edSimpleText;
    QAction CurSmena;
    QAction actFocusSimpleText;
    QTimer tmBringToFront;
    QTimer tmSearchTimer;
    ui::TFormPlacement FormPlacement1;

public slots:
    void DBGrid1DblClick();
    void DBGrid1KeyPress(const QString& text);
    void tmSearchTimerTimer();
    void tmBringToFrontTimer();
    void CurSmenaExecute();
    void actFocusSimpleTextExecute();
    void PropBtnClick();
    void cbAutoChange();
    void OnTrkBtn();
    // Esc and the window's close box cancel as "Отмена" does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildLayout();
    void connectHandlers();
    int showModal();
    // Whether the shift after `smNum` in the stored order does not follow it.
    bool gapAfter(std::int32_t smNum) const;
    void learnSuccessors();
    void colourGap(ui::GridCell& cell) const;
    SmenaChoice chosenShifts(data::ClientDataSet& dataSet);

    data::TDBFrm& dbFrm_;
    int PropKind_ = -1;
    QString SearchText_;
    QString SelectedTrk_ = QStringLiteral("0");
    // The second cursor over the shift list, in its stored order and unfiltered, and what it
    // tells the painter: each shift number's successor, read once per showing so that drawing
    // a cell is a lookup.
    data::ClientDataSet cloneCursor_;
    std::unordered_map<std::int32_t, std::int32_t> successorOf_;
};

// The one shift list of the module: a runner obtains it (made on first request) and frees it
// when its loop ends.
TSmenaListFrm& SmenaListFrm(data::TDBFrm& dbFrm);
TSmenaListFrm* CurrentSmenaListFrm();
void FreeSmenaListFrm();

// Frees the shift list when the runner that obtained it is done, on every path.
class SmenaListLease {
public:
    explicit SmenaListLease(data::TDBFrm& dbFrm) : form_(SmenaListFrm(dbFrm)) {}
    ~SmenaListLease() { FreeSmenaListFrm(); }
    SmenaListLease(const SmenaListLease&) = delete;
    SmenaListLease& operator=(const SmenaListLease&) = delete;
    TSmenaListFrm& form() const { return form_; }

private:
    TSmenaListFrm& form_;
};

// The filter of the receipt and pump-out log for a vehicle chosen in `cbAuto` ("Все": every
// vehicle), for the form's caption.
std::string VehicleFilter(const QString& caption, const QString& vehicle);

}  // namespace kvt::dialogs
