#include "dialogs/SmenaListForm.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>

#include "dialogs/CardScanner.h"
#include "infra/tools.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::dialogs {

namespace {

constexpr int kPanel3Height = 64;
constexpr int kPanel1Height = 39;
constexpr int kSearchDelayMs = 1000;
constexpr int kBringToFrontDelayMs = 500;
constexpr int kTrkButtonWidth = 44;
constexpr int kTrkButtonHeight = 22;
constexpr int kTrkButtonMargin = 10;
// A new pump button goes on a new row when the panel has less than this beyond its left edge.
constexpr int kTrkRowRoom = 98;
constexpr std::int32_t kHostCurrentShift = 12;
const QColor kGapColour(255, 0, 0);  // Windows colour value 255

const char* const kCardHint =
    "В качестве символов подстановки используйте звездочку { * }\r\n(она может заменить "
    "последовательность из нескольких символов)\r\nи символ подчеркивания { _ } (он может "
    "заменить любой символ)";

std::unique_ptr<TSmenaListFrm>& instance() {
    static std::unique_ptr<TSmenaListFrm> form;
    return form;
}

TSmenaListFrm::PropertiesForm& propertiesForm() {
    static TSmenaListFrm::PropertiesForm form;
    return form;
}

// Closes the dataset when the pump buttons are made, also when making them fails.
class OpenedDataSet {
public:
    explicit OpenedDataSet(data::ClientDataSet& dataSet) : dataSet_(dataSet) { dataSet_.Open(); }
    ~OpenedDataSet() { dataSet_.Close(); }
    OpenedDataSet(const OpenedDataSet&) = delete;
    OpenedDataSet& operator=(const OpenedDataSet&) = delete;

private:
    data::ClientDataSet& dataSet_;
};

}  // namespace

TSmenaListFrm::TSmenaListFrm(data::TDBFrm& dbFrm)
    : CurSmena(this),
      actFocusSimpleText(this),
      tmBringToFront(this),
      tmSearchTimer(this),
      FormPlacement1(std::string(settings::kPlacementKey), "TSmenaListFrm"),
      dbFrm_(dbFrm),
      cloneCursor_("SmenaListClone") {
    setObjectName("SmenaListFrm");
    setWindowTitle("Выберите смену");
    buildLayout();
    connectHandlers();
    DBGrid1.SetDataSource(&dbFrm_.SmLogSource);
    FormPlacement1.restore(*this);
    ScannerFormKind(PropKind_);
}

TSmenaListFrm::~TSmenaListFrm() {
    ScannerFormKind(-1);
    DBGrid1.SetOnDrawColumnCell(nullptr);
}

