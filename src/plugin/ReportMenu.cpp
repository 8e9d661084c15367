#include "plugin/ReportMenu.h"

#include <array>
#include <stdexcept>

#include "platform/Text.h"
#include "plugin/KVTRep.h"
#include "plugin/RepConsts.h"
#include "ui/QtTranslation.h"

namespace kvt::plugin {

namespace {

// When an entry of the submenu table is added.
enum class Presence {
    Always,
    // A separator only where the submenu does not start with one already.
    UnlessSeparatorOnTop,
};

using ReportClick = void (TReport::*)(KvtMenuItem& sender);

struct ReportEntry {
    std::string_view caption;
    std::string_view hint;
    std::int32_t helpContext;
    ShortCut shortCut;
    Presence presence = Presence::Always;
    ReportClick click = nullptr;
};

constexpr ShortCut kCtrlF4 = scCtrl | (vkF1 + 3);
constexpr ShortCut kCtrlF5 = scCtrl | (vkF1 + 4);
constexpr ShortCut kCtrlF6 = scCtrl | (vkF1 + 5);

// Each entry goes to the top of the submenu, so the operator sees them in the reverse order.
constexpr std::array<ReportEntry, 25> kReportEntries{{
    {kDiscountCardListCaption, kDiscountCardListCaption, 71, 0, Presence::Always,
     &TReport::AllDscCardReportClick},
    {kDaySmenaFinCaption, kDaySmenaFinCaption, 71, 0, Presence::Always,
     &TReport::DaysSmenaFinReportClick},
    {kSeparatorCaption, "", 0, 0, Presence::UnlessSeparatorOnTop},
    {kDriverPeriodCaption, kDriverPeriodCaption, 71, 0, Presence::Always,
     &TReport::DriverPeriodReportClick},
    {kCarPeriodCaption, kCarPeriodCaption, 73, 0, Presence::Always,
     &TReport::AutoPeriodReportClick},
    {kContractorPeriodCaption, kContractorPeriodCaption, 71, 0, Presence::Always,
     &TReport::KontragentPeriodReportClick},
    {kStatementPeriodCaption, kStatementPeriodCaption, 73, 0, Presence::Always,
     &TReport::VedomPeriodReportClick},
    {kContractorShiftCaption, kContractorShiftCaption, 71, 0, Presence::Always,
     &TReport::KontragentSmenaReportClick},
    {kStatementShiftCaption, kStatementShiftCaption, 73, 0, Presence::Always,
     &TReport::VedomSmenaReportClick},
    {kSeparatorCaption, "", 0, 0},
    {kSeparatorCaption, "", 0, 0, Presence::UnlessSeparatorOnTop},
    {"История продаж по ТРК", "История продаж по ТРК", 62, 0, Presence::Always,
     &TReport::TrkHistoryReportClick},
    {"Сменный отчет по договорам", "Сменный отчет по договорам", 62, 0, Presence::Always,
     &TReport::DogovorSmenaReportClick},
    {"Отчеты по картам", "Отчеты по отливам по картам", 0, 0, Presence::Always,
     &TReport::CardReportClick},
    {kTerminalReturnsCaption,
     "Непроизведенные возвраты недоотлитого ГСМ на карты клиентов за смену", 61, 0,
     Presence::Always, &TReport::BackCardReportClick},
    {"Отчеты по номерным талонам", "Отчеты по отливам по номерным талонам", 61, 0, Presence::Always,
     &TReport::TalonReportClick},
    {"Отчеты по возвратам", "Отчеты по актам возвратов", 0, 0, Presence::Always,
     &TReport::BackReportClick},
    {"Акты возвратов", "Отчеты по актам возвратов", 0, 0, Presence::Always,
     &TReport::BackActsReportClick},
    {kBonusCaption, "Сменный отчет по бонусам и скидкам", 74, 0, Presence::Always,
     &TReport::BonusReportClick},
    {kCurrentShiftCaption, "", 60, kCtrlF6, Presence::Always, &TReport::CurSmenaReportClick},
    {"Сменный отчет", "Просмотр и печать сменных отчетов", 60, kCtrlF5, Presence::Always,
     &TReport::SmenaReportClick},
    {"Сменная откачка топлива", "Сменный отчет по откачке топлива из резервуара", 6, 0,
     Presence::Always, &TReport::OtkachkaSmenaReportClick},
    {"Откачка топлива", "Отчет по откачке топлива из резервуара", 6, 0, Presence::Always,
     &TReport::OtkachkaReportClick},
    {"Сменное поступление топлива", "Сменный отчет по поступлению топлива", 69, 0, Presence::Always,
     &TReport::PrihodSmenaReportClick},
    {"Поступления топлива", "Просмотр и печать журнала поступления топлива", 6, kCtrlF4,
     Presence::Always, &TReport::PrihodReportClick},
}};

constexpr std::int32_t kReportMenuHelpContext = 60;
constexpr std::int32_t kSettingsHelpContext = 69;
constexpr std::string_view kPumpLogRootCaption = "История продаж";
constexpr std::string_view kPumpLogRootName = "SecretItem00";
constexpr std::int32_t kPumpListElement = 3;
constexpr std::string_view kPumpKeyLetters = "QWERTYUIOPASDF";
constexpr std::size_t kPumpPrefixCharacters = 5;
constexpr std::size_t kPumpNameMaxCharacters = 255;

// Qt's stock dialogs that an entry opens (print, page setup, file and font dialogs) speak
// Russian also in a host that translates none of Qt's texts.
KvtMenuItem::ClickHandler withQtTextsTranslated(KvtMenuItem::ClickHandler onClick) {
    if (!onClick)
        return onClick;
    return [onClick = std::move(onClick)](KvtMenuItem& sender) {
        ui::ensureQtTextsTranslated();
        onClick(sender);
    };
}

bool separatorOnTop(const KvtMenuItem& menu) {
    return menu.count() > 0 && menu.item(0)->caption() == kSeparatorCaption;
}

KvtMenuItem* lastChildWithCaption(const KvtMenuItem& parent, std::string_view caption) {
    KvtMenuItem* found = nullptr;
    for (std::int32_t i = 0; i < parent.count(); ++i)
        if (parent.item(i)->caption() == caption)
            found = parent.item(i);
    return found;
}

}  // namespace

ReportMenu::ReportMenu(AddMenuItemFunc addMenuItem) : addMenuItem_(addMenuItem) {
    if (addMenuItem_ == nullptr)
        throw std::invalid_argument(
            "Меню отчетов не создано, т.к. переменная \"AddMenuItem\" не инициализирована!");
}

KvtMenuItem& ReportMenu::AddReportItem(const std::string& caption, const std::string& hint,
                                       std::int32_t helpContext, ShortCut shortCut,
                                       KvtMenuItem::ClickHandler onClick, KvtMenuItem& parent,
                                       std::int32_t position) {
    KvtMenuItem* item = addMenuItem_(&parent, position);
    if (item == nullptr)
        throw std::runtime_error("Пункт меню \"" + caption +
                                 "\" не создан, т.к. хост не вернул его!");
    item->setCaption(caption);
    item->setHint(hint);
    item->setHelpContext(helpContext);
    item->setShortCut(shortCut);
    item->setOnClick(withQtTextsTranslated(std::move(onClick)));
    return *item;
}

KvtMenuItem& ReportMenu::BuildReportSubmenu(KvtMenuItem& root, TReport& report) {
    KvtMenuItem* submenu = lastChildWithCaption(root, kJournalsCaption);
    if (submenu != nullptr) {
        submenu->setCaption(std::string(kReportMenuCaption));
    } else {
        const std::int32_t position = root.count() >= 4 ? 3 : 0;
        submenu = &AddReportItem(std::string(kReportMenuCaption), "", kReportMenuHelpContext, 0,
                                 nullptr, root, position);
    }
    for (const ReportEntry& entry : kReportEntries) {
        if (entry.presence == Presence::UnlessSeparatorOnTop && separatorOnTop(*submenu))
            continue;
        KvtMenuItem::ClickHandler onClick;
        if (entry.click != nullptr)
            onClick = [&report, click = entry.click](KvtMenuItem& sender) {
                (report.*click)(sender);
            };
        AddReportItem(std::string(entry.caption), std::string(entry.hint), entry.helpContext,
                      entry.shortCut, std::move(onClick), *submenu, 0);
    }
    return *submenu;
}

int ReportMenu::AddSettingsEntries(KvtMenuItem& root, TReport& report) {
    int added = 0;
    for (std::int32_t i = 0; i < root.count(); ++i) {
        KvtMenuItem& menu = *root.item(i);
        if (menu.caption() != kSettingsMenuCaption)
            continue;
        AddReportItem(
            std::string(kSettingsEntryCaption), "Настройка отчетов", kSettingsHelpContext, 0,
            [&report](KvtMenuItem& sender) { report.RepPropClick(sender); }, menu, 0);
        ++added;
    }
    return added;
}

KvtMenuItem& ReportMenu::AddPumpLogRoot(KvtMenuItem& root) {
    // A try that the server did not answer made the entry already; the next one fills it.
    for (std::int32_t i = 0; i < root.count(); ++i)
        if (KvtMenuItem* existing = root.item(i); existing->name() == kPumpLogRootName)
            return *existing;
    KvtMenuItem& entry =
        AddReportItem(std::string(kPumpLogRootCaption), "", 0, 0, nullptr, root, root.count());
    entry.setName(std::string(kPumpLogRootName));
    entry.setVisible(false);
    return entry;
}

void ReportMenu::AddPumpShortcuts(KvtMenuItem& pumpLogRoot, const Variant& stationConfig,
                                  TReport& report) {
    // A configuration without a pump list (an older server's) has no pumps to offer.
    if (!stationConfig.isArray() || stationConfig.highBound() < kPumpListElement ||
        !stationConfig.at(kPumpListElement).isArray())
        return;
    const Variant& pumps = stationConfig.at(kPumpListElement);
    int pumpNumber = 0;
    for (std::int32_t index = pumps.lowBound(); index <= pumps.highBound(); ++index) {
        const Variant& pump = pumps.at(index);
        const std::string name = pump.at(pump.lowBound()).toString();
        const ShortCut shortCut = PumpShortCut(++pumpNumber);
        const auto addEntry = [&](std::string_view prefix, ShortCut key,
                                  std::string_view nameStem) {
            KvtMenuItem& entry = AddReportItem(
                std::string(prefix) + name, "", 0, key,
                [&report](KvtMenuItem& sender) { report.PumpLogItemClick(sender); }, pumpLogRoot,
                -1);
            entry.setName(std::string(nameStem) + std::to_string(index));
            entry.setVisible(false);
        };
        addEntry("ТРК #", shortCut, "SecretItem");
        const ShortCut key = shortCut & 0xFF;
        if (key >= '0' && key <= '9')
            addEntry("ТРК №", scAlt | (vkNumpad0 + (key - '0')), "SecretItem_");
    }
}

ShortCut PumpShortCut(int pumpNumber) {
    if (pumpNumber >= 1 && pumpNumber <= 9)
        return scAlt | static_cast<ShortCut>('0' + pumpNumber);
    if (pumpNumber == 10)
        return scAlt | ShortCut{'0'};
    const int letter = pumpNumber - 11;
    if (letter >= 0 && letter < static_cast<int>(kPumpKeyLetters.size()))
        return scAlt | static_cast<ShortCut>(kPumpKeyLetters[static_cast<std::size_t>(letter)]);
    return 0;
}

std::string PumpLogName(std::string_view caption) {
    std::string name =
        platform::utf8Substring(caption, kPumpPrefixCharacters, kPumpNameMaxCharacters);
    if (const auto mark = name.find('&'); mark != std::string::npos)
        name.erase(mark, 1);
    return name;
}

}  // namespace kvt::plugin
