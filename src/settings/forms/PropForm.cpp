#include "settings/forms/PropForm.h"

#include <QApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <regex>
#include <set>
#include <stdexcept>
#include <utility>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "platform/PathMap.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "settings/PayTypeFlags.h"
#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"
#include "settings/TemplatePath.h"
#include "ui/Desktop.h"

namespace kvt::settings {

namespace {

using platform::Registry;
using platform::RootKey;

constexpr int kRowStep = 25;     // rows of the shift report, and one step of a drag
constexpr int kRowTopBase = 20;  // the top of the row at order k is k * kRowStep + kRowTopBase
constexpr int kControlHeight = 21;
constexpr int kBoxLeft = 20;
constexpr int kRowBoxWidth = 250;
constexpr int kEditLeft = 270;
constexpr int kEditWidth = 200;
constexpr int kButtonLeft = 475;
constexpr int kButtonWidth = 20;
constexpr int kPayBoxWidth = 200;
constexpr int kPayBoxGap = 10;
constexpr int kFirstPayBoxTop = 20;
constexpr int kPanelHeight = 38;
constexpr int kPanelButtonWidth = 75;
constexpr int kFooterLineGap = 4;
constexpr int kBevelLeft = 12;
constexpr int kNullBoxWidth = 150;

struct FormGeometry {
    int width;
    int bevelWidth;
    int okLeft;
    int cancelLeft;
};
constexpr FormGeometry kPayTypeGeometry{330, 301, 65, 193};
constexpr FormGeometry kShiftReportGeometry{516, 487, 249, 377};

constexpr const char* kRowBoxHint =
    "Для изменения порядка следования отчетов перетащите флажок, удерживая правую кнопку мыши";
constexpr const char* kOldFormatFilter = "Форма отчета (*.frm);;Все файлы (*.*)";
// The name filter of the dialog reads its patterns between blanks, so the two patterns of the
// new format stand without the comma between them.
constexpr const char* kNewFormatFilter = "Форма отчета (*.html *.htm);;Все файлы (*.*)";
constexpr const char* kNetworkFolderMessage =
    "Нельзя указывать для шаблона отчета сетевой каталог! Допустимо указывать только "
    "подключенный к данному компьютеру сетевой диск S, если вы вы находитесь на месте Клиента "
    "или Менеджера";

// Groups whose parts are made by another module of the station and take no template here.
bool takesTemplate(int group) {
    return group != 8 && group != 9 && group != 11;
}

// The report family's key, the payment-type code ticked when the key is new, and the kinds of
// payment (code mod 100) it offers; none: every payment type.
struct PayTypeFamily {
    std::string_view key;
    std::int32_t seedCode;
    std::vector<std::int32_t> offered;
};

std::optional<PayTypeFamily> payTypeFamily(int kind) {
    switch (kind) {
        case PropKind::Returns:
            return PayTypeFamily{kBackRepKey, kBackRepSeedCode, {}};
        case PropKind::Bonus:
            return PayTypeFamily{kBonusRepKey, kBonusRepSeedCode, {}};
        case PropKind::Cards:
            return PayTypeFamily{kCardRepKey, kCardRepSeedCode, {1, 6, 7, 10, 12}};
        case PropKind::Statements:
            return PayTypeFamily{kVedomRepKey, kVedomRepSeedCode, {4}};
        case PropKind::Contracts:
            return PayTypeFamily{kDogovorRepKey, kDogovorRepSeedCode, {8}};
        case PropKind::Coupons:
            return PayTypeFamily{kTalonRepKey, kTalonRepSeedCode, {9}};
        default:
            return std::nullopt;
    }
}

bool offers(const PayTypeFamily& family, std::int32_t code) {
    return family.offered.empty() || std::find(family.offered.begin(), family.offered.end(),
                                               code % 100) != family.offered.end();
}

bool configFileExists() {
    std::error_code error;
    return std::filesystem::is_regular_file(platform::PathMap::resolve(ConfigFileName()), error);
}

QString text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string defaultPath(int group, bool newFormat) {
    const ShiftReportGroup& defaults = kShiftReportGroups[static_cast<std::size_t>(group)];
    return std::string(newFormat ? defaults.defaultWebRepPath : defaults.defaultRepPath);
}

// A row as it stands in "SmenaRep": its group, its index there and its stored position.
struct StoredRow {
    int group;
    int row;
    std::int32_t value;
};

// Positions 1, 2, ... in the order of the stored ones. The rows are placed and dragged by their
// position, so a position given twice, 0 or far beyond the row count (a file edited by hand)
// would lay rows over each other or out of reach; a well-kept section keeps its positions.
std::vector<int> orderRanks(const std::vector<StoredRow>& rows) {
    std::vector<std::size_t> byPosition(rows.size());
    std::iota(byPosition.begin(), byPosition.end(), std::size_t{0});
    const auto position = [&](std::size_t i) {
        return std::abs(static_cast<long long>(rows[i].value));
    };
    std::stable_sort(byPosition.begin(), byPosition.end(),
                     [&](std::size_t a, std::size_t b) { return position(a) < position(b); });
    std::vector<int> ranks(rows.size());
    for (std::size_t rank = 0; rank < byPosition.size(); ++rank)
        ranks[byPosition[rank]] = static_cast<int>(rank) + 1;
    return ranks;
}

// "Rep", "RepPath" or "WebRepPath" followed by group "_" row: the keys a saving rewrites.
bool isRowKey(const std::string& key) {
    static const std::regex rowKey("(Rep|RepPath|WebRepPath)[0-9]+_[0-9]+", std::regex::icase);
    return std::regex_match(key, rowKey);
}

}  // namespace

TPropFrm::TPropFrm(PropFrmContext context)
    : QDialog(ui::hostWindow()),
      FormPlacement2(std::string(kPlacementKey), "TPropFrm"),
      context_(std::move(context)) {
    setObjectName("PropFrm");
    setWindowTitle("Свойства отчета");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildFixedControls();
    connectHandlers();
    UpdateFormSize();
}

TPropFrm::~TPropFrm() = default;

void TPropFrm::buildFixedControls() {
    const std::pair<QObject*, const char*> names[] = {
        {&Panel1, "Panel1"},
        {&lbHelp, "lbHelp"},
        {&BitBtn1, "BitBtn1"},
        {&BitBtn2, "BitBtn2"},
        {&GroupBox, "GroupBox"},
        {&Bevel1, "Bevel1"},
        {&NullCheckBox, "NullCheckBox"},
        {&Label1, "Label1"},
        {&OneTableCheckBox, "OneTableCheckBox"},
        {&GroupTRKCheckBox, "GroupTRKCheckBox"},
        {&RoundCB, "RoundCB"},
        {&rbtNew, "rbtNew"},
        {&rbtOld, "rbtOld"},
        {&chbShowGSMItog, "chbShowGSMItog"},
        {&chbShowSubVidoplItog, "chbShowSubVidoplItog"},
        {&acAdd, "acAdd"},
        {&acDel, "acDel"},
        {&OpenDialog1, "OpenDialog1"},
    };
    for (const auto& [object, name] : names)
        object->setObjectName(name);

    // Everything stands where it is put: the rows are placed and dragged by their tops.
    for (QWidget* widget : std::initializer_list<QWidget*>{
             &GroupBox, &Bevel1, &NullCheckBox, &Label1, &OneTableCheckBox, &GroupTRKCheckBox,
             &RoundCB, &rbtNew, &rbtOld, &chbShowGSMItog, &chbShowSubVidoplItog, &lbHelp, &Panel1})
        widget->setParent(this);
    BitBtn1.setParent(&Panel1);
    BitBtn2.setParent(&Panel1);

    GroupBox.setTitle("Виды оплаты");
    GroupBox.lower();
    Bevel1.setFrameShape(QFrame::HLine);
    Bevel1.setFrameShadow(QFrame::Sunken);
    NullCheckBox.setText("Выводить виды оплаты, ");
    Label1.setText("по которым не было возвратных чеков");
    Label1.setBuddy(&NullCheckBox);
    OneTableCheckBox.setText("Сводная таблица");
    GroupTRKCheckBox.setText("Группировка по № ТРК");
    RoundCB.setText("Округлять до целых (для резервуаров)");
    rbtNew.setText("Новый формат");
    rbtNew.setToolTip("Отчет в виде Web-страницы");
    rbtOld.setText("Старый формат");
    rbtOld.setToolTip("Отчет в текстовом формате");
    rbtOld.setChecked(true);
    chbShowGSMItog.setText("Рассчитывать итоги по ГСМ");
    chbShowSubVidoplItog.setText("Рассчитывать итоги по подвидам оплаты");
    lbHelp.setText("Ctrl+C - копирование\r\nCtrl+X - удаление");
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             &lbHelp, &OneTableCheckBox, &GroupTRKCheckBox, &chbShowGSMItog, &chbShowSubVidoplItog})
        hidden->hide();

    BitBtn1.setText("Применить");
    BitBtn1.setDefault(true);
    BitBtn2.setText("Отмена");

    acAdd.setText("Добавление флажка");
    acAdd.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    acDel.setText("Удаление флажка");
    acDel.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    addAction(&acAdd);
    addAction(&acDel);

    OpenDialog1.setWindowTitle("Выберите форму отчета");
    OpenDialog1.setDefaultSuffix("frm");
    OpenDialog1.setNameFilter(kOldFormatFilter);
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
    // Non-native, so that it looks the same everywhere and scripts can fill it in.
    OpenDialog1.setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1.setSizeGripEnabled(true);
}

