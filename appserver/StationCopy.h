#pragma once

// Moving a station from its SQLite file into PostgreSQL, when its workplaces come to stand on
// other computers.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvt::appserver {

struct CopiedTable {
    std::string table;
    std::int64_t rows = 0;
};

// Copies every station table of `from` into `to`, a new station database of the same schema
// version (a PostgreSQL database without station tables, or a new file), in one transaction
// with the target's schema: a failed copy leaves no station there. New rows of the target are
// numbered after the copied ones. Returns the tables in the order copied with their row counts;
// throws ServerError naming the database that failed.
std::vector<CopiedTable> copyStationDatabase(const std::filesystem::path& from,
                                             const std::filesystem::path& to);

}  // namespace kvt::appserver
