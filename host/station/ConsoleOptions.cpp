#include "host/station/ConsoleOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <string_view>

namespace kvt::station {

namespace {

struct OwnOption {
    std::string_view name;
    bool takesValue;
};

constexpr std::string_view kPlugin = "plugin";
constexpr std::string_view kStationDb = "station-db";
constexpr std::string_view kHostValues = "host-values";
constexpr std::string_view kDumpMenu = "dump-menu";
constexpr OwnOption kOwnOptions[]{
    {kPlugin, true}, {kStationDb, true}, {kHostValues, true}, {kDumpMenu, false}};

// The console's option that `argument` is, as "--NAME" or "--NAME=VALUE"; null for any other.
const OwnOption* ownOption(std::string_view argument) {
    if (!argument.starts_with("--"))
        return nullptr;
    argument.remove_prefix(2);
    for (const OwnOption& option : kOwnOptions) {
        if (argument == option.name)
            return &option;
        if (option.takesValue && argument.starts_with(option.name) &&
            argument.substr(option.name.size()).starts_with('='))
            return &option;
    }
    return nullptr;
}

QString text(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QStringList takeConsoleArguments(int& argc, char** argv) {
    QStringList own;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            while (i < argc)
                argv[kept++] = argv[i++];
            break;
        }
        const OwnOption* option = ownOption(argument);
        if (option == nullptr) {
            argv[kept++] = argv[i];
            continue;
        }
        own << QString::fromLocal8Bit(argv[i]);
        // Without a value the option stays alone, for the parser to tell.
        const bool valueAttached = argument.find('=') != std::string_view::npos;
        if (option->takesValue && !valueAttached && i + 1 < argc)
            own << QString::fromLocal8Bit(argv[++i]);
    }
    argv[kept] = nullptr;
    argc = kept;
    return own;
}

// As the parser will read them: a word taken as an option's value is no option of its own.
bool asksForMenuDump(const QStringList& own) {
    for (qsizetype i = 0; i < own.size(); ++i) {
        const std::string argument = own[i].toStdString();
        const OwnOption* option = ownOption(argument);
        if (option == nullptr)
            continue;
        if (option->name == kDumpMenu)
            return true;
        if (option->takesValue && argument.find('=') == std::string::npos)
            ++i;
    }
    return false;
}

ConsoleOptions readConsoleOptions(const QStringList& own) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Консоль оператора станции: загружает отчетный модуль в свои меню.");
    parser.addHelpOption();
    const QCommandLineOption plugin(
        text(kPlugin),
        "Отчетный модуль (по умолчанию KVT_PLUGIN, иначе ../lib/libKVTReports7.so от папки "
        "программы в дереве сборки, иначе ../lib/kvtreports/libKVTReports7.so от нее в "
        "установленном дереве).",
        "PATH");
    const QCommandLineOption stationDb(text(kStationDb),
                                       "Станционная база: файл или база PostgreSQL (URI "
                                       "postgresql://... или строка соединения, например "
                                       "service=kvt-station); по умолчанию KVT_STATION_DB, иначе "
                                       "$KVT_ROOT/station/station.db.",
                                       "FILE|CONNINFO");
    const QCommandLineOption hostValues(
        text(kHostValues),
        "Значения консоли (по умолчанию $KVT_ROOT/station/kvt-station.json, если он есть).",
        "FILE.json");
    const QCommandLineOption dumpMenu(
        text(kDumpMenu),
        "Запускается как обычно, но без окна, печатает дерево меню (по два пробела отступа на "
        "уровень, как kvt-hostsim --dump-menu) и завершается; ошибки выводятся в стандартный "
        "поток ошибок, и код выхода 1, если они были.");
    parser.addOptions({plugin, stationDb, hostValues, dumpMenu});

    QStringList arguments = QCoreApplication::arguments();
    arguments = arguments.mid(0, 1) + own + arguments.mid(1);
    parser.process(arguments);
    return ConsoleOptions{
        resolveSetup(parser.value(plugin).toStdString(), parser.value(stationDb).toStdString(),
                     parser.value(hostValues).toStdString()),
        parser.isSet(dumpMenu)};
}

}  // namespace kvt::station