void TPropFrm::connectHandlers() {
    connect(&BitBtn1, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(&BitBtn2, &QPushButton::clicked, this, &TPropFrm::reject);
    connect(&rbtNew, &QRadioButton::toggled, this, &TPropFrm::rbtNewClick);
    connect(&acAdd, &QAction::triggered, this, &TPropFrm::acAddExecute);
    connect(&acDel, &QAction::triggered, this, &TPropFrm::acDelExecute);
}

// --- Loading --------------------------------------------------------------------------------

void TPropFrm::LoadSettings(int kind) {
    Kind_ = kind;
    RoundCB.hide();
    try {
        if (kind == PropKind::ShiftReport)
            LoadShiftReportKind();
        else
            LoadPayTypeKind(kind);
    } catch (const std::exception&) {
        // A setting that cannot be read (a value of another type, a damaged file) leaves the
        // form with what was built so far.
    }
    UpdateFormSize();
}

void TPropFrm::ShowPayTypeLayout() {
    GroupBox.setTitle("Виды оплаты");
    for (QWidget* hidden : std::initializer_list<QWidget*>{&lbHelp, &rbtNew, &rbtOld})
        hidden->hide();
}

void TPropFrm::LoadPayTypeKind(int kind) {
    const std::optional<PayTypeFamily> family = payTypeFamily(kind);
    if (!family)
        return;
    const bool withOptions = kind == PropKind::Returns || kind == PropKind::Bonus;
    if (!withOptions) {
        for (QWidget* hidden : std::initializer_list<QWidget*>{&NullCheckBox, &Bevel1, &Label1})
            hidden->hide();
        ShowPayTypeLayout();
    }
    Registry registry(RootKey::LocalMachine);
    if (!OpenPayTypeKey(registry, family->key, family->seedCode))
        return;
    if (kind == PropKind::Returns) {
        OneTableCheckBox.show();
        GroupTRKCheckBox.show();
        OneTableCheckBox.setChecked(false);
        GroupTRKCheckBox.setChecked(false);
        chbShowGSMItog.hide();
        chbShowSubVidoplItog.hide();
        const std::int32_t options = registry.valueExists(kRepPropValue)
                                         ? registry.readInteger(kRepPropValue) & kRepPropMask
                                         : 0;
        OneTableCheckBox.setChecked((options & kRepPropSummaryTable) != 0);
        GroupTRKCheckBox.setChecked((options & kRepPropGroupByPump) != 0);
        Label1.setText("по которым не было возвратных чеков");
    } else if (kind == PropKind::Bonus) {
        Label1.setText("по которым не было оплаты");
        chbShowGSMItog.show();
        chbShowSubVidoplItog.show();
        chbShowGSMItog.setChecked(true);
        chbShowSubVidoplItog.setChecked(true);
        if (registry.valueExists(kShowGSMItogValue))
            chbShowGSMItog.setChecked(registry.readBool(kShowGSMItogValue));
        if (registry.valueExists(kShowSubVidoplItogValue))
            chbShowSubVidoplItog.setChecked(registry.readBool(kShowSubVidoplItogValue));
    }
    if (withOptions)
        ShowPayTypeLayout();
    payBoxesBottom_ = kFirstPayBoxTop;
    PayBoxes.clear();
    for (std::size_t i = 0; i < context_.payTypes.size(); ++i) {
        const PropFrmContext::PayType& type = context_.payTypes[i];
        PayBox& entry = PayBoxes.emplace_back(PayBox{.code = type.code, .box = nullptr});
        if (!offers(*family, type.code))
            continue;
        entry.box = std::make_unique<QCheckBox>(text(type.caption), this);
        entry.box->setObjectName("CB" + QString::number(i));
        const int height = entry.box->sizeHint().height();
        entry.box->setGeometry(kBoxLeft, payBoxesBottom_, kPayBoxWidth, height);
        entry.box->setChecked(ReadFlag(registry, PayTypeValueName(type.code)).value_or(false));
        entry.box->show();
        payBoxesBottom_ += height + kPayBoxGap;
    }
    if (withOptions)
        NullCheckBox.setChecked(ReadFlag(registry, kNullStrValue).value_or(false));
}

void TPropFrm::LoadShiftReportKind() {
    if (!configFileExists())
        return;
    RoundCB.show();
    GroupBox.setTitle("Сменные отчеты");
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             &NullCheckBox, &GroupTRKCheckBox, &chbShowGSMItog, &chbShowSubVidoplItog, &Label1})
        hidden->hide();
    rbtNew.show();
    rbtOld.show();
    lbHelp.setVisible(context_.reportSettingsRight);

    Loaded = false;
    TSafeIniFile file(ConfigFileName());
    const std::string section(kSmenaRepSection);
    const bool webRep = file.ReadBool(section, std::string(kWebRep.key), kWebRep.defaultValue);
    RowCount_ = 0;
    NameCounter = 0;
    std::vector<StoredRow> stored;
    for (int g = 0; g < static_cast<int>(Groups.size()); ++g)
        for (int r = 0; file.ValueExists(section, ShiftRowKey(g, r)); ++r)
            stored.push_back({g, r, file.ReadInteger(section, ShiftRowKey(g, r), 0)});
    const std::vector<int> ranks = orderRanks(stored);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto [g, r, value] = stored[i];
        ++RowCount_;
        ++NameCounter;
        const std::string webPath =
            file.ReadString(section, ShiftRowWebPathKey(g, r), defaultPath(g, true));
        const std::string path =
            file.ReadString(section, ShiftRowPathKey(g, r), defaultPath(g, false));
        Row row = MakeRow(g, r, text(webRep ? webPath : path), value >= 1, ranks[i]);
        row.WebRepPath = webPath;
        row.RepPath = path;
        Groups[static_cast<std::size_t>(g)].push_back(std::move(row));
    }
    RoundCB.setChecked(
        !file.ReadBool(section, std::string(kRoundRVal.key), kRoundRVal.defaultValue));
    (webRep ? rbtNew : rbtOld).setChecked(true);
    Loaded = true;
}

