#pragma once
// The network's stations as the office keeps them, for the reports that cover several stations
// (35, 36). The office table C:\VEDA\OfficeDB\Office.DB lists every station by number
// (KVTNumber) and name (KVTName); a station's figures are in a station database: the console's
// own for the station whose number the console's database carries, else the office's copy
// "KVT<number>.db" beside the console's database. Whatever of this cannot be reached (the table,
// a name it lacks, a station's database) becomes a notice line of the report, never a failure,
// so that one station's trouble never hides the figures of the others.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/StationDatabase.h"

namespace kvt::host {

// The non-blank lines of a list the plug-in sends, one item a line (CR LF or LF between them),
// without the blanks around each item.
std::vector<std::string> listedLines(std::string_view text);

// Whether a list is "*", which the plug-in sends for "every item" rather than a list.
bool listsEvery(std::string_view text);

struct NetworkStation {
    std::int32_t number = 0;
    std::string name;  // empty when the office table does not name the station
};

// "АЗС «Северная» (KVT №3)", or "KVT №3" for a station without a name.
std::string stationTitle(const NetworkStation& station);

// The stations a request names, in its order, and the notices of what it named that cannot be
// found.
struct StationSelection {
    std::vector<NetworkStation> stations;
    std::vector<std::string> notices;
};

// A station database opened for a report, or why it is not.
struct OpenStation {
    NetworkStation station;  // named by its database when the office table does not name it
    std::filesystem::path file;
    appserver::Connection db;  // empty when `problem` says why
    std::string problem;
};

class Network {
public:
    // Reads the office table through the drive mapping and the number of the console's own
    // station from its database; throws appserver::ServerError when that database cannot be
    // read, as every report of the console does.
    explicit Network(const std::filesystem::path& ownDatabase);

    // "*": every station of the office table in table order; otherwise the names, one a line,
    // as the table spells them.
    StationSelection byNames(std::string_view names) const;
    // The stations of the numbers in the order given, whether or not the office table has them.
    StationSelection byNumbers(const std::vector<std::int32_t>& numbers) const;

    OpenStation open(const NetworkStation& station) const;

private:
    StationSelection selection() const;
    std::filesystem::path databaseOf(std::int32_t number) const;

    std::filesystem::path ownDatabase_;
    std::optional<std::int32_t> ownNumber_;
    std::vector<NetworkStation> stations_;
    // What is wrong with the office table; every selection begins with these.
    std::vector<std::string> tableNotices_;
};

}  // namespace kvt::host
