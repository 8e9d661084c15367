#include "appserver/StationCopy.h"

#include "appserver/StationDatabase.h"

namespace kvt::appserver {

namespace {

// The current row's value of `column` bound as the same kind of value.
void bindSame(Statement& insert, int index, const Statement& row, int column) {
    switch (row.stored(column)) {
        case Stored::Null:
            insert.bindNull(index);
            break;
        case Stored::Integer:
            insert.bind(index, row.integer(column));
            break;
        case Stored::Float:
            insert.bind(index, row.real(column));
            break;
        case Stored::Text:
            insert.bind(index, row.text(column));
            break;
    }
}

std::int64_t copyTable(const Connection& from, const Connection& to, const std::string& table) {
    Statement rows(from, "SELECT * FROM " + table, Statement::Fetch::InPackets);
    std::string placeholders;
    for (int i = 1; i <= rows.columnCount(); ++i)
        placeholders += (i > 1 ? ", ?" : "?") + std::to_string(i);
    Statement insert(to, "INSERT INTO " + table + " VALUES (" + placeholders + ")");
    std::int64_t count = 0;
    while (rows.step()) {
        for (int column = 0; column < rows.columnCount(); ++column)
            bindSame(insert, column + 1, rows, column);
        insert.step();
        insert.reset();
        ++count;
    }
    return count;
}

}  // namespace

std::vector<CopiedTable> copyStationDatabase(const std::filesystem::path& from,
                                             const std::filesystem::path& to) {
    const Connection source = openStationDatabase(from);
    const std::int32_t version = schemaVersion(source);
    std::vector<CopiedTable> copied;
    createStationDatabase(to, version, [&](const Connection& target) {
        for (const auto& table : stationTables(version))
            copied.push_back({table, copyTable(source, target, table)});
    });
    return copied;
}

}  // namespace kvt::appserver
