// kvt-station: the station operator console with the report plug-in in its menus.
#include <QApplication>

#include <cstdlib>
#include <iostream>

#include "host/kit/HeadlessPlatform.h"
#include "host/station/ConsoleMenuDump.h"
#include "host/station/ConsoleOptions.h"
#include "host/station/StationWindow.h"
#include "ui/QtTranslation.h"

int main(int argc, char** argv) {
    const QStringList own = kvt::station::takeConsoleArguments(argc, argv);
    // The menu dump shows no window, so it needs no display.
    if (kvt::station::asksForMenuDump(own))
        kvt::host::chooseHeadlessPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName("kvt-station");
    QApplication::setApplicationDisplayName(kvt::station::kStationTitle);
    // The console speaks Russian, and so do Qt's own dialogs and the command line's errors.
    kvt::ui::installQtRussianTranslation();

    const kvt::station::ConsoleOptions options = kvt::station::readConsoleOptions(own);
    // The plug-in's in-process server reads the same database as the console.
    setenv("KVT_STATION_DB", options.setup.stationDatabase.c_str(), 1);
    if (options.dumpMenu)
        return kvt::station::dumpStartedMenu(options.setup, std::cout, std::cerr);

    kvt::station::StationWindow window(options.setup);
    window.show();
    window.start();
    return QApplication::exec();
}
