#include "reports/uTRKHistory.h"

#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <exception>
#include <memory>
#include <optional>

#include "dialogs/SmenaListForm.h"
#include "infra/PumpLogText.h"
#include "plugin/AbstractPayment.h"
#include "plugin/KVTRep.h"
#include "reports/RunnerFrame.h"
#include "ui/Desktop.h"

namespace kvt::reports {

namespace {

constexpr int kWindowWidth = 720;
constexpr int kClientHeight = 210;
constexpr const char* kPumpParam = "TrkName";
constexpr const char* kPrintHint =
    "В отчет будут включены все последные отливы, вплоть до выделенной записи.";

std::unique_ptr<TfmTRKHistory>& instance() {
    static std::unique_ptr<TfmTRKHistory> form;
    return form;
}

std::optional<std::int32_t> code(const data::Field& field) {
    if (field.IsNull())
        return std::nullopt;
    return field.AsInteger();
}

// The payment types as the pump log names them: the table's codes and captions.
struct PaymentNames {
    std::vector<std::int32_t> codes;
    std::vector<std::string> captions;
};

PaymentNames paymentNames() {
    const plugin::PayTypes& payments = plugin::module().Payments;
    PaymentNames names{payments.codes(), {}};
    for (std::int32_t i = 0; i < payments.PayTypeCount; ++i)
        names.captions.push_back(payments.PayTypeCaptions.at(i).toString());
    return names;
}

QPushButton& bold(QPushButton& button) {
    QFont font = button.font();
    font.setBold(true);
    button.setFont(font);
    return button;
}

// The log is the window's for as long as it is shown: closed, and the server let go, however
// the showing ends.
class ShownLog {
public:
    explicit ShownLog(data::TDBFrm& dbFrm) : dbFrm_(dbFrm) {}
    ~ShownLog() {
        dbFrm_.TrkLog.Close();
        if (dbFrm_.KVTServer.Connected())
            dbFrm_.KVTServer.Close();
    }
    ShownLog(const ShownLog&) = delete;
    ShownLog& operator=(const ShownLog&) = delete;

private:
    data::TDBFrm& dbFrm_;
};

}  // namespace

void TrkLogOperationGetText(const data::Field& field, std::string& text, bool) {
    text = infra::PumpOperationText(code(field));
}

void TrkLogOp1GetText(const data::Field& field, std::string& text, bool) {
    const PaymentNames names = paymentNames();
    text = infra::PumpPaymentText(code(field), names.codes, names.captions);
}

void TrkLogOp2GetText(const data::Field& field, std::string& text, bool) {
    text = infra::PumpDoseText(code(field));
}

// A row without a fuel grade is not a delivery of its own: its time would only repeat.
void TrkLogTimeGetText(const data::Field& field, std::string& text, bool) {
    const data::Field* grade = field.DataSet().FindField("Gsm");
    if (field.IsNull() || !grade || grade->AsString().empty()) {
        text.clear();
        return;
    }
    text = data::fieldValueText(field.Value(), field.DataType());
}

TfmTRKHistory::TfmTRKHistory(data::TDBFrm& dbFrm)
    : Action1(this), Action2(this), acUp(this), acDown(this), dbFrm_(dbFrm) {
    setObjectName("fmTRKHistory");
    setWindowTitle("Журнал по ТРК      F5 - печать");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    buildLayout();
    connectHandlers();
}

TfmTRKHistory::~TfmTRKHistory() = default;

void TfmTRKHistory::buildLayout() {
    DBGrid1.setObjectName("DBGrid1");
    RefreshButton.setObjectName("RefreshButton");
    Button1.setObjectName("Button1");
    Action1.setObjectName("Action1");
    Action2.setObjectName("Action2");
    acUp.setObjectName("acUp");
    acDown.setObjectName("acDown");

    setFixedWidth(kWindowWidth);
    resize(kWindowWidth, kClientHeight);
    DBGrid1.SetOptions({ui::GridOption::Titles, ui::GridOption::Indicator, ui::GridOption::ColLines,
                        ui::GridOption::RowLines, ui::GridOption::RowSelect});
    bold(RefreshButton).setText("&Обновить");
    RefreshButton.setDefault(true);
    bold(Button1).setText("Печать (F5)");
    Button1.setToolTip(kPrintHint);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(&RefreshButton);
    buttons->addWidget(&Button1);
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(4, 4, 4, 4);
    form->addWidget(&DBGrid1, 1);
    form->addLayout(buttons);

    Action1.setShortcut(QKeySequence(Qt::Key_F5));
    Action2.setShortcut(QKeySequence(Qt::Key_Escape));
    acUp.setShortcut(QKeySequence(Qt::Key_Up));
    acDown.setShortcut(QKeySequence(Qt::Key_Down));
    for (QAction* action : {&Action1, &Action2, &acUp, &acDown})
        addAction(action);
    setTabOrder(&DBGrid1, &RefreshButton);
    setTabOrder(&RefreshButton, &Button1);
    DBGrid1.setFocus();
}

void TfmTRKHistory::connectHandlers() {
    connect(&RefreshButton, &QPushButton::clicked, this, &TfmTRKHistory::RefreshButtonClick);
    connect(&Button1, &QPushButton::clicked, this, &TfmTRKHistory::Button1Click);
    connect(&Action1, &QAction::triggered, this, &TfmTRKHistory::Action1Execute);
    connect(&Action2, &QAction::triggered, this, &TfmTRKHistory::Action2Execute);
    connect(&acUp, &QAction::triggered, this, &TfmTRKHistory::acUpExecute);
    connect(&acDown, &QAction::triggered, this, &TfmTRKHistory::acDownExecute);
}

void TfmTRKHistory::OpenLog(const QString& pumpName) {
    data::ClientDataSet& log = dbFrm_.TrkLog;
    dbFrm_.TrkLogOperation.OnGetText = TrkLogOperationGetText;
    dbFrm_.TrkLogOp1.OnGetText = TrkLogOp1GetText;
    dbFrm_.TrkLogOp2.OnGetText = TrkLogOp2GetText;
    dbFrm_.TrkLogTime.OnGetText = TrkLogTimeGetText;
    setWindowTitle("Журнал по ТРК '" + pumpName + "'");
    log.Params().ParamByName(kPumpParam).SetAsString(pumpName.toStdString());
    log.Open();
    DBGrid1.SetDataSource(&dbFrm_.TrkLogSource);
}

template <class Work>
void TfmTRKHistory::guarded(Work work) {
    try {
        work();
    } catch (const std::exception& error) {
        ui::showException(error);
    }
}

void TfmTRKHistory::PrintPumpHistory() {
    data::ClientDataSet& log = dbFrm_.TrkLog;
    ProduceAndShow(kPumpHistoryReportNo,
                   Variant::list({Variant(log.Params().ParamByName(kPumpParam).AsString()),
                                  Variant(std::int32_t{log.RecNo()})}),
                   kPumpHistoryTitle);
}

bool TfmTRKHistory::FormKeyPress(const QString& key) {
    if (key != QChar(27))
        return false;
    done(dialogs::kResultCancel);
    return true;
}

void TfmTRKHistory::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyPress(event->text()))
        QDialog::keyPressEvent(event);
}

