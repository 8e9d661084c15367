#pragma once

// What each database engine provides under the station database's engine-neutral statements.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "appserver/StationDatabase.h"

namespace kvt::appserver {

class StatementEngine {
public:
    virtual ~StatementEngine() = default;
    virtual void bindInt32(int index, std::int32_t value) = 0;
    virtual void bindInt64(int index, std::int64_t value) = 0;
    virtual void bindReal(int index, double value) = 0;
    virtual void bindText(int index, std::string_view value) = 0;
    virtual void bindNull(int index) = 0;
    virtual int parameterIndex(std::string_view name) const = 0;
    virtual bool step() = 0;
    virtual void reset() = 0;
    virtual int columnCount() const = 0;
    virtual std::string columnName(int column) const = 0;
    virtual std::optional<FieldDef> declaredField(int column) const = 0;
    virtual Stored stored(int column) const = 0;
    virtual std::int64_t integer(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual std::string_view text(int column) const = 0;
};

// A client's command text that the database will not run; the reason completes the refusal.
class RefusedCommand : public ExceptionOf<RefusedCommand, ServerError> {
public:
    using ExceptionOf::ExceptionOf;
};

class Database {
public:
    explicit Database(std::string name) : name_(std::move(name)) {}
    virtual ~Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    virtual Engine engine() const = 0;
    // How messages name the database: "Станционная база данных <file or connection>".
    const std::string& name() const { return name_; }

    virtual std::unique_ptr<StatementEngine> prepare(std::string_view sql,
                                                     Statement::Fetch fetch) = 0;
    // A client's command text: exactly one statement that only reads, its rows taken in packets.
    // Throws RefusedCommand with the reason, or ServerError when the text does not compile.
    virtual std::unique_ptr<StatementEngine> prepareClientQuery(std::string_view sql) = 0;
    virtual void execute(std::string_view sql) = 0;
    // A writer's transaction (Transaction).
    virtual void begin() { execute("BEGIN"); }
    virtual void commit() { execute("COMMIT"); }
    virtual void rollback() { execute("ROLLBACK"); }
    virtual bool hasTable(std::string_view table) = 0;

    // The station mark: application id and schema version; 0 and 0 for an unmarked database.
    struct Mark {
        std::int32_t applicationId = 0;
        std::int32_t version = 0;
    };
    virtual Mark readMark() = 0;
    virtual void writeMark(const Mark& mark) = 0;

private:
    std::string name_;
};

// The engines' own connections; each throws ServerError naming the database.
Connection openSqliteDatabase(const std::filesystem::path& file, std::chrono::milliseconds busy,
                              Access access, bool create);
Connection openPostgresDatabase(const std::string& conninfo, Access access);

// A PostgreSQL connection as messages show it: its settings without the password.
std::string postgresDisplayName(const std::string& conninfo);

// A letter, digit or underscore: a character of an SQL name.
bool isSqlWordChar(char c);
// The text without the blanks around it.
std::string_view trimmedSql(std::string_view text);

// The spelling the schema gives a column or table name, for an engine that reports names folded
// to lower case; the name itself when the schema has no such name.
std::string schemaSpelling(std::string_view name);

// A statement's "?", "?N" and ":name" parameters rewritten as PostgreSQL's "$N", numbered as
// SQLite numbers them; `names` receives each named parameter's number, `parameters` the highest
// number.
std::string postgresPlaceholders(std::string_view sql,
                                 std::vector<std::pair<std::string, int>>* names = nullptr,
                                 int* parameters = nullptr);

}  // namespace kvt::appserver
