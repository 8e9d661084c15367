// The shift reports of bonuses and discounts, of returns, of return certificates and of the
// returns to the card terminal still to be made.
#include <QString>

#include <string>

#include "platform/Registry.h"
#include "plugin/KVTRep.h"
#include "plugin/RepConsts.h"
#include "reports/Reports.h"
#include "reports/RunnerFrame.h"
#include "settings/PayTypeFlags.h"
#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"

namespace kvt::reports {

namespace {

constexpr int kReturnsKind = 1;
constexpr int kBonusKind = 3;
constexpr std::uint8_t kBonusReportNo = 9;
constexpr std::uint8_t kTerminalReturnsReportNo = 19;
constexpr std::uint8_t kCertificatesReportNo = 21;
constexpr std::uint8_t kCurrentCertificatesReportNo = 22;
constexpr std::uint8_t kReturnsReportNo = 34;
constexpr const char* kReturnsTitle = "Сменный отчет по возвратам";
// The options bit that also lists the payment types without returns.
constexpr std::int32_t kNullStrOption = 1;

std::vector<std::int32_t> payTypeCodes() {
    return plugin::module().Payments.codes();
}

Variant hostValue(std::int32_t code) {
    return plugin::HostValue(code);
}

bool current(int modalResult) {
    return modalResult == dialogs::kResultCurrentShift;
}

data::ClientDataSet& shiftLog() {
    return plugin::module().DBFrm->SmLogtable;
}

std::string currentOperator() {
    return shiftLog().FieldByName("Operator").AsString();
}

// "ShowGSMItog" and "ShowSubVidoplItog" of the bonus settings, true where they were never set.
struct BonusTotals {
    bool byFuel = settings::kShowGSMItogDefault;
    bool byPayType = settings::kShowSubVidoplItogDefault;
};

BonusTotals readBonusTotals() {
    BonusTotals totals;
    platform::Registry registry(platform::RootKey::LocalMachine);
    if (!settings::OpenReportsKey(registry, settings::kBonusRepKey))
        return totals;
    if (registry.valueExists(settings::kShowGSMItogValue))
        totals.byFuel = registry.readBool(settings::kShowGSMItogValue);
    if (registry.valueExists(settings::kShowSubVidoplItogValue))
        totals.byPayType = registry.readBool(settings::kShowSubVidoplItogValue);
    return totals;
}

void produceBonusReport(const dialogs::SmenaChoice& choice, int modalResult) {
    const settings::BonusPayTypes payTypes = settings::ReadBonusPayTypes(payTypeCodes());
    const BonusTotals totals = readBonusTotals();
    const bool now = current(modalResult);
    const Variant first = now ? hostValue(plugin::HostCode::CurrentShift) : Variant(choice.FirstSm);
    const Variant last = now ? hostValue(plugin::HostCode::CurrentShift) : Variant(choice.LastSm);
    // The title is written in capitals, as the station's own ANSI conversion gives them.
    const std::string title = QString("Сменный отчет по бонусам и скидкам").toUpper().toStdString();
    ProduceAndShow(kBonusReportNo,
                   Variant::list({first, IntegerArray(payTypes.flags), Variant(payTypes.NullFlag),
                                  last, Variant(totals.byFuel), Variant(totals.byPayType)}),
                   title);
}

// The returns settings as each pick reads them: the payment types of "BackRep", created with its
// seed type on first use, and the report options with the empty-rows bit.
struct ReturnsSettings {
    std::vector<std::int32_t> payTypes;
    std::int32_t options = 0;
};

ReturnsSettings readReturnsSettings(platform::Registry& registry) {
    ReturnsSettings read;
    const std::vector<std::int32_t> codes = payTypeCodes();
    if (!settings::OpenPayTypeKey(registry, settings::kBackRepKey, settings::kBackRepSeedCode)) {
        read.payTypes.assign(codes.size(), 0);
        return read;
    }
    struct Closing {
        platform::Registry& registry;
        ~Closing() { registry.closeKey(); }
    } closing{registry};
    read.payTypes = settings::ReadPayTypeFlags(registry, codes);
    if (registry.valueExists(settings::kRepPropValue))
        read.options = registry.readInteger(settings::kRepPropValue);
    if (settings::ReadFlag(registry, settings::kNullStrValue).value_or(false))
        read.options |= kNullStrOption;
    return read;
}

Variant returnsParams(const ReturnsSettings& read, const dialogs::SmenaChoice& choice,
                      int modalResult) {
    const Variant payTypes = IntegerArray(read.payTypes);
    const Variant options(read.options);
    if (current(modalResult))
        return Variant::list({payTypes, options, hostValue(plugin::HostCode::ServerMode),
                              hostValue(plugin::HostCode::UserLevel)});
    return Variant::list({payTypes, options, hostValue(plugin::HostCode::ServerMode),
                          Variant::date(choice.BegTime), Variant::date(choice.EndTime),
                          Variant(choice.FirstSm), Variant(currentOperator()),
                          Variant(choice.LastSm), hostValue(plugin::HostCode::UserLevel)});
}

void produceCertificates(int modalResult) {
    const Variant server = hostValue(plugin::HostCode::ServerMode);
    const Variant level = hostValue(plugin::HostCode::UserLevel);
    if (current(modalResult)) {
        ProduceAndShow(kCurrentCertificatesReportNo, Variant::list({server, level}), kReturnsTitle);
        return;
    }
    data::ClientDataSet& log = shiftLog();
    ProduceAndShow(kCertificatesReportNo,
                   Variant::list({Variant::date(log.FieldByName("BegTime").AsDateTime()),
                                  Variant::date(log.FieldByName("EndTime").AsDateTime()),
                                  Variant(log.FieldByName("SmNum").AsInteger()),
                                  Variant(currentOperator()), server, level}),
                   kReturnsTitle);
}

// The operator is named only for a single shift: a run of shifts has several.
std::string singleShiftOperator(const dialogs::SmenaChoice& choice) {
    if (choice.FirstSm != choice.LastSm)
        return {};
    if (!shiftLog().Locate("SmNum", Variant(choice.FirstSm)))
        return {};
    return currentOperator();
}

void produceTerminalReturns(const dialogs::SmenaChoice& choice, int) {
    ProduceAndShow(kTerminalReturnsReportNo,
                   Variant::list({Variant(choice.FirstSm), Variant::date(choice.BegTime),
                                  Variant::date(choice.EndTime),
                                  Variant(singleShiftOperator(choice)), Variant(choice.LastSm)}),
                   "Сменный отчет по непроизведенным возвратам на терминал");
}

}  // namespace

void RunBonusReport() {
    ShiftRunFrame frame(*plugin::module().DBFrm,
                        ShiftPick{.propKind = kBonusKind,
                                  .caption = "Выберите смену для отчета по бонусам и скидкам"});
    frame.Loop(produceBonusReport);
}

void RunReturnsReport() {
    platform::Registry registry(platform::RootKey::LocalMachine);
    ShiftRunFrame frame(*plugin::module().DBFrm, ShiftPick{.propKind = kReturnsKind});
    frame.Loop([&registry](const dialogs::SmenaChoice& choice, int modalResult) {
        const ReturnsSettings read = readReturnsSettings(registry);
        ProduceAndShow(kReturnsReportNo, returnsParams(read, choice, modalResult), kReturnsTitle);
    });
}

void RunReturnCertificates() {
    ShiftRunFrame frame(*plugin::module().DBFrm, ShiftPick{});
    frame.LoopOnCurrentRecord(produceCertificates);
}

void RunTerminalReturns() {
    data::TDBFrm& dbFrm = *plugin::module().DBFrm;
    // Declared before the frame: the shift list shows it until the frame frees the list.
    data::DataSource shifts("TerminalReturnsSource", &dbFrm.SmLogtable);
    ShiftRunFrame frame(
        dbFrm,
        ShiftPick{.propKind = std::nullopt,
                  .caption = "Выберите смену для отчета по непроизведенным возвратам на терминал",
                  .disableChoiceOnEmptyLog = false});
    // The report has no settings of its own.
    frame.form().PropBtn.hide();
    frame.Loop(produceTerminalReturns, &shifts);
}

}  // namespace kvt::reports