TPropFrm::Row TPropFrm::MakeRow(int group, int row, const QString& templateText, bool ticked,
                                int order) {
    const QString suffix =
        QString::number(group) + "_" + QString::number(row) + "_" + QString::number(NameCounter);
    const bool editable = RowsEditable();
    Row made;
    made.box.reset(
        new QCheckBox(text(kShiftReportGroups[static_cast<std::size_t>(group)].caption), this));
    made.box->setObjectName("CB" + suffix);
    made.box->setToolTip(kRowBoxHint);
    made.box->setChecked(ticked);
    made.box->installEventFilter(this);
    made.edit.reset(new QLineEdit(templateText, this));
    made.edit->setObjectName("Edit" + suffix);
    made.edit->setToolTip("Печатная форма");
    made.edit->setEnabled(editable);
    made.button.reset(new QPushButton("...", this));
    made.button->setObjectName("Btn" + suffix);
    made.button->setToolTip("Выбор печатной формы");
    made.button->setEnabled(editable);
    connect(made.button.get(), &QPushButton::clicked, this, &TPropFrm::BtnClick);
    PlaceRow(made, order);
    for (QWidget* control :
         std::initializer_list<QWidget*>{made.box.get(), made.edit.get(), made.button.get()})
        control->show();
    return made;
}