void TfmTRKHistory::reject() {
    done(dialogs::kResultCancel);
}

void TfmTRKHistory::RefreshButtonClick() {
    guarded([this] {
        data::ClientDataSet& log = dbFrm_.TrkLog;
        log.DisableControls();
        struct Resume {
            data::ClientDataSet& log;
            ~Resume() { log.EnableControls(); }
        } resume{log};
        log.Close();
        log.Open();
    });
}

void TfmTRKHistory::Button1Click() {
    guarded([this] { PrintPumpHistory(); });
    DBGrid1.setFocus();
}

void TfmTRKHistory::Action1Execute() {
    guarded([this] { PrintPumpHistory(); });
}

void TfmTRKHistory::Action2Execute() {
    done(dialogs::kResultCancel);
}

void TfmTRKHistory::acUpExecute() {
    guarded([this] { dbFrm_.TrkLog.Prior(); });
}

void TfmTRKHistory::acDownExecute() {
    guarded([this] { dbFrm_.TrkLog.Next(); });
}

void ShowPumpLog(const std::string& pumpName) {
    if (instance())
        return;
    data::TDBFrm& dbFrm = *plugin::module().DBFrm;
    instance() = std::make_unique<TfmTRKHistory>(dbFrm);
    struct Freeing {
        ~Freeing() { instance().reset(); }
    } freeing;
    const ShownLog shown(dbFrm);
    TfmTRKHistory& form = *instance();
    form.OpenLog(QString::fromStdString(pumpName));
    form.exec();
}

}  // namespace kvt::reports
