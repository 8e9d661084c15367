#pragma once
// The options shared by all reports, opened from the "Отчеты" entry of the settings menu: the
// decimals of the sold fuel, how money sums are computed, whether reports may go to the office
// programs, the grouping and rounding of the tank report and the decimal and digit-group
// separators. Everything lives in cnf.INI, where the host reads it too; the form saves only when
// the operator confirms with "OK".
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QWidget>

#include "ui/FormPlacement.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace kvt::settings {

class TRepPropForm : public QDialog {
    Q_OBJECT
public:
    // userLevel: the operator's level, 0 to 3. Only levels 0 and 3 (the server's own computer)
    // see and change the separators.
    explicit TRepPropForm(int userLevel);
    ~TRepPropForm() override;

    // Containers come before what they hold, so that the contents are destroyed first.
    QTabWidget PageControl1;
    QWidget TabSheet1;
    QGroupBox GroupBox2;
    QLabel Label3;
    ui::TSpinEdit seDecL2;
    QLabel Label4;
    ui::TSpinEdit seDecKg2;
    QGroupBox GroupBox3;
    QRadioButton RadioButton1;
    QRadioButton RadioButton2;
    QLabel Label5;
    QLabel Label6;
    QLabel Label7;
    QCheckBox chbAllowExport;
    QLabel Label43;
    QComboBox cbDecimalSeparator;
    QLabel Label44;
    QComboBox cbThousandSeparator;
    QWidget TabSheet2;
    QGroupBox GroupBox1;
    QLabel Label1;
    ui::TSpinEdit seDecL;
    QLabel Label2;
    ui::TSpinEdit seDecKg;
    ui::TRadioGroup rgSiloReportSortField;
    QCheckBox RoundCB;
    QPushButton BitBtn1;
    QPushButton BitBtn2;
    ui::TFormPlacement FormPlacement1;

public slots:
    // Reads every option from cnf.INI into the form.
    void FormShow();
    // "OK" has no modal result of its own: it asks for result 1, which saves (see done).
    void BitBtn1Click();
    // A separator box changed, by the operator or by the program; `box` is cbDecimalSeparator or
    // cbThousandSeparator.
    void cbSeparatorChange(QComboBox* box);

protected:
    void showEvent(QShowEvent* event) override;
    // Modal result 1 saves first and stays open when saving fails; every other result closes
    // without saving.
    void done(int result) override;

private:
    void buildLayout();
    void buildGeneralPage();
    void buildShiftReportPage();
    void connectHandlers();
    void ApplyUserLevel();
    bool EditsSeparators() const;
    void ReadSeparators();
    void Save() const;

    int userLevel_;
};

// The "Отчеты" settings entry's work: the form made, shown modally, freed. Never throws for the
// operator's input (the form shows its own errors).
void ShowRepPropForm(int userLevel);

}  // namespace kvt::settings
