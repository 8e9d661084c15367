// kvt-station: the station operator console with the report plug-in in its menus.
#include <QApplication>
#include <QCommandLineParser>

#include <cstdlib>

#include "host/station/StationWindow.h"
#include "ui/QtTranslation.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("kvt-station");
    QApplication::setApplicationDisplayName(kvt::station::kStationTitle);
    // The console speaks Russian, and so do Qt's own dialogs and the command line's errors.
    kvt::ui::installQtRussianTranslation();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The station operator console: loads the report plug-in into its menus.");
    parser.addHelpOption();
    const QCommandLineOption plugin("plugin", "The report plug-in (default: ../lib from here).",
                                    "PATH");
    const QCommandLineOption stationDb("station-db",
                                       "The station database (default: KVT_STATION_DB, else "
                                       "$KVT_ROOT/station/station.db).",
                                       "FILE");
    const QCommandLineOption hostValues(
        "host-values",
        "The host values (default: $KVT_ROOT/station/kvt-station.json if it "
        "exists).",
        "FILE.json");
    parser.addOptions({plugin, stationDb, hostValues});
    parser.process(application);

    const kvt::station::StationSetup setup = kvt::station::resolveSetup(
        parser.value(plugin).toStdString(), parser.value(stationDb).toStdString(),
        parser.value(hostValues).toStdString());
    // The plug-in's in-process server reads the same database as the console.
    setenv("KVT_STATION_DB", setup.stationDatabase.c_str(), 1);

    kvt::station::StationWindow window(setup);
    window.show();
    window.start();
    return QApplication::exec();
}
