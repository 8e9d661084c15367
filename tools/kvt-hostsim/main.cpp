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

constexpr std::string_view kUsage = R"(использование:
  kvt-hostsim [--plugin PATH] [--station-db FILE] [--host-values FILE.json] [--user-level N]
              [--dump-menu] [--click PATH [--script FILE.json] [--report-dir DIR]]

Загружает отчетный модуль (по умолчанию KVT_PLUGIN, иначе собранный вместе с этой программой,
иначе установленный рядом с ней), дает ему меню консоли ("&Файл", "&Журналы", "&Ведомости",
"&Настройка", "&Справка") и вызывает InitReportMenu, SetGetValue и SetNewUserPriv.
--station-db     станционная база сервера приложений внутри процесса (KVT_STATION_DB)
--host-values    значения консоли в JSON, по кодам: {"15": 3, "5": true, "19": [...]}
--user-level     уровень оператора, от 0 до 3 (значение консоли 15; важнее файла)
--dump-menu      печатает дерево меню, по два пробела отступа на уровень
--click          выполняет пункт, найденный по заголовкам через "/" (например,
                 "&Журналы/Отчеты/Сменный отчет"), и невидимые тоже, как их сочетание
                 клавиш ("История продаж/ТРК #1", Alt+1), и печатает по строке на событие:
                 GetReport_ N PARAMS, Shown CLASS "CAPTION", Cancelled CLASS,
                 MessageBox "CAPTION" "TEXT", Beep FREQ MS, Error "MESSAGE",
                 List NAME "ITEM" ..., Columns NAME "HEADING" ..., Row NAME N "TEXT" ...,
                 vedFilter N (каждый vedFilter, заданный серверу приложений модуля, по
                 порядку, повторное значение тоже)
--script         шаги для модальных форм, каждый берет очередная показанная форма:
                 [{"form": CLASS, "do": [ACTION, ...]}, ...] с действиями
                 {"click": NAME}, {"set": {NAME: TEXT}}, {"check": {NAME: true}},
                 {"check": {LIST: {"item": N, "checked": false}}},
                 {"select": {NAME: INDEX}}, {"key": "F4"}, {"close": "ok" | "cancel" | N},
                 {"selectRows": {GRID: {"field": F, "values": [V, ...]}}},
                 {"current": {GRID: {"field": F, "value": V}}},
                 {"list": NAME}, {"list": {NAME: COUNT}},
                 {"drag": {NAME: {"button": "right", "dx": 0, "dy": -25,
                                  "modifiers": ["shift"]}}}
                 "set" набирает текст: поле даты принимает его в своем формате показа
                 ("01.03.2024") или в ISO 8601 ("2024-03-01T23:59:00"), поле с маской — так,
                 как его расставляет маска ("08:30"); текст, который поле не принимает, —
                 Error. "check" с item ставит (или снимает) отметку пункта N, с 0, списка
                 с отметками. "drag" нажимает кнопку ("left", "right", "middle"; по
                 умолчанию "left") в центре компонента, сдвигает указатель на dx, dy
                 пикселей и отпускает ее, удерживая модификаторы ("shift", "ctrl", "alt",
                 "meta"). "list" печатает первые COUNT элементов (все, если COUNT нет):
                 у поля со списком или списка — одной строкой List (текущий элемент не
                 отмечен), у таблицы — строкой Columns с заголовками ее видимых столбцов и
                 по строке Row N на каждую строку, N — номер записи, с текстами, которые
                 показывают ячейки. Формы после последнего шага отменяются; окна сообщений
                 получают кнопку по умолчанию.
--report-dir     записывает каждый отчет, выданный консолью, в DIR, в кодовой странице 1251:
                 01-report45.txt (старый формат), 02-report55.html (отчет 55), ...
Ошибки модуля печатаются как события, и код выхода остается 0; неверные параметры, модуль,
который не загружается, ошибочный сценарий или неизвестный пункт меню, недоступный пункт или
пункт в недоступном меню завершают работу с сообщением и кодом выхода 1.)";

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