void TSmenaListFrm::buildLayout() {
    resize(640, 440);
    Panel2.setObjectName("Panel2");
    DBGrid1.setObjectName("DBGrid1");
    Panel3.setObjectName("Panel3");
    Panel1.setObjectName("Panel1");
    PropBtn.setObjectName("PropBtn");
    CurBtn.setObjectName("CurBtn");
    BitBtn1.setObjectName("BitBtn1");
    BitBtn2.setObjectName("BitBtn2");
    lbAuto.setObjectName("lbAuto");
    cbAuto.setObjectName("cbAuto");
    lbCardNum.setObjectName("lbCardNum");
    edSimpleText.setObjectName("edSimpleText");
    CurSmena.setObjectName("CurSmena");
    actFocusSimpleText.setObjectName("actFocusSimpleText");
    tmBringToFront.setObjectName("tmBringToFront");
    tmSearchTimer.setObjectName("tmSearchTimer");

    DBGrid1.SetOptions({ui::GridOption::Titles, ui::GridOption::Indicator,
                        ui::GridOption::ColumnResize, ui::GridOption::ColLines,
                        ui::GridOption::RowLines, ui::GridOption::Tabs, ui::GridOption::RowSelect,
                        ui::GridOption::ConfirmDelete, ui::GridOption::CancelOnExit});
    Panel3.setFixedHeight(kPanel3Height);
    Panel3.hide();
    Panel1.setFixedHeight(kPanel1Height);
    Panel1.setFrameStyle(QFrame::Panel | QFrame::Sunken);

    PropBtn.setText("Свойства");
    PropBtn.hide();
    CurBtn.setText("Текущая (F4)");
    CurBtn.hide();
    BitBtn1.setText("Выбор");
    BitBtn1.setDefault(true);
    BitBtn2.setText("Отмена");
    lbAuto.setText("Авто:");
    lbAuto.hide();
    cbAuto.hide();
    lbCardNum.setText("Номер карты (Ctrl + W):");
    lbCardNum.hide();
    edSimpleText.setMaxLength(255);
    edSimpleText.setToolTip(kCardHint);
    edSimpleText.hide();

    auto* panel2Layout = new QVBoxLayout(&Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    panel2Layout->setSpacing(0);
    panel2Layout->addWidget(&Panel3);
    panel2Layout->addWidget(&DBGrid1, 1);

    auto* buttons = new QHBoxLayout(&Panel1);
    buttons->setContentsMargins(6, 4, 6, 4);
    for (QWidget* widget :
         {static_cast<QWidget*>(&lbAuto), static_cast<QWidget*>(&cbAuto),
          static_cast<QWidget*>(&lbCardNum), static_cast<QWidget*>(&edSimpleText)})
        buttons->addWidget(widget);
    buttons->addStretch(1);
    for (QPushButton* button : {&PropBtn, &CurBtn, &BitBtn1, &BitBtn2})
        buttons->addWidget(button);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(&Panel2, 1);
    form->addWidget(&Panel1);

    CurSmena.setShortcut(QKeySequence(Qt::Key_F4));
    actFocusSimpleText.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    addAction(&CurSmena);
    addAction(&actFocusSimpleText);
    tmBringToFront.setInterval(kBringToFrontDelayMs);
    tmSearchTimer.setInterval(kSearchDelayMs);
}

void TSmenaListFrm::connectHandlers() {
    connect(&BitBtn1, &QPushButton::clicked, this, [this] { done(kResultChosen); });
    connect(&BitBtn2, &QPushButton::clicked, this, [this] { done(kResultCancel); });
    connect(&CurBtn, &QPushButton::clicked, this, [this] { done(kResultCurrentShift); });
    connect(&PropBtn, &QPushButton::clicked, this, &TSmenaListFrm::PropBtnClick);
    connect(&CurSmena, &QAction::triggered, this, &TSmenaListFrm::CurSmenaExecute);
    connect(&actFocusSimpleText, &QAction::triggered, this,
            &TSmenaListFrm::actFocusSimpleTextExecute);
    connect(&tmBringToFront, &QTimer::timeout, this, &TSmenaListFrm::tmBringToFrontTimer);
    connect(&tmSearchTimer, &QTimer::timeout, this, &TSmenaListFrm::tmSearchTimerTimer);
    connect(&DBGrid1, &ui::TDBGrid::DblClick, this, &TSmenaListFrm::DBGrid1DblClick);
    connect(&DBGrid1, &ui::TDBGrid::KeyPress, this, &TSmenaListFrm::DBGrid1KeyPress);
    connect(&cbAuto, &QComboBox::currentIndexChanged, this, &TSmenaListFrm::cbAutoChange);
}

void TSmenaListFrm::SetPropKind(int kind) {
    PropKind_ = kind;
    PropBtn.show();
    ScannerFormKind(kind);
}

void TSmenaListFrm::SetPropertiesForm(PropertiesForm form) {
    propertiesForm() = std::move(form);
}

int TSmenaListFrm::showModal() {
    return exec();
}

std::optional<SmenaChoice> TSmenaListFrm::SelectSmena(data::DataSource& dataSource,
                                                      data::ClientDataSet& dataSet) {
    DBGrid1.SetDataSource(&dataSource);
    DBGrid1.SetOptions(DBGrid1.Options().with(ui::GridOption::MultiSelect));
    // The painter's state goes with the showing, however the showing ends.
    struct Showing {
        TSmenaListFrm& form;
        ~Showing() {
            form.DBGrid1.SetOnDrawColumnCell(nullptr);
            form.successorOf_.clear();
            form.cloneCursor_.Close();
        }
    } showing{*this};
    if (data::ClientDataSet* shown = dataSource.DataSet(); shown && shown->Active()) {
        cloneCursor_.CloneCursor(*shown, true);
        learnSuccessors();
    }
    DBGrid1.SetOnDrawColumnCell([this](ui::GridCell& cell) { colourGap(cell); });

    const int result = showModal();
    if (result == kResultCurrentShift) {
        if (!dbFrm_.HostValue)
            throw std::logic_error(
                "Список смен не может узнать текущую смену: функция GetHostValue не установлена");
        const std::int32_t current = dbFrm_.HostValue(kHostCurrentShift).toInt();
        return SmenaChoice{current, current, 0, 0};
    }
    if (result != kResultChosen)
        return std::nullopt;
    return chosenShifts(dataSet);
}

// The record after each shift number's first record, in the stored order: a painted cell then
// needs one lookup instead of a search through the list.
void TSmenaListFrm::learnSuccessors() {
    successorOf_.clear();
    const data::Field* smNum = cloneCursor_.FindField("SmNum");
    if (!smNum)
        return;
    const int count = cloneCursor_.RecordCount();
    for (int recNo = 1; recNo < count; ++recNo) {
        const Variant value = cloneCursor_.FieldValueAt(recNo, *smNum);
        const Variant next = cloneCursor_.FieldValueAt(recNo + 1, *smNum);
        if (value.isNull() || value.isEmpty() || next.isNull() || next.isEmpty())
            continue;
        successorOf_.try_emplace(value.toInt(), next.toInt());
    }
}

bool TSmenaListFrm::gapAfter(std::int32_t smNum) const {
    const auto found = successorOf_.find(smNum);
    return found != successorOf_.end() &&
           std::abs(static_cast<std::int64_t>(found->second) - smNum) > 1;
}

void TSmenaListFrm::colourGap(ui::GridCell& cell) const {
    if (cell.dataCol != 0)
        return;
    try {
        const data::ClientDataSet* shown = DBGrid1.DataSet();
        const Variant value = shown->FieldValueAt(cell.recNo, cell.field);
        if (!value.isNull() && !value.isEmpty() && gapAfter(value.toInt()))
            cell.brush = kGapColour;
    } catch (const std::exception&) {
        // A cell whose value is not a number is drawn as it is.
    }
}

SmenaChoice TSmenaListFrm::chosenShifts(data::ClientDataSet& dataSet) {
    const auto read = [&dataSet] {
        return SmenaChoice{dataSet.FieldByName("SmNum").AsInteger(), 0,
                           dataSet.FieldByName("BegTime").AsDateTime(),
                           dataSet.FieldByName("EndTime").AsDateTime()};
    };
    const std::vector<data::Bookmark> marked = DBGrid1.SelectedRows();
    if (marked.size() <= 1) {
        SmenaChoice choice = read();
        choice.LastSm = choice.FirstSm;
        return choice;
    }
    dataSet.GotoBookmark(marked.front());
    const SmenaChoice first = read();
    dataSet.GotoBookmark(marked.back());
    const SmenaChoice last = read();
    const auto [earliest, latest] =
        std::minmax({first.BegTime, first.EndTime, last.EndTime, last.BegTime});
    return SmenaChoice{std::min(first.FirstSm, last.FirstSm), std::max(first.FirstSm, last.FirstSm),
                       earliest, latest};
}

std::optional<OpRange> TSmenaListFrm::SelectOpRange(data::DataSource& dataSource) {
    std::optional<OpRange> range;
    try {
        data::ClientDataSet* dataSet = dataSource.DataSet();
        if (!dataSet || !dataSet->FindField("OpNum"))
            return std::nullopt;
        DBGrid1.SetDataSource(&dataSource);
        DBGrid1.SetOptions(DBGrid1.Options().with(ui::GridOption::MultiSelect));
        if (showModal() != kResultChosen)
            return std::nullopt;
        const data::Field& opNum = dataSet->FieldByName("OpNum");
        const std::vector<data::Bookmark> marked = DBGrid1.SelectedRows();
        if (marked.size() <= 1) {
            range = OpRange{opNum.AsInteger(), opNum.AsInteger()};
        } else {
            dataSet->GotoBookmark(marked.front());
            const std::int32_t a = opNum.AsInteger();
            dataSet->GotoBookmark(marked.back());
            const std::int32_t b = opNum.AsInteger();
            range = OpRange{std::min(a, b), std::max(a, b)};
        }
    } catch (const std::exception&) {
        // The operations are read after the choice: what was decided before the error stands.
    }
    return range;
}

void TSmenaListFrm::ShowTrkButtons() {
    Panel3.show();
    SelectedTrk_ = QStringLiteral("0");
    // The panel's width decides the wrapping, also before the form is first shown, when the
    // layouts have not placed anything yet.
    layout()->setGeometry(rect());
    Panel2.layout()->setGeometry(Panel2.contentsRect());
    data::ClientDataSet& pumps = dbFrm_.cdsTrkList;
    const OpenedDataSet opened(pumps);
    int x = kTrkButtonMargin;
    int y = kTrkButtonMargin;
    for (pumps.First(); !pumps.Eof(); pumps.Next()) {
        auto* button = new QPushButton(pumps.FieldByName("Trk").AsString().c_str(), &Panel3);
        button->setObjectName(QStringLiteral("TrkBtn") + button->text());
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setGeometry(x, y, kTrkButtonWidth, kTrkButtonHeight);
        button->show();
        if (Panel3.width() < x + kTrkRowRoom) {
            y += kTrkButtonHeight;
            x = kTrkButtonMargin;
        } else {
            x += kTrkButtonWidth;
        }
        connect(button, &QPushButton::clicked, this, &TSmenaListFrm::OnTrkBtn);
        if (SelectedTrk_ == QStringLiteral("0")) {
            button->setChecked(true);
            SelectedTrk_ = button->text();
        }
    }
}

void TSmenaListFrm::OnTrkBtn() {
    const auto* button = qobject_cast<const QPushButton*>(sender());
    if (button && button->isChecked())
        SelectedTrk_ = button->text();
}

void TSmenaListFrm::DBGrid1DblClick() {
    const data::ClientDataSet* dataSet = DBGrid1.DataSet();
    if (dataSet && dataSet->Active() && dataSet->RecNo() > 0)
        done(kResultChosen);
}

void TSmenaListFrm::DBGrid1KeyPress(const QString& text) {
    tmSearchTimer.stop();
    tmSearchTimer.start();
    SearchText_ += text;
}

void TSmenaListFrm::tmSearchTimerTimer() {
    tmSearchTimer.stop();
    try {
        if (data::ClientDataSet* dataSet = DBGrid1.DataSet())
            dataSet->Locate("SmNum", Variant(SearchText_.toStdString()), {.partialKey = true});
    } catch (const std::exception&) {
        // A text that matches nothing, or a list without shift numbers: the row stays.
    }
    SearchText_.clear();
}

void TSmenaListFrm::CurSmenaExecute() {
    if (!CurBtn.isHidden() && CurBtn.isEnabled())
        done(kResultCurrentShift);
}

void TSmenaListFrm::actFocusSimpleTextExecute() {
    if (!edSimpleText.isHidden())
        edSimpleText.setFocus();
}

void TSmenaListFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    DBGrid1.setFocus();
    tmBringToFront.start();
}

