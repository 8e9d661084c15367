#include <gmock/gmock.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestRoot.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// The English words of a message. A word is a run of letters, digits and '_'; it is English when
// it is three or more Latin letters, all small but perhaps the first ("found", "Provider"). The
// system's own names are not: abbreviations in capitals (KVT, HTML, SQL, NULL), names of
// components, fields and functions (edScale, GetReport_, SmNum, DBGrid1: a capital after the
// first letter, a digit or an underscore), and whole blank-separated tokens that name a file
// (holding '/' or '\', or a dot between two letters or digits: "Office.DB", "C:\VEDA\x.frm").
std::vector<std::string> englishWords(const std::string& message) {
    static const std::regex fileName(R"([/\\]|[A-Za-z0-9]\.[A-Za-z0-9])");
    static const std::regex word("[A-Za-z0-9_]+");
    static const std::regex english("[A-Z]?[a-z]{2,}");
    std::vector<std::string> found;
    std::istringstream tokens(message);
    for (std::string token; tokens >> token;) {
        if (std::regex_search(token, fileName))
            continue;
        for (std::sregex_iterator it(token.begin(), token.end(), word), end; it != end; ++it)
            if (std::regex_match(it->str(), english))
                found.push_back(it->str());
    }
    return found;
}

TEST(EnglishWordsTest, OnlyWordsOfEnglishCountNotTheSystemsNames) {
    EXPECT_THAT(englishWords(R"(Provider "NoSuchProvider" not found)"),
                ElementsAre("Provider", "not", "found"));
    EXPECT_THAT(englishWords(R"(Отчет не сформирован, т.к. переменная "GetReport_" не )"
                             R"(инициализирована!)"),
                IsEmpty());
    EXPECT_THAT(englishWords(R"(C:\VEDA\OfficeDB\Office.DB -> Файл не найден (KVT, HTML, )"
                             R"(/tmp/kvt-1/station.db, SmNum IS NULL))"),
                IsEmpty());
}

struct MenuEntry {
    std::string path;
    bool enabled;
};

// The entries of kvt-hostsim's --dump-menu that a click can run: those without children but
// separators, each with whether it and every menu above it are enabled. Errors printed before
// the menu are not entries.
std::vector<MenuEntry> runnableEntries(const std::vector<std::string>& dump) {
    static const std::regex line(
        R"(( *)(.*?)( \[[^\]]*\])?( hidden)?( disabled)?( shortcut=\d+)?)");
    struct Line {
        std::size_t depth;
        std::string path;
        bool enabled;
    };
    std::vector<Line> lines;
    std::vector<Line> above;
    for (const std::string& text : dump) {
        std::smatch parts;
        if (text.starts_with("Error \"") || !std::regex_match(text, parts, line))
            continue;
        const std::size_t depth = parts[1].length() / 2;
        above.resize(depth);
        const bool enabled = !parts[5].matched && (above.empty() || above.back().enabled);
        const std::string path = (above.empty() ? "" : above.back().path + "/") + parts[2].str();
        lines.push_back({depth, path, enabled});
        above.push_back(lines.back());
    }
    std::vector<MenuEntry> entries;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool leaf = i + 1 == lines.size() || lines[i + 1].depth <= lines[i].depth;
        if (leaf && !lines[i].path.ends_with("-"))
            entries.push_back({lines[i].path, lines[i].enabled});
    }
    return entries;
}

// Every entry is clicked without a script, so that every form it shows is cancelled as Esc
// does; each under the first of the operators that may run it (level 0 with the terminal
// returns right, level 3 for the station network's reports), and once under the first that may
// not, whose click kvt-hostsim refuses with a message.
class KvtHostsimMessagesTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        demo_ = base() / "station.db";
        ASSERT_EQ(test::runProcess(test::toolPath("kvt-demo-data"),
                                   {"--out", demo_.string(), "--network"})
                      .exitCode,
                  0);
        fs::create_directories(driveC() / "VEDA" / "OfficeDB");
        fs::copy_file(base() / "Office.DB", driveC() / "VEDA" / "OfficeDB" / "Office.DB");
        ASSERT_EQ(
            test::runProcess(test::toolPath("kvt-ini"), {"C:\\WINDOWS\\cnf.INI", "set", "Reports",
                                                         "ShowDaySmenaFinReport", "`1`"})
                .exitCode,
            0);
        for (const auto& [name, json] : {std::pair{"level0.json", R"({"15": 0, "1": true})"},
                                         std::pair{"level3.json", R"({"15": 3})"}}) {
            operators_.push_back(base() / name);
            test::writeFile(operators_.back(), json);
        }
    }

    test::ProcessResult hostsim(const fs::path& database, const fs::path& hostValues,
                                std::vector<std::string> args) const {
        args.insert(args.begin(),
                    {"--station-db", database.string(), "--host-values", hostValues.string()});
        return test::runProcess(test::toolPath("kvt-hostsim"), args);
    }

    // The Error and MessageBox lines of every entry's run on one station, and the refusal of
    // every entry the operator cannot run, as "Refused MESSAGE".
    std::set<std::string> messagesOfEveryEntry(const fs::path& database) const {
        std::set<std::string> messages;
        std::set<std::string> clicked;
        std::set<std::string> refused;
        const auto keep = [&messages](const test::ProcessResult& result) {
            EXPECT_EQ(result.exitCode, 0) << result.err;
            for (const std::string& line : test::splitLines(result.out))
                if (line.starts_with("Error ") || line.starts_with("MessageBox "))
                    messages.insert(line);
        };
        for (const fs::path& hostValues : operators_) {
            const test::ProcessResult menu = hostsim(database, hostValues, {"--dump-menu"});
            keep(menu);
            for (const MenuEntry& entry : runnableEntries(test::splitLines(menu.out))) {
                if (entry.enabled && clicked.insert(entry.path).second)
                    keep(hostsim(database, hostValues, {"--click", entry.path}));
                if (!entry.enabled && refused.insert(entry.path).second) {
                    const test::ProcessResult refusal =
                        hostsim(database, hostValues, {"--click", entry.path});
                    // The refusal ends the run: Qt's own warnings may come before it.
                    const std::vector<std::string> lines = test::splitLines(refusal.err);
                    EXPECT_EQ(refusal.exitCode, 1) << entry.path;
                    if (!lines.empty())
                        messages.insert("Refused " + lines.back());
                }
            }
        }
        EXPECT_THAT(clicked, Not(IsEmpty()));
        EXPECT_THAT(refused, Not(IsEmpty()));
        return messages;
    }

    fs::path demo_;
    std::vector<fs::path> operators_;
};

TEST_F(KvtHostsimMessagesTest, NoMessageOfAnyEntryHoldsEnglish) {
    std::set<std::string> messages;
    for (const fs::path& database : {demo_, base() / "none.db"})
        messages.merge(messagesOfEveryEntry(database));
    ASSERT_THAT(messages, Not(IsEmpty()));
    for (const std::string& message : messages)
        EXPECT_THAT(englishWords(message.substr(message.find(' ') + 1)), IsEmpty()) << message;
}

}  // namespace
}  // namespace kvt
