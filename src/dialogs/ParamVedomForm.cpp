#include "dialogs/ParamVedomForm.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <utility>

#include "dialogs/SmenaListForm.h"
#include "infra/DateTime.h"
#include "platform/Registry.h"
#include "settings/PayTypeFlags.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::dialogs {

namespace {

constexpr int kFormWidth = 513;
constexpr int kFormMinHeight = 330;
constexpr int kPaymentsHeight = 99;
constexpr int kPaymentsLeft = 5;
constexpr int kPaymentsTop = 15;
constexpr int kGroupByWidth = 150;
constexpr int kGroupingLeft = 8;
constexpr int kDriverTop = 20;
constexpr int kAutoTop = 44;
constexpr int kOrgNameWidth = 165;
// A right-button drag moves a grouping box once the pointer is this far from where it went down.
constexpr int kDragDistance = 20;
constexpr std::int32_t kStatementKind = 4;  // payment-type code mod 100 of statements

// Qt's mask letters are the reverse of the station software's: there 9 is an optional digit and
// 0 a required one, so its "!90:00;1;_" reads "09:99" here.
const char* const kTimeMask = "09:99;_";
const char* const kMidnight = "00:00";

const char* const kGroupByHint =
    "Используйте правую кнопку мыши,\r\nчтобы переместить пункты \"по водителям\"\r\nи \"по "
    "автомобилям\" вверх или вних\r\nдля определения порядка группировки.";

std::unique_ptr<TParamVedomFrm>& instance() {
    static std::unique_ptr<TParamVedomFrm> form;
    return form;
}

// The locale's short date as a Qt display format, the year always in four digits.
QString dateDisplayFormat(const FormatSettings& settings) {
    QString format;
    bool yearWritten = false;
    for (const char c : settings.shortDateFormat) {
        switch (std::tolower(static_cast<unsigned char>(c))) {
            case 'm':
                format += QLatin1Char('M');
                break;
            case 'd':
                format += QLatin1Char('d');
                break;
            case 'y':
                if (!std::exchange(yearWritten, true))
                    format += QStringLiteral("yyyy");
                break;
            case '/':
                format += QLatin1Char(settings.dateSeparator);
                break;
            default:
                format += QLatin1Char(c);
        }
    }
    return format;
}

void setUpDateEdit(QDateEdit& edit, const char* title) {
    edit.setDisplayFormat(dateDisplayFormat(defaultFormatSettings()));
    edit.setCalendarPopup(true);
    edit.setDate(QDate::currentDate());
    edit.calendarWidget()->setWindowTitle(title);
}

void setUpTimeEdit(QLineEdit& edit) {
    edit.setInputMask(kTimeMask);
    edit.setText(kMidnight);
}

// Only the right button, no other button and no modifier, drags a grouping box.
bool rightButtonOnly(const QMouseEvent& event) {
    return event.buttons() == Qt::RightButton && event.modifiers() == Qt::NoModifier;
}

// What a close stores is no concern of the operator's: a store that fails keeps what it had.
template <typename Store>
void storeQuietly(const Store& store) {
    try {
        store();
    } catch (const std::exception&) {
        // Nothing is reported; the next close tries again.
    }
}

}  // namespace

TParamVedomFrm::TFormStorage::TFormStorage(std::string valuePrefix)
    : placement_(std::string(settings::kPlacementKey), valuePrefix),
      valuePrefix_(std::move(valuePrefix)) {}

std::string TParamVedomFrm::TFormStorage::valueName(const QDateEdit& edit) const {
    return valuePrefix_ + "_" + edit.objectName().toStdString();
}

void TParamVedomFrm::TFormStorage::restore(TParamVedomFrm& form) const {
    placement_.restore(form);
    platform::Registry registry(platform::RootKey::CurrentUser);
    if (!registry.openKeyReadOnly(settings::kPlacementKey))
        return;
    for (QDateEdit* edit : {&form.BegDate, &form.EndDate}) {
        const std::string name = valueName(*edit);
        if (registry.valueType(name) != platform::RegValueType::String)
            continue;
        const QDate date = QDate::fromString(QString::fromStdString(registry.readString(name)),
                                             edit->displayFormat());
        if (date.isValid())
            edit->setDate(date);
    }
}