void TPropFrm::PlaceRow(Row& row, int order) {
    row.Order = order;
    const int top = order * kRowStep + kRowTopBase;
    row.box->setGeometry(kBoxLeft, top, kRowBoxWidth, kControlHeight);
    row.edit->setGeometry(kEditLeft, top, kEditWidth, kControlHeight);
    row.button->setGeometry(kButtonLeft, top, kButtonWidth, kControlHeight);
}

bool TPropFrm::RowsEditable() const {
    return context_.reportSettingsRight;
}

std::string& TPropFrm::ShownPath(Row& row) const {
    return NewFormat() ? row.WebRepPath : row.RepPath;
}

// --- Layout ---------------------------------------------------------------------------------

// The fixed controls below the boxes or rows, one line each, in this order; the form is as high
// as what it shows.
void TPropFrm::UpdateFormSize() {
    // The format switch shows exactly when the composition's layout was set up, also when its
    // rows could not all be read.
    const FormGeometry& geometry =
        rbtNew.isVisibleTo(this) ? kShiftReportGeometry : kPayTypeGeometry;
    const bool rows = Kind_ == PropKind::ShiftReport;
    int y = rows ? (RowCount_ + 1) * kRowStep + kRowTopBase
                 : std::max(payBoxesBottom_, kFirstPayBoxTop);
    const auto line = [&](std::initializer_list<std::pair<QWidget*, int>> widgets, int height) {
        bool shown = false;
        int left = kBoxLeft;
        for (const auto& [widget, width] : widgets) {
            if (!widget->isVisibleTo(this))
                continue;
            widget->setGeometry(left, y, width, height);
            left += width;
            shown = true;
        }
        if (shown)
            y += height + kFooterLineGap;
    };
    const int wide = geometry.width - 2 * kBoxLeft;
    if (Bevel1.isVisibleTo(this)) {
        Bevel1.setGeometry(kBevelLeft, y, geometry.bevelWidth, 2);
        y += 2 + kFooterLineGap;
    }
    line({{&NullCheckBox, kNullBoxWidth}, {&Label1, wide - kNullBoxWidth}}, kControlHeight);
    for (QWidget* option :
         std::initializer_list<QWidget*>{&OneTableCheckBox, &GroupTRKCheckBox, &chbShowGSMItog,
                                         &chbShowSubVidoplItog, &RoundCB})
        line({{option, wide}}, kControlHeight);
    line({{&rbtNew, wide / 2}, {&rbtOld, wide / 2}}, kControlHeight);
    line({{&lbHelp, wide}}, 2 * kControlHeight);

    const int height = y + kFooterLineGap + kPanelHeight;
    setFixedSize(geometry.width, height);
    GroupBox.setGeometry(4, 0, geometry.width - 8, height - kPanelHeight);
    Panel1.setGeometry(0, height - kPanelHeight, geometry.width, kPanelHeight);
    BitBtn1.setGeometry(geometry.okLeft, 6, kPanelButtonWidth, 25);
    BitBtn2.setGeometry(geometry.cancelLeft, 6, kPanelButtonWidth, 25);
}

