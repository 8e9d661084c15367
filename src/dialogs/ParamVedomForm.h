#pragma once
// The statement parameters: the dialog in which the operator picks the period, an organisation
// or a vehicle, the statement payment types and the grouping of a statement report. A runner
// configures the one instance, shows it in a loop (one report per confirmation) and frees it when
// the report is done. The ticked payment types are saved to the "VedomProp" key on every close,
// and the runner reads them back from there.
#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/DBGrid.h"
#include "ui/FormPlacement.h"

class QMouseEvent;

namespace kvt::dialogs {

class TParamVedomFrm : public QDialog {
    Q_OBJECT
public:
    // codes and captions: the payment-type table's code column and captions, index by index; a
    // box is made for each type whose code mod 100 is 4.
    TParamVedomFrm(std::vector<std::int32_t> codes, std::vector<std::string> captions);
    ~TParamVedomFrm() override;

    // Driver grouping first: chbDriver lies above chbAuto.
    bool DriversFirst() const;
    // The period ends as the dialog shows them: date text, one blank, time text.
    QString BeginText() const;
    QString EndText() const;

    // Where the form stood and the period it showed last, in the current user's placement key.
    class TFormStorage {
    public:
        explicit TFormStorage(std::string valuePrefix);
        void restore(TParamVedomFrm& form) const;
        void save(const TParamVedomFrm& form) const;

    private:
        std::string valueName(const QDateEdit& edit) const;

        ui::TFormPlacement placement_;
        std::string valuePrefix_;
    };

    QLabel RxLabel1;
    QDateEdit BegDate;
    QLineEdit BegTimeEdit;
    QLabel RxLabel2;
    QDateEdit EndDate;
    QLineEdit EndTimeEdit;
    ui::TDBGrid OrgGrid;
    ui::TDBGrid AutoGrid;
    QGroupBox gbGroupBy;
    QCheckBox chbDriver;
    QCheckBox chbAuto;
    QGroupBox gbPayments;
    QPushButton BitBtn1;
    QPushButton BitBtn2;
    TFormStorage FormStorage2;

public slots:
    // A payment-type box was ticked or unticked, by the operator or by the program.
    void PayTypeClick();
    void FormShow();
    void FormClose();
    // The grouping boxes' right-button drag; `box` is chbDriver or chbAuto.
    void chbDriverMouseDown(QCheckBox* box, const QMouseEvent* event);
    void chbDriverMouseMove(QCheckBox* box, const QMouseEvent* event);
    void chbDriverMouseUp(QCheckBox* box, const QMouseEvent* event);
    // Esc and the window's close box cancel as "Отмена" does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PayTypeBox {
        std::int32_t code;  // the box's tag
        std::unique_ptr<QCheckBox> box;
    };

    void buildLayout();
    void buildPayTypeBoxes(const std::vector<std::int32_t>& codes,
                           const std::vector<std::string>& captions);
    void connectHandlers();
    void Refilter();
    void UpdateOkButton();
    bool AnyPayTypeTicked() const;
    void SavePayTypes() const;

    std::vector<PayTypeBox> payTypes_;
    int dragStartY_ = 0;
};

// The one statement parameters dialog of the module: a runner obtains it (made on first request)
// and frees it when its report is done.
TParamVedomFrm& ParamVedomFrm(const std::vector<std::int32_t>& codes,
                              const std::vector<std::string>& captions);
TParamVedomFrm* CurrentParamVedomFrm();
void FreeParamVedomFrm();

// Frees the dialog when the runner that obtained it is done, on every path.
class ParamVedomLease {
public:
    ParamVedomLease(const std::vector<std::int32_t>& codes,
                    const std::vector<std::string>& captions)
        : form_(ParamVedomFrm(codes, captions)) {}
    ~ParamVedomLease() { FreeParamVedomFrm(); }
    ParamVedomLease(const ParamVedomLease&) = delete;
    ParamVedomLease& operator=(const ParamVedomLease&) = delete;
    TParamVedomFrm& form() const { return form_; }

private:
    TParamVedomFrm& form_;
};

}  // namespace kvt::dialogs
