#pragma once

// The station database: one SQLite file with a table per record set the server delivers. Values
// are typed by the declared column types, which the server maps to field types:
//   INTEGER -> Integer, SMALLINT -> SmallInt, VARCHAR(n) -> String of n characters,
//   FLOAT -> Float, CURRENCY -> Currency (stored as a count of ten-thousandths),
//   DATE and DATETIME -> Date and DateTime (stored as days since 30.12.1899),
//   BOOLEAN -> Boolean (stored as 0 or 1).
// The file carries an application id and a schema version, so that a foreign SQLite file is
// told apart from a station database at open.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "appserver/AppServer.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kvt::appserver {

using Connection = std::shared_ptr<sqlite3>;

inline constexpr std::int32_t kStationApplicationId = 0x4B565453;  // "KVTS"
// New files get the latest version; every version from the oldest one opens, its readers telling
// the tables a version lacks by hasTable().
inline constexpr std::int32_t kStationSchemaVersion = 3;
inline constexpr std::int32_t kOldestStationSchemaVersion = 1;
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

enum class Access { ReadOnly, ReadWrite };

// Opens an existing station database, read-only unless the console that keeps the shift log asks
// to write, without following a symbolic link. Throws ServerError naming the file when it is
// missing, cannot be read, is locked by a writer for longer than busyTimeout, or is not a station
// database of a schema version this server reads.
Connection openStationDatabase(const std::filesystem::path& file,
                               std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout,
                               Access access = Access::ReadOnly);

// Creates the schema of `version` in a new, empty file opened for writing; an older version
// makes the file a station of that time would have kept.
Connection createStationDatabase(const std::filesystem::path& file,
                                 std::int32_t version = kStationSchemaVersion);

// Whether the database has the table, named without regard to case as SQL names it: tables came
// with schema versions, and a reader of a later table finds nothing in an older database.
bool hasTable(const Connection& db, std::string_view table);

// Field type and size of a declared column type; nothing for an unknown or missing one.
std::optional<FieldDef> fieldOfDeclaredType(std::string_view declaredType);

// A prepared statement, finalized on destruction. It keeps its connection alive.
class Statement {
public:
    // With `rest`, only the first statement of sql is prepared and rest receives what follows
    // it; a text without any statement leaves get() null.
    Statement(Connection connection, std::string_view sql, std::string_view* rest = nullptr);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return statement_; }
    sqlite3* db() const { return connection_.get(); }
    // True while a row is available; throws ServerError with the database's message otherwise.
    bool step();
    void reset();

private:
    Connection connection_;
    sqlite3_stmt* statement_ = nullptr;
};

// Runs statements without results (schema, transactions); throws ServerError on failure.
void execute(sqlite3* db, std::string_view sql);

// The database's message for its last error.
std::string lastError(sqlite3* db);

}  // namespace kvt::appserver
