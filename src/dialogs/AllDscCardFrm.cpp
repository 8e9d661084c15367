#include "dialogs/AllDscCardFrm.h"

#include "dialogs/OfficeStations.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>

#include "data/OfficeDB.h"
#include "dialogs/SmenaListForm.h"
#include "ui/Desktop.h"

namespace kvt::dialogs {

namespace {

// The operator's own errors in the form, shown in the standard error box.
class ECardNumberError : public ExceptionOf<ECardNumberError> {
public:
    using ExceptionOf::ExceptionOf;
};

const char* const kQuoteMessage = "Символы (\") и (') в номере карты недопустимы!";
const char* const kCardNumbersHint =
    "Каждый номер карты пишется на отдельной строке.\r\n"
    "Необходимо указывать номер полностью (с эммисией и эммитентом),\r\n"
    "либо использовать символы подстановки:\r\n"
    "(?) - если символ в заданной позиции может быть любым;\r\n"
    "(*) - в заданной позиции может быть любая последовательность символов.";
const char* const kEverything = "*";

bool isQuote(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

}  // namespace

TAllDscCardForm::TAllDscCardForm(RequestReport request)
    : QDialog(ui::hostWindow(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                    Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                                    Qt::WindowCloseButtonHint),
      rgRepFormat("Форма отчета"),
      request_(std::move(request)) {
    setObjectName("AllDscCardForm");
    setWindowTitle("Информация по общему списку дисконтных карт");
    buildLayout();
    connectHandlers();
    FormCreate();
}

void TAllDscCardForm::buildLayout() {
    rgRepFormat.setObjectName("rgRepFormat");
    gbCardNumbers.setObjectName("gbCardNumbers");
    rbAllCards.setObjectName("rbAllCards");
    rbChooseCards.setObjectName("rbChooseCards");
    reCardNumbers.setObjectName("reCardNumbers");
    SpeedButton1.setObjectName("SpeedButton1");
    Panel3.setObjectName("Panel3");
    rbAllKVT.setObjectName("rbAllKVT");
    rbChooseKVT.setObjectName("rbChooseKVT");
    clbKVTList.setObjectName("clbKVTList");
    BitBtn1.setObjectName("BitBtn1");
    BitBtn2.setObjectName("BitBtn2");

    rgRepFormat.setItems({"Детальный (карты, KVT, ГСМ, суммы)", "Подробный (карты, KVT, суммы)",
                          "Суммарный отчет (карты, суммы)"});
    rgRepFormat.setItemIndex(0);

    gbCardNumbers.setTitle("Выводить информацию");
    rbAllCards.setText("По всем картам");
    rbChooseCards.setText("По следующим картам:");
    rbAllCards.setChecked(true);
    reCardNumbers.setAcceptRichText(false);
    reCardNumbers.setLineWrapMode(QTextEdit::NoWrap);
    reCardNumbers.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reCardNumbers.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    reCardNumbers.setToolTip(kCardNumbersHint);
    reCardNumbers.setEnabled(false);
    PaintSilver(reCardNumbers);
    SpeedButton1.setText("Очистить");
    SpeedButton1.setAutoRaise(true);

    // The station choice has a panel of its own, so that its buttons exclude only each other.
    rbAllKVT.setText("По всем KVT");
    rbChooseKVT.setText("По следующим KVT:");
    rbAllKVT.setChecked(true);
    clbKVTList.setEnabled(false);
    PaintSilver(clbKVTList);

    BitBtn1.setText("Сформировать отчет");
    BitBtn1.setDefault(true);
    BitBtn2.setText("Закрыть");

    auto* stationChoice = new QVBoxLayout(&Panel3);
    stationChoice->setContentsMargins(0, 0, 0, 0);
    stationChoice->addWidget(&rbAllKVT);
    stationChoice->addWidget(&rbChooseKVT);

    auto* clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    clearRow->addWidget(&SpeedButton1);

    auto* choices = new QGridLayout(&gbCardNumbers);
    choices->addWidget(&rbAllCards, 0, 0);
    choices->addWidget(&rbChooseCards, 1, 0);
    choices->addWidget(&reCardNumbers, 2, 0);
    choices->addLayout(clearRow, 3, 0);
    choices->addWidget(&Panel3, 0, 1, 2, 1);
    choices->addWidget(&clbKVTList, 2, 1, 2, 1);
    choices->setRowStretch(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(&BitBtn1);
    buttons->addWidget(&BitBtn2);

    auto* form = new QVBoxLayout(this);
    form->addWidget(&rgRepFormat);
    form->addWidget(&gbCardNumbers, 1);
    form->addLayout(buttons);
}

void TAllDscCardForm::connectHandlers() {
    for (QRadioButton* radio : {&rbAllCards, &rbChooseCards})
        connect(radio, &QRadioButton::toggled, this, &TAllDscCardForm::rbAllCardsClick);
    for (QRadioButton* radio : {&rbAllKVT, &rbChooseKVT})
        connect(radio, &QRadioButton::toggled, this, &TAllDscCardForm::rbAllKVTClick);
    connect(&reCardNumbers, &QTextEdit::textChanged, this, &TAllDscCardForm::reCardNumbersChange);
    connect(&SpeedButton1, &QToolButton::clicked, this, &TAllDscCardForm::SpeedButton1Click);
    connect(&BitBtn1, &QPushButton::clicked, this, &TAllDscCardForm::BitBtn1Click);
    connect(&BitBtn2, &QPushButton::clicked, this, [this] { done(kResultCancel); });
}

void TAllDscCardForm::FormCreate() {
    clbKVTList.clear();
    ReadOfficeStations("", [this](const data::TOfficeQuery& query) {
        AddStationItem(clbKVTList, QString::fromStdString(query.FieldByName("KVTName").toString()),
                       false);
    });
}

void TAllDscCardForm::rbAllCardsClick() {
    reCardNumbers.setEnabled(rbChooseCards.isChecked());
}

void TAllDscCardForm::rbAllKVTClick() {
    clbKVTList.setEnabled(rbChooseKVT.isChecked());
}

// The cursor goes where the first quote stood, so that typing goes on where it was refused.
bool TAllDscCardForm::RemoveQuotes() {
    const QString text = reCardNumbers.toPlainText();
    const qsizetype first = std::find_if(text.begin(), text.end(), isQuote) - text.begin();
    if (first == text.size())
        return false;
    // Plain text positions are the document's: every line break is one character in both.
    QTextCursor cursor(reCardNumbers.document());
    cursor.beginEditBlock();
    for (qsizetype at = text.size() - 1; at >= first; --at) {
        if (!isQuote(text[at]))
            continue;
        cursor.setPosition(static_cast<int>(at));
        cursor.deleteChar();
    }
    cursor.endEditBlock();
    cursor.setPosition(static_cast<int>(first));
    reCardNumbers.setTextCursor(cursor);
    return true;
}

// The edit is not told of its own cleaning, which would check the cleaned text again.
void TAllDscCardForm::CheckCardNumbers() {
    bool removed = false;
    {
        const QSignalBlocker checking(reCardNumbers);
        removed = RemoveQuotes();
    }
    if (removed)
        throw ECardNumberError(kQuoteMessage);
}

void TAllDscCardForm::reCardNumbersChange() {
    try {
        CheckCardNumbers();
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

void TAllDscCardForm::SpeedButton1Click() {
    reCardNumbers.clear();
}

Variant TAllDscCardForm::ReportParams() const {
    std::string cards = kEverything;
    if (rbChooseCards.isChecked())
        cards = reCardNumbers.toPlainText().replace(QLatin1Char('\n'), kLineEnd).toStdString();
    std::string stations = kEverything;
    if (rbChooseKVT.isChecked())
        stations = TickedItemsText(
            clbKVTList, [](const QListWidgetItem& item) { return item.text().toStdString(); });
    return Variant::list({Variant(static_cast<std::int32_t>(rgRepFormat.itemIndex())),
                          Variant(std::move(cards)), Variant(std::move(stations))});
}

void TAllDscCardForm::BitBtn1Click() {
    try {
        request_(ReportParams());
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

void TAllDscCardForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (std::exchange(centred_, true))
        return;
    if (const QScreen* shown = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(shown->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace kvt::dialogs