void TParamVedomFrm::TFormStorage::save(const TParamVedomFrm& form) const {
    placement_.save(form);
    platform::Registry registry(platform::RootKey::CurrentUser);
    if (!registry.openKey(settings::kPlacementKey, true))
        return;
    for (const QDateEdit* edit : {&form.BegDate, &form.EndDate})
        registry.writeString(valueName(*edit), edit->text().toStdString());
}

TParamVedomFrm::TParamVedomFrm(std::vector<std::int32_t> codes, std::vector<std::string> captions)
    : FormStorage2("TParamVedomFrm") {
    if (codes.size() != captions.size())
        throw std::invalid_argument("TParamVedomFrm: кодов видов оплаты " +
                                    std::to_string(codes.size()) + ", а их названий " +
                                    std::to_string(captions.size()));
    setObjectName("ParamVedomFrm");
    setWindowTitle("Выберите необходимые параметры для отчета");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildLayout();
    buildPayTypeBoxes(codes, captions);
    connectHandlers();
    FormStorage2.restore(*this);
}

TParamVedomFrm::~TParamVedomFrm() = default;

void TParamVedomFrm::buildLayout() {
    setFixedWidth(kFormWidth);
    setMinimumHeight(kFormMinHeight);
    resize(kFormWidth, kFormMinHeight);

    RxLabel1.setObjectName("RxLabel1");
    BegDate.setObjectName("BegDate");
    BegTimeEdit.setObjectName("BegTimeEdit");
    RxLabel2.setObjectName("RxLabel2");
    EndDate.setObjectName("EndDate");
    EndTimeEdit.setObjectName("EndTimeEdit");
    OrgGrid.setObjectName("OrgGrid");
    AutoGrid.setObjectName("AutoGrid");
    gbGroupBy.setObjectName("gbGroupBy");
    chbDriver.setObjectName("chbDriver");
    chbAuto.setObjectName("chbAuto");
    gbPayments.setObjectName("gbPayments");
    BitBtn1.setObjectName("BitBtn1");
    BitBtn2.setObjectName("BitBtn2");

    RxLabel1.setText("Начать с");
    RxLabel2.setText("Закончить");
    setUpDateEdit(BegDate, "Выбор даты начала отчета");
    setUpDateEdit(EndDate, "Выбор даты конца отчета");
    setUpTimeEdit(BegTimeEdit);
    setUpTimeEdit(EndTimeEdit);

    OrgGrid.SetOptions({ui::GridOption::Titles, ui::GridOption::ColumnResize,
                        ui::GridOption::ColLines, ui::GridOption::RowLines,
                        ui::GridOption::RowSelect, ui::GridOption::CancelOnExit});
    OrgGrid.SetColumns({{"Name", "Организация", kOrgNameWidth}});
    AutoGrid.SetOptions({ui::GridOption::Titles, ui::GridOption::ColLines, ui::GridOption::RowLines,
                         ui::GridOption::RowSelect, ui::GridOption::CancelOnExit});

    // The grouping boxes stand where they are put, without a layout, so that a drag can exchange
    // their places.
    gbGroupBy.setTitle("Группировка");
    gbGroupBy.setToolTip(kGroupByHint);
    gbGroupBy.setFixedSize(kGroupByWidth, kPaymentsHeight);
    chbDriver.setParent(&gbGroupBy);
    chbAuto.setParent(&gbGroupBy);
    chbDriver.setText("по водителям");
    chbAuto.setText("по автомобилям");
    chbDriver.setGeometry(kGroupingLeft, kDriverTop, kGroupByWidth - 2 * kGroupingLeft,
                          chbDriver.sizeHint().height());
    chbAuto.setGeometry(kGroupingLeft, kAutoTop, kGroupByWidth - 2 * kGroupingLeft,
                        chbAuto.sizeHint().height());
    chbDriver.setEnabled(false);
    chbAuto.setEnabled(false);

    gbPayments.setTitle("Виды оплаты");
    gbPayments.setFixedHeight(kPaymentsHeight);

    BitBtn1.setText("Ввод");
    BitBtn1.setDefault(true);
    BitBtn2.setText("Отмена");

    auto* period = new QGridLayout;
    period->addWidget(&RxLabel1, 0, 0);
    period->addWidget(&BegDate, 0, 1);
    period->addWidget(&BegTimeEdit, 0, 2);
    period->addWidget(&RxLabel2, 1, 0);
    period->addWidget(&EndDate, 1, 1);
    period->addWidget(&EndTimeEdit, 1, 2);
    period->setColumnStretch(3, 1);

    auto* lists = new QHBoxLayout;
    lists->addWidget(&OrgGrid, 1);
    lists->addWidget(&AutoGrid, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(&BitBtn1);
    buttons->addWidget(&BitBtn2);
    buttons->addStretch(1);

    auto* options = new QHBoxLayout;
    options->addWidget(&gbGroupBy);
    options->addWidget(&gbPayments, 1);
    options->addLayout(buttons);

    auto* form = new QVBoxLayout(this);
    form->addLayout(period);
    form->addLayout(lists, 1);
    form->addLayout(options);
}

void TParamVedomFrm::buildPayTypeBoxes(const std::vector<std::int32_t>& codes,
                                       const std::vector<std::string>& captions) {
    const std::vector<std::int32_t> flags =
        settings::ReadPayTypes(codes, settings::kVedomPropKey, settings::kVedomDefaultIndex);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] % 100 != kStatementKind)
            continue;
        auto box = std::make_unique<QCheckBox>(QString::fromStdString(captions[i]), &gbPayments);
        box->setObjectName(QStringLiteral("PayType") + QString::number(codes[i]));
        box->setChecked(flags[i] == 1);
        box->resize(box->sizeHint());
        // Connected after the saved state is set: only later changes refilter.
        connect(box.get(), &QCheckBox::toggled, this, &TParamVedomFrm::PayTypeClick);
        payTypes_.push_back({codes[i], std::move(box)});
    }
    if (payTypes_.empty())
        return;
    const int count = static_cast<int>(payTypes_.size());
    const int step =
        std::min((gbPayments.height() - kPaymentsTop) / count, payTypes_.front().box->height());
    int top = kPaymentsTop;
    for (const PayTypeBox& payType : payTypes_) {
        payType.box->move(kPaymentsLeft, top);
        top += step;
    }
}