// --- Rows -----------------------------------------------------------------------------------

std::optional<TPropFrm::RowIndex> TPropFrm::GetIndexes(const QObject* control, int order) const {
    for (int g = 0; g < static_cast<int>(Groups.size()); ++g) {
        const Group& group = Groups[static_cast<std::size_t>(g)];
        for (int r = 0; r < static_cast<int>(group.size()); ++r) {
            const Row& row = group[static_cast<std::size_t>(r)];
            const bool match = control == nullptr
                                   ? row.Order == order
                                   : control == row.box.get() || control == row.button.get();
            if (match)
                return RowIndex{.group = g, .row = r};
        }
    }
    return std::nullopt;
}

TPropFrm::Row& TPropFrm::RowAt(const RowIndex& index) {
    return Groups.at(static_cast<std::size_t>(index.group)).at(static_cast<std::size_t>(index.row));
}

TPropFrm::Row* TPropFrm::RowAtOrder(int order) {
    const auto found = GetIndexes(nullptr, order);
    return found ? &RowAt(*found) : nullptr;
}

// Ctrl+C and Ctrl+X act on the row whose check box has the focus, and only for an operator who
// may change the composition.
std::optional<TPropFrm::RowIndex> TPropFrm::EditableFocusedRow() const {
    const QWidget* focused = focusWidget();
    if (Kind_ != PropKind::ShiftReport || !RowsEditable() ||
        qobject_cast<const QCheckBox*>(focused) == nullptr)
        return std::nullopt;
    return GetIndexes(focused, 0);
}

