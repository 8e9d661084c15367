#include "plugin/KVTRep.h"

#include <QApplication>

#include <cstdlib>

#include "data/DBForm.h"
#include "infra/RVKLogger.h"
#include "infra/tools.h"
#include "platform/Clock.h"
#include "platform/StationFolders.h"
#include "plugin/Privileges.h"
#include "plugin/RepConsts.h"
#include "plugin/ReportMenu.h"
#include "settings/SettingsCatalogue.h"
#include "settings/ShiftReportSeeding.h"
#include "settings/forms/PropUnit.h"
#include "ui/Desktop.h"

namespace kvt::plugin {

namespace {

std::unique_ptr<Module> gModule;

constexpr std::uint8_t kLogInformation = 1;
constexpr std::uint8_t kLogError = 2;

std::int32_t userLevel() {
    return HostValue(HostCode::UserLevel).toInt();
}

bool hostFlag(std::int32_t code) {
    return HostValue(code).toBool();
}

bool readShowDaySmenaFin() {
    std::string value;
    ReadConfigQuoted(std::string(settings::kShowDaySmenaFinReport.section),
                     std::string(settings::kShowDaySmenaFinReport.key),
                     std::string(settings::kShowDaySmenaFinReport.defaultValue), value);
    return value == "1";
}

constexpr std::string_view kPumpShortcutsMissing = "Клавиши журналов ТРК не добавлены";

// The settings entry for the operators of levels 0 and 3, the pump shortcuts for levels below
// 3; each level is asked afresh. The settings entry is made once; pump shortcuts that the server
// kept from being made leave the additions unfinished, so that the next call makes them.
void addMenuExtras(Module& m, KvtMenuItem& root) {
    ReportMenu menu(m.AddMenuItem);
    const std::int32_t levelForSettings = userLevel();
    if (!m.SettingsEntryAdded && (levelForSettings == 0 || levelForSettings == 3) &&
        menu.AddSettingsEntries(root, *m.Report) > 0)
        m.SettingsEntryAdded = true;
    if (userLevel() >= 3) {
        m.MenuExtrasAdded = m.SettingsEntryAdded;
        return;
    }
    KvtMenuItem& pumpLogRoot = menu.AddPumpLogRoot(root);
    {
        data::ServerSession session(m.DBFrm->KVTServer);
        m.StationConfig = session.appServer().GetKVTConfig();
        menu.AddPumpShortcuts(pumpLogRoot, m.StationConfig, *m.Report);
    }
    m.MenuExtrasAdded = true;
}

// The Windows directory (cnf.INI) and the fixed folders are there on every installed station; a
// fresh station root gets them on the plug-in's first load. A folder that cannot be made is only
// noted: the log makes its own folder (see makeReportsLog), and whatever needs another one
// reports its own error when it is used.
void prepareStationFolders() {
    try {
        platform::makeStationFolders();
    } catch (const std::exception& error) {
        ErrorsWriter().Log(error.what(), kLogError);
    }
}

// The log exists whatever is wrong with its folder or its lock: it makes the folder at the
// first line that can have it, and meanwhile every line goes to the error side log instead of
// being lost. A lock that cannot be opened leaves the log without one (reported here).
std::unique_ptr<TRVKLogger> makeReportsLog() {
    auto log = std::make_unique<TRVKLogger>(std::string());
    log->CreateFolder = true;
    log->SetTag(std::string(kReportsLogTag));
    try {
        log->SetFileName(std::string(kReportsLogFile));
    } catch (const std::exception& error) {
        ErrorsWriter().Log(std::string("Reports.log: ") + error.what(), kLogError);
    }
    return log;
}

KvtMenuItem& requireMenuRoot(KvtMenuItem* root) {
    if (root == nullptr)
        throw EReportError("Меню отчетов недоступно, т.к. хост не передал главное меню!");
    return *root;
}

}  // namespace

Module::Module() : TickCount(platform::tickCount) {}

Module::~Module() = default;

Module& module() {
    if (!gModule)
        throw EReportError("Модуль отчетов не загружен!");
    return *gModule;
}

void LoadModule() {
    if (gModule)
        return;
    gModule = std::make_unique<Module>();
    prepareStationFolders();
    gModule->ReportsLog = makeReportsLog();
}

void UnloadModule() {
    if (!gModule)
        return;
    gModule->Runners.reset();
    gModule->DBFrm.reset();
    gModule->ReportsLog.reset();
    gModule->Payments = PayTypes{};
    // The application object goes last, after everything that may hold Qt objects.
    std::unique_ptr<QApplication> application = std::move(gModule->OwnApplication);
    gModule.reset();
}

void InitReportMenu(std::intptr_t appHandle, KvtMenuItem* parentItem, AddMenuItemFunc addMenuItem,
                    GetReportFunc getReport) {
    Module& m = module();
    if (!m.OwnApplication) {
        m.OwnApplication = ui::ensureApplication();
        // At exit, the application object must go before the globals of Qt that it registered
        // for destruction while it was made; a handler registered after it runs before them.
        if (m.OwnApplication)
            std::atexit(UnloadModule);
    }
    ui::setApplicationHandle(appHandle);
    if (!m.Report)
        m.Report = std::make_unique<TReport>();
    if (!m.DBFrm) {
        m.DBFrm = std::make_unique<data::TDBFrm>();
        m.DBFrm->HostValue = HostValue;
    }
    m.AddMenuItem = addMenuItem;
    m.GetReport_ = getReport;
    ReportMenu(m.AddMenuItem).BuildReportSubmenu(requireMenuRoot(parentItem), *m.Report);
}

void SetGetValue(GetValueFunc getValue) {
    module().GetValue = getValue;
}

void SetNewUserPriv(KvtMenuItem* mainMenuRoot, GetHostValueFunc getHostValue) {
    Module& m = module();
    KvtMenuItem& root = requireMenuRoot(mainMenuRoot);
    m.GetHostValue = getHostValue;
    m.ShowDaySmenaFin = readShowDaySmenaFin();
    if (m.GetHostValue != nullptr)
        m.UserLevel3 = userLevel() == 3;
    UpdateVidOpl();
    settings::SeedShiftReportSection();
    // The operator's rights hold whether or not the server answers for the pump shortcuts; what
    // failed is told once the menu is right. Until the additions are complete, the next call
    // tries them again.
    std::exception_ptr extrasFailure;
    if (!m.MenuExtrasAdded && m.GetHostValue != nullptr && m.AddMenuItem != nullptr && m.DBFrm) {
        try {
            addMenuExtras(m, root);
        } catch (const std::exception& error) {
            extrasFailure = sameClassWithMessage(
                error, std::string(kPumpShortcutsMissing) + " -> " + error.what());
        }
    }
    ApplyUserRights(
        root, UserRights{m.Payments.StatementsEnabled, m.UserLevel3, m.ShowDaySmenaFin, hostFlag});
    if (extrasFailure)
        std::rethrow_exception(extrasFailure);
}

void UpdateVidOpl() {
    Module& m = module();
    UpdatePayTypes(m.Payments, m.GetHostValue, m.GetValue);
}

void LogEvent(std::string_view format, const std::vector<Variant>& args, std::uint8_t level) {
    if (TRVKLogger* log = module().ReportsLog.get())
        log->LogFmt(format, args, level);
}

void CallGetReport(std::uint8_t reportNo, const Variant& params, std::string& text) {
    Module& m = module();
    const Variant privateParams = params;
    try {
        if (m.GetReport_ == nullptr)
            throw EReportError(
                "Отчет не сформирован, т.к. переменная \"GetReport_\" не инициализирована!");
        const std::uint32_t start = m.TickCount();
        m.GetReport_(text, reportNo, privateParams);
        const std::uint32_t elapsed = m.TickCount() - start;
        LogEvent("Отчет №%d сформирован! Время подготовки: %d мс.",
                 {Variant(std::int32_t{reportNo}), Variant::i8(elapsed)}, kLogInformation);
    } catch (const std::exception& error) {
        LogEvent("Ошибка формирования отчета №%d: %s",
                 {Variant(std::int32_t{reportNo}), Variant(std::string(error.what()))}, kLogError);
        throw;
    }
}

namespace {

ReportRunners& runners() {
    ReportRunners* installed = module().Runners.get();
    if (installed == nullptr)
        throw EReportError("Процедуры отчетов не загружены!");
    return *installed;
}

}  // namespace

void TReport::SmenaReportClick(KvtMenuItem&) {
    runners().ShiftReport();
}

void TReport::CurSmenaReportClick(KvtMenuItem&) {
    runners().CurrentShiftReport();
}

void TReport::PrihodReportClick(KvtMenuItem&) {
    runners().FuelOperationLog(true);
}

void TReport::PrihodSmenaReportClick(KvtMenuItem&) {
    runners().FuelShiftLog(true);
}

void TReport::OtkachkaReportClick(KvtMenuItem&) {
    runners().FuelOperationLog(false);
}

void TReport::OtkachkaSmenaReportClick(KvtMenuItem&) {
    runners().FuelShiftLog(false);
}

void TReport::BonusReportClick(KvtMenuItem&) {
    runners().BonusReport();
}

void TReport::BackReportClick(KvtMenuItem&) {
    runners().ReturnsReport();
}

void TReport::BackActsReportClick(KvtMenuItem&) {
    runners().ReturnCertificates();
}

void TReport::BackCardReportClick(KvtMenuItem&) {
    runners().TerminalReturns();
}

void TReport::TalonReportClick(KvtMenuItem&) {
    runners().CouponReport();
}

void TReport::CardReportClick(KvtMenuItem&) {
    runners().CardReport();
}

void TReport::TrkHistoryReportClick(KvtMenuItem&) {
    runners().PumpHistory();
}

void TReport::KontragentSmenaReportClick(KvtMenuItem&) {
    runners().CounterpartyShiftReport();
}

void TReport::VedomSmenaReportClick(KvtMenuItem&) {
    runners().StatementShiftReport();
}

void TReport::DogovorSmenaReportClick(KvtMenuItem&) {
    runners().ContractShiftReport();
}

void TReport::VedomPeriodReportClick(KvtMenuItem&) {
    runners().PeriodStatementReport(0);
}

void TReport::KontragentPeriodReportClick(KvtMenuItem&) {
    runners().PeriodStatementReport(1);
}

void TReport::AutoPeriodReportClick(KvtMenuItem&) {
    runners().PeriodStatementReport(2);
}

void TReport::DriverPeriodReportClick(KvtMenuItem&) {
    runners().PeriodStatementReport(3);
}

void TReport::AllDscCardReportClick(KvtMenuItem&) {
    runners().DiscountCardList();
}

void TReport::DaysSmenaFinReportClick(KvtMenuItem&) {
    runners().DaySmenaFinReport();
}

void TReport::PumpLogItemClick(KvtMenuItem& sender) {
    runners().PumpLog(PumpLogName(sender.caption()));
}

void TReport::RepPropClick(KvtMenuItem&) {
    settings::ShowRepPropForm(userLevel());
}

Variant HostValue(std::int32_t code) {
    const GetHostValueFunc getHostValue = module().GetHostValue;
    if (getHostValue == nullptr)
        throw EReportError("Значение хоста №" + std::to_string(code) +
                           " не получено, т.к. переменная \"GetHostValue\" не инициализирована!");
    Variant value;
    getHostValue(value, code);
    return value;
}

}  // namespace kvt::plugin