void TParamVedomFrm::connectHandlers() {
    connect(&BitBtn1, &QPushButton::clicked, this, [this] { done(kResultChosen); });
    connect(&BitBtn2, &QPushButton::clicked, this, [this] { done(kResultCancel); });
    chbDriver.installEventFilter(this);
    chbAuto.installEventFilter(this);
}

bool TParamVedomFrm::DriversFirst() const {
    return chbDriver.y() < chbAuto.y();
}

QString TParamVedomFrm::BeginText() const {
    return BegDate.text() + QLatin1Char(' ') + BegTimeEdit.text();
}

QString TParamVedomFrm::EndText() const {
    return EndDate.text() + QLatin1Char(' ') + EndTimeEdit.text();
}

bool TParamVedomFrm::AnyPayTypeTicked() const {
    return std::any_of(payTypes_.begin(), payTypes_.end(),
                       [](const PayTypeBox& payType) { return payType.box->isChecked(); });
}

void TParamVedomFrm::UpdateOkButton() {
    BitBtn1.setEnabled(AnyPayTypeTicked());
}

// The organisations of the ticked statement kinds (and those without one); with none ticked, no
// organisation and no vehicle. Only a list that knows the organisations' kinds is filtered.
void TParamVedomFrm::Refilter() {
    data::ClientDataSet* organisations = OrgGrid.DataSet();
    if (!organisations || !organisations->FindField("VidOplat"))
        return;
    data::ClientDataSet* vehicles = AutoGrid.DataSet();
    std::string expression;
    for (const PayTypeBox& payType : payTypes_) {
        if (payType.box->isChecked())
            expression += " VidOplat = " + std::to_string(payType.code) + " OR";
    }
    if (!expression.empty()) {
        // Only the final "OR" is dropped; the blank before it stays.
        expression.resize(expression.size() - 2);
        expression += " OR VidOplat IS NULL";
        if (vehicles)
            vehicles->SetFiltered(false);
    } else {
        expression = " VidOplat = 999";
        if (vehicles) {
            vehicles->SetFilter("ID = 'none'");
            vehicles->SetFiltered(true);
        }
    }
    if (organisations->Filter() != expression || !organisations->Filtered()) {
        organisations->SetFilter(expression);
        organisations->SetFiltered(true);
    }
}