void TPropFrm::rbtNewClick() {
    if (!Loaded)
        return;
    const bool toNew = NewFormat();
    for (Group& group : Groups)
        for (Row& row : group) {
            (toNew ? row.RepPath : row.WebRepPath) = row.edit->text().toStdString();
            row.edit->setText(text(toNew ? row.WebRepPath : row.RepPath));
        }
}

void TPropFrm::acAddExecute() {
    try {
        const auto focused = EditableFocusedRow();
        if (!focused)
            return;
        Group& group = Groups.at(static_cast<std::size_t>(focused->group));
        ++RowCount_;
        ++NameCounter;
        Row row = MakeRow(focused->group, static_cast<int>(group.size()),
                          text(defaultPath(focused->group, NewFormat())), true, RowCount_);
        row.RepPath = defaultPath(focused->group, false);
        row.WebRepPath = defaultPath(focused->group, true);
        group.push_back(std::move(row));
        UpdateFormSize();
    } catch (const std::exception&) {
        // The row is not added.
    }
}

void TPropFrm::acDelExecute() {
    try {
        const auto focused = EditableFocusedRow();
        if (focused && Groups.at(static_cast<std::size_t>(focused->group)).size() > 1)
            DeleteItem(focused->group, focused->row);
    } catch (const std::exception&) {
        // The row stays.
    }
}

void TPropFrm::DeleteItem(int group, int row) {
    Group& rows = Groups.at(static_cast<std::size_t>(group));
    const auto removed = rows.begin() + row;
    const int order = removed->Order;
    rows.erase(removed);
    const int oldCount = RowCount_--;
    for (int e = order + 1; e <= oldCount; ++e)
        if (Row* below = RowAtOrder(e))
            PlaceRow(*below, e - 1);
    Row* focus = RowAtOrder(order);
    if (focus == nullptr)
        focus = RowAtOrder(order - 1);
    if (focus != nullptr)
        focus->box->setFocus();
    UpdateFormSize();
}

