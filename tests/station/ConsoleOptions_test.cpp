#include "host/station/ConsoleOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvt::station {
namespace {

// The console takes its own options out of the command line before Qt sees it, and decides the
// menu dump from them as the parser will read them: a value is never an option.
TEST(ConsoleOptionsTest, OwnOptionsAreTakenAndTheMenuDumpReadAsTheParserReadsIt) {
    struct Case {
        std::vector<std::string> args;
        QStringList own;
        int leftToQt;
        bool dump;
    };
    const std::vector<Case> cases{
        {{"--plugin", "p.so", "-platform", "offscreen", "--dump-menu"},
         {"--plugin", "p.so", "--dump-menu"},
         3,
         true},
        {{"--plugin", "--dump-menu"}, {"--plugin", "--dump-menu"}, 1, false},
        {{"--plugin=--dump-menu", "--station-db=s.db"},
         {"--plugin=--dump-menu", "--station-db=s.db"},
         1,
         false},
        {{"--", "--dump-menu"}, {}, 3, false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage{"kvt-station"};
        storage.insert(storage.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& arg : storage)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(storage.size());
        const QStringList own = takeConsoleArguments(argc, argv.data());
        EXPECT_EQ(own, c.own) << c.args.front();
        EXPECT_EQ(argc, c.leftToQt) << c.args.front();
        EXPECT_EQ(asksForMenuDump(own), c.dump) << c.args.front();
    }
}

}  // namespace
}  // namespace kvt::station
