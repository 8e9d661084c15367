#pragma once
// kvt-station's command line. Qt's application object takes "-plugin" and "--plugin" for its own
// option (a Qt plug-in to load) and removes them from argv before any parser of the console sees
// them. So the console's own options leave argv before the application object is made, and are
// read once it exists, when Qt's translations make the parser's errors Russian.
#include <QStringList>

#include "host/station/StationSetup.h"

namespace kvt::station {

struct ConsoleOptions {
    StationSetup setup;
    // Start without the window, print the menu tree and end (ConsoleMenuDump.h).
    bool dumpMenu = false;
};

// Removes the console's own options ("--plugin", "--station-db", "--host-values", each with its
// value as the next argument or after '=', and "--dump-menu") from argv, argc with it, and returns
// them in their order. Everything after "--" stays.
QStringList takeConsoleArguments(int& argc, char** argv);

// Whether the taken arguments ask for the menu dump; for what must be decided before the
// application object exists.
bool asksForMenuDump(const QStringList& own);

// The options from the taken arguments and what Qt left of the command line
// (QCoreApplication::arguments()). --help, an unknown option or a missing value print their text
// and end the program, as QCommandLineParser::process does.
ConsoleOptions readConsoleOptions(const QStringList& own);

}  // namespace kvt::station