void TPropFrm::BoxMouseDown(QCheckBox& box, const QMouseEvent& event) {
    DragStartY = static_cast<int>(event.position().y());
    box.setFocus();
}

void TPropFrm::BoxMouseMove(QCheckBox& box, const QMouseEvent& event) {
    const int steps = (static_cast<int>(event.position().y()) - DragStartY) / kRowStep;
    if (steps == 0)
        return;
    const int target =
        std::clamp(box.y() + steps * kRowStep, kRowTopBase, RowCount_ * kRowStep + kRowTopBase);
    const auto index = GetIndexes(&box, 0);
    if (!index)
        return;
    Row* dragged = &RowAt(*index);
    const int previousOrder = dragged->Order;
    for (Group& group : Groups)
        for (Row& other : group) {
            if (&other == dragged || other.box->y() != target)
                continue;
            const int targetOrder = other.Order;
            PlaceRow(other, previousOrder);
            PlaceRow(*dragged, targetOrder);
        }
}

bool TPropFrm::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QCheckBox*>(watched);
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove;
    if (box != nullptr && mouse) {
        const auto& pointer = static_cast<const QMouseEvent&>(*event);
        if (pointer.buttons() == Qt::RightButton) {
            if (event->type() == QEvent::MouseButtonPress)
                BoxMouseDown(*box, pointer);
            else
                BoxMouseMove(*box, pointer);
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Template choice ------------------------------------------------------------------------

void TPropFrm::BtnClick() {
    try {
        const auto found = GetIndexes(sender(), 0);
        if (found && takesTemplate(found->group))
            ChooseTemplate(RowAt(*found));
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

void TPropFrm::ChooseTemplate(Row& row) {
    const bool newFormat = NewFormat();
    const std::string_view folder = newFormat ? kNewTemplateFolder : kOldTemplateFolder;
    const std::string shown =
        WorkplaceTemplatePath(row.edit->text().toStdString(), folder, context_.userLevel);
    // Without a template yet the dialog opens in the format's own folder.
    const std::string start =
        shown.empty() ? WorkplaceTemplatePath(std::string(folder), folder, context_.userLevel)
                      : shown;
    const std::filesystem::path local = platform::PathMap::resolve(start);
    OpenDialog1.setNameFilter(newFormat ? kNewFormatFilter : kOldFormatFilter);
    OpenDialog1.setDirectory(text(shown.empty() ? local.string() : local.parent_path().string()));
    OpenDialog1.selectFile(shown.empty() ? QString() : text(local.filename().string()));
    if (OpenDialog1.exec() != QDialog::Accepted || OpenDialog1.selectedFiles().isEmpty())
        return;
    const std::filesystem::path chosen(OpenDialog1.selectedFiles().constFirst().toStdString());
    // A file on no station drive is reached over the network, as a "\\" path would be.
    const std::optional<std::string> windows = platform::PathMap::toWindows(chosen);
    const std::string q = windows ? ServerTemplatePath(*windows) : std::string();
    if (!windows || q.starts_with("\\\\"))
        throw std::runtime_error(kNetworkFolderMessage);
    const std::string held = TemplateFolderOf(q) == folder ? TemplateFileName(q) : q;
    row.edit->setText(text(held));
    ShownPath(row) = held;
}

// --- Saving ---------------------------------------------------------------------------------

void TPropFrm::reject() {
    done(2);
}

void TPropFrm::done(int result) {
    if (result == QDialog::Accepted) {
        if (Kind_ == PropKind::ShiftReport)
            try {
                SaveShiftReportKind();
            } catch (const std::exception& error) {
                // The form closes in every case; what could not be written is said.
                ui::showException(error);
            }
        else
            SavePayTypeKind();
    }
    FormPlacement2.save(*this);
    QDialog::done(result);
}

void TPropFrm::SavePayTypeKind() const {
    const std::optional<PayTypeFamily> family = payTypeFamily(Kind_);
    if (!family)
        return;
    try {
        std::vector<std::pair<std::int32_t, bool>> shown;
        for (const PayBox& entry : PayBoxes)
            if (entry.box)
                shown.emplace_back(entry.code, entry.box->isChecked());
        WritePayTypeFlags(family->key, shown);
        if (Kind_ != PropKind::Returns && Kind_ != PropKind::Bonus)
            return;
        Registry registry(RootKey::LocalMachine);
        if (!OpenReportsKey(registry, family->key))
            return;
        if (Kind_ == PropKind::Returns)
            registry.writeInteger(kRepPropValue,
                                  (OneTableCheckBox.isChecked() ? kRepPropSummaryTable : 0) +
                                      (GroupTRKCheckBox.isChecked() ? kRepPropGroupByPump : 0));
        registry.writeInteger(kNullStrValue, NullCheckBox.isChecked() ? 1 : 0);
        registry.writeBool(kShowGSMItogValue, chbShowGSMItog.isChecked());
        registry.writeBool(kShowSubVidoplItogValue, chbShowSubVidoplItog.isChecked());
    } catch (const std::exception&) {
        // The report goes on with what was stored before.
    }
}

void TPropFrm::SaveShiftReportKind() {
    if (!configFileExists())
        return;
    TSafeIniFile file(ConfigFileName());
    const std::string section(kSmenaRepSection);
    std::set<std::string> written;
    const auto write = [&](const std::string& key, const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
            file.WriteString(section, key, value);
        else
            file.WriteInteger(section, key, value);
        written.insert(platform::lowerUtf8(key));
    };
    int missing = 0;
    const bool newFormat = NewFormat();
    for (int g = 0; g < static_cast<int>(Groups.size()); ++g) {
        Group& group = Groups[static_cast<std::size_t>(g)];
        for (int r = 0; r < static_cast<int>(group.size()); ++r) {
            Row& row = group[static_cast<std::size_t>(r)];
            write(ShiftRowKey(g, r), row.box->isChecked() ? row.Order : -row.Order);
            (newFormat ? row.WebRepPath : row.RepPath) = row.edit->text().toStdString();
            const std::pair<const std::string&, std::string_view> paths[] = {
                {row.WebRepPath, kNewTemplateFolder}, {row.RepPath, kOldTemplateFolder}};
            const std::string keys[] = {ShiftRowWebPathKey(g, r), ShiftRowPathKey(g, r)};
            for (std::size_t i = 0; i < 2; ++i) {
                const auto& [path, folder] = paths[i];
                if (path.empty())
                    continue;
                const std::string resolved =
                    WorkplaceTemplatePath(path, folder, context_.userLevel);
                if (TemplateExists(resolved))
                    write(keys[i], path);
                else
                    ReportMissingTemplate(resolved, ++missing);
            }
        }
    }
    // Rows deleted since, and templates found missing, must not come back; every other key of
    // the section (the host's and other modules') stays.
    std::vector<std::string> keys;
    file.ReadSection(section, keys);
    for (const std::string& key : keys)
        if (isRowKey(key) && !written.contains(platform::lowerUtf8(key)))
            file.DeleteKey(section, key);
    file.WriteBool(section, std::string(kRoundRVal.key), !RoundCB.isChecked());
}

void TPropFrm::ReportMissingTemplate(const std::string& resolved, int missing) {
    if (missing > 2)
        return;
    QString message = "Форма \"" + text(resolved) + "\" не найдена!";
    if (missing == 2)
        message +=
            "\nВозможно не обновлена библиотека KVTReportCreator.dll на сервере.\n"
            "Дальнейшая проверка наличия форм на сервере прекращена.";
    QMessageBox box(QMessageBox::Critical, "Ошибка", message, QMessageBox::Ok, this);
    box.exec();
}

void ShowPropFrm(int kind, PropFrmContext context) {
    TPropFrm form(std::move(context));
    form.LoadSettings(kind);
    form.FormPlacement2.restore(form);
    form.exec();
}

}  // namespace kvt::settings
