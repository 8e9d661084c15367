#pragma once
// The settings of one report family, opened from the shift list's "Свойства" button. The form
// builds its controls for the family it is given: a box per payment type offered to the family
// (kept in the family's registry key), or, for the shift report, one row per part of the report
// with its place in the report and its templates (kept in cnf.INI "SmenaRep"). It saves only
// when the operator presses "Применить".
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/FormPlacement.h"

namespace kvt::settings {

// What the form needs of the host.
struct PropFrmContext {
    struct PayType {
        std::int32_t code = 0;
        std::string caption;
    };
    std::vector<PayType> payTypes;     // the payment-type table, in table order
    bool reportSettingsRight = false;  // the operator may change templates and rows
    std::int32_t userLevel = 0;        // 0 and 3: the server's own computer
};

// Settings kinds with something to edit.
namespace PropKind {
inline constexpr int Returns = 1;
inline constexpr int ShiftReport = 2;
inline constexpr int Bonus = 3;
inline constexpr int Cards = 4;
inline constexpr int Statements = 6;
inline constexpr int Contracts = 7;
inline constexpr int Coupons = 8;
}  // namespace PropKind

class TPropFrm : public QDialog {
    Q_OBJECT
public:
    explicit TPropFrm(PropFrmContext context);
    ~TPropFrm() override;

    // Builds the form for a settings kind; once, before the form is shown. A kind without
    // settings builds nothing; a setting that cannot be read ends the building silently.
    void LoadSettings(int kind);

    struct RowIndex {
        int group = 0;
        int row = 0;
    };
    // The row whose check box or "..." button is `control`, or with `control` null the row at
    // `order`; groups from 0, rows in list order, the first match.
    std::optional<RowIndex> GetIndexes(const QObject* control, int order) const;
    // Removes a row; the rows below it move up one place.
    void DeleteItem(int group, int row);

    int Kind() const { return Kind_; }
    int RowCount() const { return RowCount_; }

    QWidget Panel1;
    QLabel lbHelp;
    QPushButton BitBtn1;
    QPushButton BitBtn2;
    QGroupBox GroupBox;
    QFrame Bevel1;
    QCheckBox NullCheckBox;
    QLabel Label1;
    QCheckBox OneTableCheckBox;
    QCheckBox GroupTRKCheckBox;
    QCheckBox RoundCB;
    QRadioButton rbtNew;
    QRadioButton rbtOld;
    QCheckBox chbShowGSMItog;
    QCheckBox chbShowSubVidoplItog;
    QAction acAdd;
    QAction acDel;
    QFileDialog OpenDialog1;
    ui::TFormPlacement FormPlacement2;

public slots:
    void rbtNewClick();
    void acAddExecute();
    void acDelExecute();
    // The "..." button of a row.
    void BtnClick();
    void reject() override;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PayBox {
        std::int32_t code = 0;
        std::unique_ptr<QCheckBox> box;  // none: the payment type is not offered for the kind
    };
    // A row's control goes at once from the form but is deleted only when the event that
    // removed it (Ctrl+X on its own check box) has been delivered.
    struct LaterDelete {
        void operator()(QWidget* control) const {
            control->hide();
            control->deleteLater();
        }
    };
    template <class Control>
    using RowControl = std::unique_ptr<Control, LaterDelete>;
    struct Row {
        RowControl<QCheckBox> box;
        RowControl<QLineEdit> edit;
        RowControl<QPushButton> button;
        int Order = 0;
        std::string RepPath;
        std::string WebRepPath;
    };
    using Group = std::vector<Row>;

    void buildFixedControls();
    void connectHandlers();
    void LoadPayTypeKind(int kind);
    void LoadShiftReportKind();
    void ShowPayTypeLayout();
    Row MakeRow(int group, int row, const QString& text, bool ticked, int order);
    void PlaceRow(Row& row, int order);
    bool NewFormat() const { return rbtNew.isChecked(); }
    std::string& ShownPath(Row& row) const;
    Row& RowAt(const RowIndex& index);
    Row* RowAtOrder(int order);
    std::optional<RowIndex> EditableFocusedRow() const;
    bool RowsEditable() const;
    void UpdateFormSize();
    void ChooseTemplate(Row& row);

    void SavePayTypeKind() const;
    void SaveShiftReportKind();
    void ReportMissingTemplate(const std::string& resolved, int missing);

    // Right-button drag of a row's check box.
    void BoxMouseDown(QCheckBox& box, const class QMouseEvent& event);
    void BoxMouseMove(QCheckBox& box, const QMouseEvent& event);

    PropFrmContext context_;
    int Kind_ = 0;
    std::vector<PayBox> PayBoxes;
    std::array<Group, 16> Groups;
    int RowCount_ = 0;
    int NameCounter = 0;
    bool Loaded = false;
    int DragStartY = 0;
    int payBoxesBottom_ = 0;
};

// The "Свойства" button's work: the form made for `kind`, shown modally and freed.
void ShowPropFrm(int kind, PropFrmContext context);

}  // namespace kvt::settings
