#include "settings/forms/PropUnit.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "kvtreports/Exception.h"
#include "platform/CodePage.h"
#include "settings/IniSettings.h"
#include "settings/SettingsCatalogue.h"
#include "ui/Desktop.h"

namespace kvt::settings {

namespace {

// The operator's own errors in the form, shown in the standard error box.
class ERepPropError : public ExceptionOf<ERepPropError> {
public:
    using ExceptionOf::ExceptionOf;
};

constexpr int kModalResultOk = 1;
constexpr int kMaxDecimals = 3;

const char* const kByFactCaption = "По факту, с учетом округлений";
const char* const kByLitresCaption = "Расчетная, по литрам";
const char* const kByLitresHint =
    "Осторожно!\r\nИспользуйте переключатель только при\r\nторговле по наличным видам оплаты без "
    "скидок!";
const char* const kByLitresWarning =
    "При установленном переключателе \"%1\" в финансовый отчет будут выведены суммы без учета "
    "скидки!";
const char* const kSeparatorCharacterMessage =
    "Разделитель может состоять только из одного символа!";
const char* const kSeparatorLengthMessage = "Длина разделителя должна быть равна 1";
const char* const kCharacterCodeHint = "Код символа: 0x";

// The Windows-1251 byte of a text that is exactly one character of that code page. The host
// reads a separator as one such byte; a character the code page lacks would be stored as '?'.
std::optional<char> singleCp1251Character(const QString& text) {
    const std::string utf8 = text.toStdString();
    const std::string bytes = platform::utf8ToCp1251(utf8);
    if (bytes.size() != 1 || platform::cp1251ToUtf8(bytes) != utf8)
        return std::nullopt;
    return bytes.front();
}

// The separator a box holds, ready to be saved.
char typedSeparator(const QComboBox& box) {
    if (const std::optional<char> separator = singleCp1251Character(box.currentText()))
        return *separator;
    throw ERepPropError(kSeparatorLengthMessage);
}

// Shows the code of the box's character in its hint, so that a no-break space can be told from
// a space.
void CheckSeparator(QComboBox& box) {
    const std::optional<char> separator = singleCp1251Character(box.currentText());
    if (!separator)
        throw ERepPropError(kSeparatorCharacterMessage);
    box.setToolTip(kCharacterCodeHint +
                   QString::number(static_cast<unsigned char>(*separator), 16).toUpper());
}

template <class Work>
void guarded(Work work) {
    try {
        work();
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

void setUpDecimals(ui::TSpinEdit& edit) {
    edit.setRange(0, kMaxDecimals);
}

void layOutDecimals(QGroupBox& box, QLabel& litresLabel, ui::TSpinEdit& litres, QLabel& kgLabel,
                    ui::TSpinEdit& kg) {
    setUpDecimals(litres);
    setUpDecimals(kg);
    litresLabel.setText("Продано ГСМ в л:");
    kgLabel.setText("Продано ГСМ в кг:");
    auto* grid = new QGridLayout(&box);
    grid->addWidget(&litresLabel, 0, 0);
    grid->addWidget(&litres, 0, 1);
    grid->addWidget(&kgLabel, 1, 0);
    grid->addWidget(&kg, 1, 1);
}

// An editable drop-down: the operator may type any text over the offered separators; the
// offered ones are not extended by what is typed.
void setUpSeparatorBox(QComboBox& box, const QStringList& items) {
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    box.addItems(items);
}

}  // namespace

TRepPropForm::TRepPropForm(int userLevel)
    : QDialog(ui::hostWindow(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                    Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      rgSiloReportSortField("Группировка в отчете по резервуарам"),
      FormPlacement1(std::string(kPlacementKey), "TRepPropForm"),
      userLevel_(userLevel) {
    setObjectName("RepPropForm");
    setWindowTitle("Свойства отчетов");
    buildLayout();
    connectHandlers();
    ApplyUserLevel();
    FormPlacement1.restore(*this);
}

TRepPropForm::~TRepPropForm() = default;

void TRepPropForm::buildLayout() {
    for (const auto& [component, name] : std::initializer_list<std::pair<QObject*, const char*>>{
             {&PageControl1, "PageControl1"},
             {&TabSheet1, "TabSheet1"},
             {&GroupBox2, "GroupBox2"},
             {&Label3, "Label3"},
             {&seDecL2, "seDecL2"},
             {&Label4, "Label4"},
             {&seDecKg2, "seDecKg2"},
             {&GroupBox3, "GroupBox3"},
             {&RadioButton1, "RadioButton1"},
             {&RadioButton2, "RadioButton2"},
             {&Label5, "Label5"},
             {&Label6, "Label6"},
             {&Label7, "Label7"},
             {&chbAllowExport, "chbAllowExport"},
             {&Label43, "Label43"},
             {&cbDecimalSeparator, "cbDecimalSeparator"},
             {&Label44, "Label44"},
             {&cbThousandSeparator, "cbThousandSeparator"},
             {&TabSheet2, "TabSheet2"},
             {&GroupBox1, "GroupBox1"},
             {&Label1, "Label1"},
             {&seDecL, "seDecL"},
             {&Label2, "Label2"},
             {&seDecKg, "seDecKg"},
             {&rgSiloReportSortField, "rgSiloReportSortField"},
             {&RoundCB, "RoundCB"},
             {&BitBtn1, "BitBtn1"},
             {&BitBtn2, "BitBtn2"}})
        component->setObjectName(name);

    buildGeneralPage();
    buildShiftReportPage();
    PageControl1.addTab(&TabSheet1, "Общие");
    PageControl1.addTab(&TabSheet2, "Сменный отчет");

    BitBtn1.setText("OK");
    BitBtn1.setDefault(true);
    BitBtn2.setText("Отмена");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(&BitBtn1);
    buttons->addWidget(&BitBtn2);

    auto* form = new QVBoxLayout(this);
    form->addWidget(&PageControl1);
    form->addLayout(buttons);
    // A single border: the operator does not resize the form.
    form->setSizeConstraint(QLayout::SetFixedSize);
}

void TRepPropForm::buildGeneralPage() {
    GroupBox2.setTitle("Знаков после запятой в переменных");
    layOutDecimals(GroupBox2, Label3, seDecL2, Label4, seDecKg2);

    GroupBox3.setTitle("Денежная сумма");
    RadioButton1.setText(kByFactCaption);
    RadioButton1.setChecked(true);
    RadioButton2.setText(kByLitresCaption);
    RadioButton2.setToolTip(kByLitresHint);
    Label5.setText("Внимание!");
    // The warning is one sentence over two labels, broken after the comma of the quoted caption.
    const QString warning = QString(kByLitresWarning).arg(QString(kByLitresCaption));
    const qsizetype lineBreak = warning.indexOf(QLatin1Char(',')) + 1;
    Label6.setText(warning.left(lineBreak));
    Label7.setText(warning.mid(lineBreak).trimmed());
    auto* sums = new QVBoxLayout(&GroupBox3);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{&RadioButton1, &RadioButton2, &Label5, &Label6, &Label7})
        sums->addWidget(widget);

    chbAllowExport.setText("Разрешить экспорт отчетов в MS Word и MS Excel");
    chbAllowExport.setChecked(true);

    Label43.setText("Десятичный разделитель:");
    setUpSeparatorBox(cbDecimalSeparator, {".", ","});
    Label44.setText("Разделитель групп разрядов:");
    setUpSeparatorBox(cbThousandSeparator, {QString(QChar(0x00A0)), " "});
    auto* separators = new QGridLayout;
    separators->addWidget(&Label43, 0, 0);
    separators->addWidget(&cbDecimalSeparator, 0, 1);
    separators->addWidget(&Label44, 1, 0);
    separators->addWidget(&cbThousandSeparator, 1, 1);
    separators->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(&TabSheet1);
    page->addWidget(&GroupBox2);
    page->addWidget(&GroupBox3);
    page->addWidget(&chbAllowExport);
    page->addLayout(separators);
    page->addStretch(1);
}

void TRepPropForm::buildShiftReportPage() {
    GroupBox1.setTitle("Кол-во знаков после запятой в финансовом отчете");
    layOutDecimals(GroupBox1, Label1, seDecL, Label2, seDecKg);

    rgSiloReportSortField.setItems({"По номеру резервуара", "По названиям ГСМ"});
    // Two columns for two items: they stand side by side.
    if (auto* items = qobject_cast<QBoxLayout*>(rgSiloReportSortField.layout()))
        items->setDirection(QBoxLayout::LeftToRight);

    RoundCB.setText("Округление до целых в отчете по резервуарам");

    auto* page = new QVBoxLayout(&TabSheet2);
    page->addWidget(&GroupBox1);
    page->addWidget(&rgSiloReportSortField);
    page->addWidget(&RoundCB);
    page->addStretch(1);
}

void TRepPropForm::connectHandlers() {
    connect(&BitBtn1, &QPushButton::clicked, this, &TRepPropForm::BitBtn1Click);
    connect(&BitBtn2, &QPushButton::clicked, this, &TRepPropForm::reject);
    for (QComboBox* box : {&cbDecimalSeparator, &cbThousandSeparator})
        connect(box, &QComboBox::editTextChanged, this, [this, box] { cbSeparatorChange(box); });
}

bool TRepPropForm::EditsSeparators() const {
    return userLevel_ == 0 || userLevel_ == 3;
}

// Other workplaces neither see nor change the separators: what is stored stays as it is.
void TRepPropForm::ApplyUserLevel() {
    if (EditsSeparators())
        return;
    for (QWidget* widget : std::initializer_list<QWidget*>{&Label43, &cbDecimalSeparator, &Label44,
                                                           &cbThousandSeparator})
        widget->hide();
}

void TRepPropForm::FormShow() {
    guarded([this] {
        seDecL.setValue(ReadSetting(kDecL));
        seDecKg.setValue(ReadSetting(kDecKg));
        seDecL2.setValue(ReadSetting(kDecL2));
        seDecKg2.setValue(ReadSetting(kDecKg2));
        (ReadSetting(kRepSmType) != 0 ? RadioButton2 : RadioButton1).setChecked(true);
        chbAllowExport.setChecked(ReadSetting(kAllowExportReports));
        rgSiloReportSortField.setItemIndex(ReadSetting(kSiloReportSortField));
        RoundCB.setChecked(!ReadSetting(kRoundRVal));
        if (EditsSeparators())
            ReadSeparators();
    });
}

void TRepPropForm::ReadSeparators() {
    for (const auto& [box, key] : std::initializer_list<std::pair<QComboBox*, std::string_view>>{
             {&cbDecimalSeparator, kDecimalSeparatorKey},
             {&cbThousandSeparator, kThousandSeparatorKey}}) {
        {
            // The check runs once below, also when the text is the one the box held already.
            const QSignalBlocker quiet(box);
            box->setEditText(
                QString::fromStdString(platform::cp1251ToUtf8(std::string(1, ReadSeparator(key)))));
        }
        CheckSeparator(*box);
    }
}

void TRepPropForm::cbSeparatorChange(QComboBox* box) {
    guarded([box] { CheckSeparator(*box); });
}

void TRepPropForm::BitBtn1Click() {
    done(kModalResultOk);
}

void TRepPropForm::Save() const {
    // The separators are taken first, so that one that cannot be saved leaves every option as
    // it was.
    std::optional<std::pair<char, char>> separators;
    if (EditsSeparators())
        separators.emplace(typedSeparator(cbDecimalSeparator), typedSeparator(cbThousandSeparator));
    WriteSetting(kDecL, seDecL.value());
    WriteSetting(kDecKg, seDecKg.value());
    WriteSetting(kDecL2, seDecL2.value());
    WriteSetting(kDecKg2, seDecKg2.value());
    WriteSetting(kRepSmType, RadioButton1.isChecked() ? 0 : 1);
    WriteSetting(kAllowExportReports, chbAllowExport.isChecked());
    WriteSetting(kSiloReportSortField, rgSiloReportSortField.itemIndex());
    WriteSetting(kRoundRVal, !RoundCB.isChecked());
    if (separators) {
        WriteSeparator(kDecimalSeparatorKey, separators->first);
        WriteSeparator(kThousandSeparatorKey, separators->second);
    }
}

void TRepPropForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TRepPropForm::done(int result) {
    if (result == kModalResultOk) {
        try {
            Save();
        } catch (const std::exception& error) {
            ui::showException(error);
            return;
        }
    }
    try {
        FormPlacement1.save(*this);
    } catch (const std::exception&) {
        // Where the form stood is no concern of the operator's; the next close tries again.
    }
    QDialog::done(result);
}

void ShowRepPropForm(int userLevel) {
    TRepPropForm form(userLevel);
    form.exec();
}

}  // namespace kvt::settings
