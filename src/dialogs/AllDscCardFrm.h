#pragma once
// The discount card list: the form in which the operator chooses the detail, the cards and the
// stations of the network's report on discount cards, and produces it as often as wanted until
// the form is closed.
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QToolButton>

#include "dialogs/ReportRequest.h"
#include "ui/RadioGroup.h"

namespace kvt::dialogs {

class TAllDscCardForm : public QDialog {
    Q_OBJECT
public:
    explicit TAllDscCardForm(RequestReport request);

    ui::TRadioGroup rgRepFormat;
    QGroupBox gbCardNumbers;
    QRadioButton rbAllCards;
    QRadioButton rbChooseCards;
    QTextEdit reCardNumbers;
    QToolButton SpeedButton1;
    QFrame Panel3;
    QRadioButton rbAllKVT;
    QRadioButton rbChooseKVT;
    QListWidget clbKVTList;
    QPushButton BitBtn1;
    QPushButton BitBtn2;

public slots:
    void FormCreate();
    void rbAllCardsClick();
    void rbAllKVTClick();
    void reCardNumbersChange();
    void SpeedButton1Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void connectHandlers();
    // Takes the quotes out of the card numbers; true when there were any.
    bool RemoveQuotes();
    // Throws the quote message when the card numbers held quotes, after taking them out.
    void CheckCardNumbers();
    Variant ReportParams() const;

    RequestReport request_;
    bool centred_ = false;
};

}  // namespace kvt::dialogs