void TParamVedomFrm::PayTypeClick() {
    try {
        Refilter();
    } catch (const std::exception&) {
        // A list that cannot take the filter stays as it was; the choice of kinds still counts.
    }
    UpdateOkButton();
}

void TParamVedomFrm::FormShow() {
    try {
        Refilter();
    } catch (const std::exception&) {
        // As for a click: the lists stay as they were.
    }
    if (OrgGrid.isEnabled())
        OrgGrid.setFocus();
    else
        BegDate.setFocus();
    UpdateOkButton();
    // A report needs at least one statement kind: the first is offered when none is ticked.
    if (!BitBtn1.isEnabled() && !payTypes_.empty())
        payTypes_.front().box->setChecked(true);
}

void TParamVedomFrm::SavePayTypes() const {
    std::vector<std::pair<std::int32_t, bool>> shown;
    shown.reserve(payTypes_.size());
    for (const PayTypeBox& payType : payTypes_)
        shown.emplace_back(payType.code, payType.box->isChecked());
    settings::WritePayTypeFlags(settings::kVedomPropKey, shown);
}

void TParamVedomFrm::FormClose() {
    // The runner reads the kinds back from the registry, so they are saved whatever the result.
    storeQuietly([this] { SavePayTypes(); });
    storeQuietly([this] { FormStorage2.save(*this); });
}

void TParamVedomFrm::chbDriverMouseDown(QCheckBox* box, const QMouseEvent* event) {
    if (!rightButtonOnly(*event))
        return;
    dragStartY_ = static_cast<int>(event->position().y());
    box->setFocus();
    box->grabMouse();
}

void TParamVedomFrm::chbDriverMouseMove(QCheckBox*, const QMouseEvent* event) {
    if (!rightButtonOnly(*event) ||
        std::abs(static_cast<int>(event->position().y()) - dragStartY_) <= kDragDistance)
        return;
    const int driverTop = chbDriver.y();
    chbDriver.move(chbDriver.x(), chbAuto.y());
    chbAuto.move(chbAuto.x(), driverTop);
}

void TParamVedomFrm::chbDriverMouseUp(QCheckBox* box, const QMouseEvent*) {
    box->releaseMouse();
}

bool TParamVedomFrm::eventFilter(QObject* watched, QEvent* event) {
    QCheckBox* box = watched == &chbDriver ? &chbDriver : watched == &chbAuto ? &chbAuto : nullptr;
    if (box) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                chbDriverMouseDown(box, static_cast<const QMouseEvent*>(event));
                break;
            case QEvent::MouseMove:
                chbDriverMouseMove(box, static_cast<const QMouseEvent*>(event));
                break;
            case QEvent::MouseButtonRelease:
                chbDriverMouseUp(box, static_cast<const QMouseEvent*>(event));
                break;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TParamVedomFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TParamVedomFrm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TParamVedomFrm::reject() {
    done(kResultCancel);
}

TParamVedomFrm& ParamVedomFrm(const std::vector<std::int32_t>& codes,
                              const std::vector<std::string>& captions) {
    if (!instance())
        instance() = std::make_unique<TParamVedomFrm>(codes, captions);
    return *instance();
}

TParamVedomFrm* CurrentParamVedomFrm() {
    return instance().get();
}

void FreeParamVedomFrm() {
    instance().reset();
}

}  // namespace kvt::dialogs