void TSmenaListFrm::tmBringToFrontTimer() {
    tmBringToFront.stop();
    raise();
    activateWindow();
}

void TSmenaListFrm::done(int result) {
    FormPlacement1.save(*this);
    // Digits typed just before the form closed must not prefix the next showing's search.
    tmSearchTimer.stop();
    SearchText_.clear();
    QDialog::done(result);
}

void TSmenaListFrm::reject() {
    done(kResultCancel);
}

void TSmenaListFrm::PropBtnClick() {
    if (PropKind_ < 0 || !propertiesForm())
        return;
    try {
        propertiesForm()(PropKind_);
    } catch (const std::exception&) {
        // The settings form reports its own errors; the pick goes on.
    }
}

void TSmenaListFrm::cbAutoChange() {
    try {
        if (data::ClientDataSet* dataSet = DBGrid1.DataSet())
            dataSet->SetFilter(VehicleFilter(windowTitle(), cbAuto.currentText()));
    } catch (const std::exception&) {
        // The list stays as it was filtered before.
    }
}

void TSmenaListFrm::WMScanCode() {
    if (PropKind_ == kCardReportKind)
        edSimpleText.setText(QString::fromStdString(ScanText()));
}

std::string VehicleFilter(const QString& caption, const QString& vehicle) {
    std::string filter =
        caption == QStringLiteral("Выберите привоз ГСМ") ? "Prihod = True" : "Prihod = False";
    if (vehicle != QStringLiteral("Все"))
        filter += " and CarName = " + QuotedStr(vehicle.toStdString());
    return filter;
}

TSmenaListFrm& SmenaListFrm(data::TDBFrm& dbFrm) {
    if (!instance())
        instance() = std::make_unique<TSmenaListFrm>(dbFrm);
    return *instance();
}

TSmenaListFrm* CurrentSmenaListFrm() {
    return instance().get();
}

void FreeSmenaListFrm() {
    instance().reset();
}

}  // namespace kvt::dialogs
