// kvt-hostsim: a station console without a window. Loads the report plug-in, prints its menu
// and runs menu entries with scripted modal forms, printing every call the plug-in makes to
// its host.

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "cli/Cli.h"
#include "host/kit/DialogScript.h"
#include "host/kit/HeadlessHost.h"
#include "host/kit/HeadlessPlatform.h"
#include "host/kit/MenuDump.h"
#include "infra/DateTime.h"

namespace {

using kvt::cli::UsageError;
namespace host = kvt::host;

constexpr std::string_view kUsage = R"(usage:
  kvt-hostsim [--plugin PATH] [--station-db FILE] [--host-values FILE.json] [--user-level N]
              [--dump-menu] [--click PATH [--script FILE.json] [--report-dir DIR]]

Loads the plug-in (default: the one built with this tool, or KVT_PLUGIN), gives it a console
menu ("&Файл", "&Журналы", "&Ведомости", "&Настройка", "&Справка") and calls InitReportMenu,
SetGetValue and SetNewUserPriv.
--station-db     the station database of the in-process application server (KVT_STATION_DB)
--host-values    the host values as JSON, keyed by code: {"15": 3, "5": true, "19": [...]}
--user-level     the operator's level, 0 to 3 (host value 15; wins over the file)
--dump-menu      prints the menu tree, two blanks of indent per level
--click          runs the entry reached by captions joined with "/" (e.g.
                 "&Журналы/Отчеты/Сменный отчет"), invisible ones too, as their shortcut
                 does ("История продаж/ТРК #1", Alt+1), and prints one line per event:
                 GetReport_ N PARAMS, Shown CLASS "CAPTION", Cancelled CLASS,
                 MessageBox "CAPTION" "TEXT", Beep FREQ MS, Error "MESSAGE",
                 List NAME "ITEM" ..., Columns NAME "HEADING" ..., Row NAME N "TEXT" ...,
                 vedFilter N (each vedFilter the plug-in's application server is set to,
                 in order, a repeated value too)
--script         steps for the modal forms, each taken by the next form shown:
                 [{"form": CLASS, "do": [ACTION, ...]}, ...] with the actions
                 {"click": NAME}, {"set": {NAME: TEXT}}, {"check": {NAME: true}},
                 {"check": {LIST: {"item": N, "checked": false}}},
                 {"select": {NAME: INDEX}}, {"key": "F4"}, {"close": "ok" | "cancel" | N},
                 {"selectRows": {GRID: {"field": F, "values": [V, ...]}}},
                 {"current": {GRID: {"field": F, "value": V}}},
                 {"list": NAME}, {"list": {NAME: COUNT}},
                 {"drag": {NAME: {"button": "right", "dx": 0, "dy": -25,
                                  "modifiers": ["shift"]}}}
                 "set" types the text: a date edit takes it in its display format
                 ("01.03.2024") or as ISO 8601 ("2024-03-01T23:59:00"), a masked edit as its
                 mask places it ("08:30"); a text the edit refuses is an Error. "check" with
                 an item ticks (or unticks) item N, from 0, of a check list. "drag" presses the button ("left", "right",
                 "middle"; default "left") at the component's centre, moves the pointer by
                 dx, dy pixels and releases it, holding the modifiers ("shift", "ctrl",
                 "alt", "meta"). "list" prints the first COUNT items (all without COUNT): a
                 combo box's or list's as one List line (the current item not marked), a
                 grid's as Columns with its visible column headings and one Row N per row, N
                 the record number, with the texts the cells show. Forms after the last step
                 are cancelled; message boxes take their default button.
--report-dir     writes every report the console produces into DIR, in code page 1251:
                 01-report45.txt (old format), 02-report55.html (report 55), ...
Errors of the plug-in are printed as events and the exit code stays 0; wrong options, a plug-in
that does not load, a bad script or an unknown menu entry, a disabled one or one in a disabled
menu end with a message and exit code 1.)";

struct Options {
    std::filesystem::path plugin;
    std::optional<std::filesystem::path> stationDatabase;
    host::HostValues hostValues;
    bool dumpMenu = false;
    std::optional<std::string> clickPath;
    std::vector<host::DialogStep> script;
    std::optional<std::filesystem::path> reportFolder;
};

std::int32_t parseUserLevel(const std::string& text) {
    std::int32_t level = 0;
    if (!kvt::TryStrToInt(text, level) || level < 0 || level > 3)
        throw UsageError("уровень оператора должен быть от 0 до 3: " + text);
    return level;
}

Options parseOptions(std::vector<std::string>& args) {
    Options options;
    std::string text;
    options.plugin = kvt::cli::takeOption(args, "--plugin", text)
                         ? kvt::cli::localPath(text)
                         : host::PluginLibrary::defaultPath();
    if (kvt::cli::takeOption(args, "--station-db", text))
        options.stationDatabase = kvt::cli::localPath(text);
    if (kvt::cli::takeOption(args, "--host-values", text))
        options.hostValues = host::HostValues::fromFile(kvt::cli::localPath(text));
    if (kvt::cli::takeOption(args, "--user-level", text))
        options.hostValues.set(15, kvt::Variant(parseUserLevel(text)));
    options.dumpMenu = kvt::cli::takeFlag(args, "--dump-menu");
    if (kvt::cli::takeOption(args, "--click", text))
        options.clickPath = text;
    if (kvt::cli::takeOption(args, "--script", text)) {
        if (!options.clickPath)
            throw UsageError("--script нужен --click");
        options.script = host::DialogScript::load(kvt::cli::localPath(text));
    }
    if (kvt::cli::takeOption(args, "--report-dir", text)) {
        if (!options.clickPath)
            throw UsageError("--report-dir нужен --click");
        options.reportFolder = kvt::cli::localPath(text);
    }
    if (!args.empty())
        throw UsageError("лишний аргумент: " + args.front());
    return options;
}

int body(std::vector<std::string>& args) {
    Options options = parseOptions(args);
    if (options.stationDatabase)
        setenv("KVT_STATION_DB", options.stationDatabase->c_str(), 1);
    host::chooseHeadlessPlatform();
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "kvt-hostsim";
    static char* argv[] = {name, nullptr};
    const QApplication application(argc, argv);

    const host::EventSink sink = host::standardOutputSink();
    const host::PluginLibrary plugin(options.plugin);
    host::HeadlessHost console(std::move(options.hostValues), sink);
    if (options.reportFolder)
        console.saveReportsTo(*options.reportFolder);
    console.connect(plugin);
    if (options.dumpMenu)
        std::cout << host::dumpMenu(console.menu()) << std::flush;
    if (options.clickPath) {
        // The operator cannot choose a disabled entry; running it anyway would hide that.
        host::MemoryMenuItem& entry = host::runnableMenuPath(console.menu(), *options.clickPath);
        host::DialogScript script(std::move(options.script), sink);
        console.click(entry);
        script.finish();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, kUsage, body);
}
