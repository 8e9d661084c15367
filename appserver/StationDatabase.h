#pragma once

// The station database: a table per record set the server delivers, kept either in one SQLite
// file (a one-computer station) or in PostgreSQL (a station whose workplaces stand on other
// computers). One schema serves both engines, and values are typed by the declared column types,
// which the server maps to field types:
//   INTEGER -> Integer, SMALLINT -> SmallInt, VARCHAR(n) -> String of n characters,
//   FLOAT -> Float, CURRENCY -> Currency (stored as a count of ten-thousandths),
//   DATE and DATETIME -> Date and DateTime (stored as days since 30.12.1899),
//   BOOLEAN -> Boolean (stored as 0 or 1 on both engines, so that every query is one text).
// A database carries an application id and a schema version, so that a foreign database is told
// apart from a station database at open.
//
// Where a station database is named, the name is a file, or a PostgreSQL connection: a
// "postgresql://" URI or a libpq connection string such as "service=kvt-station".

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/AppServer.h"

namespace kvt::appserver {

class Database;
class StatementEngine;
using Connection = std::shared_ptr<Database>;

enum class Engine { SQLite, PostgreSQL };

inline constexpr std::int32_t kStationApplicationId = 0x4B565453;  // "KVTS"
// New databases get the latest version; every version from the oldest one opens, its readers
// telling the tables a version lacks by hasTable().
inline constexpr std::int32_t kStationSchemaVersion = 3;
inline constexpr std::int32_t kOldestStationSchemaVersion = 1;
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

enum class Access { ReadOnly, ReadWrite };

// Whether a station database name is a PostgreSQL connection rather than a file.
bool isPostgresLocation(std::string_view location);

// Opens an existing station database, read-only unless the console that keeps the shift log asks
// to write; a file is never opened through a symbolic link. Throws ServerError naming the
// database when it is missing, cannot be read, is locked by a writer for longer than busyTimeout,
// or is not a station database of a schema version this server reads.
Connection openStationDatabase(const std::filesystem::path& location,
                               std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout,
                               Access access = Access::ReadOnly);

// Creates the schema of `version` in a new, empty database opened for writing (a new file, or a
// PostgreSQL database without station tables); an older version makes the database a station of
// that time would have kept. `fill` writes the station's rows in the schema's transaction, so
// that a failure leaves no station behind; new rows are numbered after those it wrote.
Connection createStationDatabase(const std::filesystem::path& location,
                                 std::int32_t version = kStationSchemaVersion,
                                 const std::function<void(const Connection&)>& fill = {});

std::int32_t schemaVersion(const Connection& db);

// The least rights of a PostgreSQL station's roles: the workplaces' role may only read the
// station's tables, the console's role may read them and write the shift log; neither may change
// its session's settings from inside a query (set_config). Throws ServerError
// for a SQLite station, which keeps no roles, or for a role the database does not know.
void grantStationRoles(const Connection& db, std::string_view workplaceRole,
                       std::string_view consoleRole);

// Whether the database has the table, named without regard to case as SQL names it: tables came
// with schema versions, and a reader of a later table finds nothing in an older database.
bool hasTable(const Connection& db, std::string_view table);

// The station tables of a schema version in the order they are made, so that a table comes after
// the tables it refers to.
std::vector<std::string> stationTables(std::int32_t version = kStationSchemaVersion);

// Field type and size of a declared column type; nothing for an unknown or missing one.
std::optional<FieldDef> fieldOfDeclaredType(std::string_view declaredType);

// How a column's value is stored in the current row.
enum class Stored { Null, Integer, Float, Text };

// One statement, its parameters numbered from 1 in the order SQLite numbers them ("?", "?N" and
// ":name"), whatever the engine. It keeps its connection alive.
class Statement {
public:
    enum class Fetch {
        Whole,     // the engine may hold every row of the result at once
        InPackets  // rows are taken from the engine a packet at a time, for long record sets
    };

    Statement(Connection connection, std::string_view sql, Fetch fetch = Fetch::Whole);
    // A statement the engine has prepared already, such as a client's checked command text.
    Statement(Connection connection, std::unique_ptr<StatementEngine> engine);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int32_t value);
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view value);
    Statement& bind(int index, const char* value) { return bind(index, std::string_view(value)); }
    Statement& bindNull(int index);
    // The number of a ":name" parameter, 0 when the statement has none of that name.
    int parameterIndex(std::string_view name) const;

    // True while a row is available; throws ServerError with the database's message otherwise.
    bool step();
    // Makes the statement run again from the start, with no values bound.
    void reset();

    int columnCount() const;
    std::string columnName(int column) const;
    // The field a column of a table is declared as; nothing for a computed column.
    std::optional<FieldDef> declaredField(int column) const;
    Stored stored(int column) const;
    bool isNull(int column) const { return stored(column) == Stored::Null; }
    std::int64_t integer(int column) const;
    double real(int column) const;
    // Valid until the next step; empty for a null.
    std::string_view text(int column) const;

    const Connection& connection() const { return connection_; }

private:
    Connection connection_;
    std::unique_ptr<StatementEngine> engine_;
};

// Runs statements without results (schema, transactions, writes); throws ServerError.
void execute(const Connection& db, std::string_view sql);

// A transaction of a writer, rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection db_;
    bool open_ = true;
};

}  // namespace kvt::appserver
