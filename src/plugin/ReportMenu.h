#pragma once
// The report entries the plug-in places into the host's main menu: the submenu
// "&Журналы/Отчеты" built on every InitReportMenu, and the one-time additions of
// SetNewUserPriv (the settings entry under "&Настройка", the invisible per-pump shortcuts).
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtreports/Host.h"

namespace kvt::plugin {

class TReport;

class ReportMenu {
public:
    // Throws when the host gave no AddMenuItem: no entry can be made without it.
    explicit ReportMenu(AddMenuItemFunc addMenuItem);

    // Creates an entry through the host and sets its properties; returns it. Before its click
    // handler runs, Qt's texts are made Russian where the host left them untranslated
    // (ui/QtTranslation.h).
    KvtMenuItem& AddReportItem(const std::string& caption, const std::string& hint,
                               std::int32_t helpContext, ShortCut shortCut,
                               KvtMenuItem::ClickHandler onClick, KvtMenuItem& parent,
                               std::int32_t position);

    // The report submenu under the main menu root: the last "&Журналы" renamed, or a new
    // entry, with every report entry added on top of what it held; the entries' clicks go to
    // `report`'s handlers. Returns the submenu.
    KvtMenuItem& BuildReportSubmenu(KvtMenuItem& root, TReport& report);

    // "Отчеты" at the top of every "&Настройка" menu, opening the report options through
    // `report`; the number of entries added.
    int AddSettingsEntries(KvtMenuItem& root, TReport& report);

    // The invisible "История продаж" entry appended to the root, or the one an earlier call made;
    // the pump entries go under it.
    KvtMenuItem& AddPumpLogRoot(KvtMenuItem& root);
    // One invisible entry per pump of the station configuration (element 3, the pumps, element
    // 0 of each its name), two for the pumps whose key is a digit (the keypad variant). A
    // configuration without a pump list adds nothing. Each entry opens its pump's log through
    // `report`.
    void AddPumpShortcuts(KvtMenuItem& pumpLogRoot, const Variant& stationConfig, TReport& report);

private:
    AddMenuItemFunc addMenuItem_;
};

// Alt plus the key of pump n (1-based): 1..9 and 0 for the tenth, then the letters of
// "QWERTYUIOPASDF" for pumps 11 to 24; 0 (none) for the others.
ShortCut PumpShortCut(int pumpNumber);

// The pump name in a pump entry's caption: the text after "ТРК #" or "ТРК №" (five characters),
// at most 255 characters, without the first "&" that a menu may insert as an accelerator mark.
std::string PumpLogName(std::string_view caption);

}  // namespace kvt::plugin
