#include <sqlite3.h>

#include <cctype>

#include "appserver/DatabaseEngine.h"
#include "platform/SqliteText.h"

namespace kvt::appserver {

namespace {

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, CloseConnection>;

std::string lastError(sqlite3* db) {
    return platform::sqliteErrorText(db);
}

class SqliteStatement : public StatementEngine {
public:
    // With `rest`, only the first statement of sql is prepared and rest receives what follows it.
    SqliteStatement(sqlite3* db, std::string_view sql, std::string_view* rest = nullptr) : db_(db) {
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, &tail) !=
            SQLITE_OK)
            throw ServerError(lastError(db_));
        if (rest != nullptr)
            *rest = sql.substr(static_cast<std::size_t>(tail - sql.data()));
    }
    ~SqliteStatement() override { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* get() const { return statement_; }

    void bindInt32(int index, std::int32_t value) override {
        sqlite3_bind_int(statement_, index, value);
    }
    void bindInt64(int index, std::int64_t value) override {
        sqlite3_bind_int64(statement_, index, value);
    }
    void bindReal(int index, double value) override {
        sqlite3_bind_double(statement_, index, value);
    }
    void bindText(int index, std::string_view value) override {
        sqlite3_bind_text(statement_, index, value.empty() ? "" : value.data(),
                          static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int index) override { sqlite3_bind_null(statement_, index); }
    int parameterIndex(std::string_view name) const override {
        return sqlite3_bind_parameter_index(statement_, (":" + std::string(name)).c_str());
    }

    bool step() override {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw ServerError(lastError(db_));
    }
    void reset() override {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

    int columnCount() const override { return sqlite3_column_count(statement_); }
    std::string columnName(int column) const override {
        return sqlite3_column_name(statement_, column);
    }
    std::optional<FieldDef> declaredField(int column) const override {
        const char* declared = sqlite3_column_decltype(statement_, column);
        return declared != nullptr ? fieldOfDeclaredType(declared) : std::nullopt;
    }
    Stored stored(int column) const override {
        switch (sqlite3_column_type(statement_, column)) {
            case SQLITE_NULL:
                return Stored::Null;
            case SQLITE_INTEGER:
                return Stored::Integer;
            case SQLITE_FLOAT:
                return Stored::Float;
            default:
                return Stored::Text;
        }
    }
    std::int64_t integer(int column) const override {
        return sqlite3_column_int64(statement_, column);
    }
    double real(int column) const override { return sqlite3_column_double(statement_, column); }
    std::string_view text(int column) const override {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        if (text == nullptr)
            return {};
        return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
    }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// Only reading is allowed to a client's statement: no ATTACH, PRAGMA or writes, whatever the
// text looks like.
int authorizeClientStatement(void* denied, int action, const char*, const char*, const char*,
                             const char*) {
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_FUNCTION:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        default:
            *static_cast<bool*>(denied) = true;
            return SQLITE_DENY;
    }
}

class ClientAuthorizer {
public:
    explicit ClientAuthorizer(sqlite3* db) : db_(db) {
        sqlite3_set_authorizer(db_, authorizeClientStatement, &denied_);
    }
    ~ClientAuthorizer() { sqlite3_set_authorizer(db_, nullptr, nullptr); }
    ClientAuthorizer(const ClientAuthorizer&) = delete;
    ClientAuthorizer& operator=(const ClientAuthorizer&) = delete;

    bool denied() const { return denied_; }

private:
    sqlite3* db_;
    bool denied_ = false;
};

// What follows the first statement may only be blanks and, if the statement has none of its
// own, one terminating semicolon.
bool onlyTerminatorFollows(std::string_view statement, std::string_view rest) {
    rest = trimmedSql(rest);
    if (!rest.empty() && rest.front() == ';' && !trimmedSql(statement).ends_with(';'))
        rest = trimmedSql(rest.substr(1));
    return rest.empty();
}

class SqliteDatabase : public Database {
public:
    SqliteDatabase(Handle handle, std::string name)
        : Database(std::move(name)), handle_(std::move(handle)) {}

    Engine engine() const override { return Engine::SQLite; }

    std::unique_ptr<StatementEngine> prepare(std::string_view sql, Statement::Fetch) override {
        return std::make_unique<SqliteStatement>(handle_.get(), sql);
    }

    std::unique_ptr<StatementEngine> prepareClientQuery(std::string_view sql) override {
        std::string_view rest;
        std::unique_ptr<SqliteStatement> statement;
        {
            ClientAuthorizer authorizer(handle_.get());
            try {
                statement = std::make_unique<SqliteStatement>(handle_.get(), sql, &rest);
            } catch (const ServerError&) {
                if (authorizer.denied())
                    throw RefusedCommand("оператор не только читает данные");
                throw;
            }
        }
        if (!onlyTerminatorFollows(sql.substr(0, sql.size() - rest.size()), rest))
            throw RefusedCommand("допускается только один оператор");
        if (statement->get() == nullptr || !sqlite3_stmt_readonly(statement->get()))
            throw RefusedCommand("оператор не только читает данные");
        return statement;
    }

    void execute(std::string_view sql) override {
        if (sqlite3_exec(handle_.get(), std::string(sql).c_str(), nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            throw ServerError(lastError(handle_.get()));
    }

    bool hasTable(std::string_view table) override {
        SqliteStatement statement(
            handle_.get(),
            "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
        statement.bindText(1, table);
        return statement.step();
    }

    Mark readMark() override {
        return {.applicationId = pragma("application_id"), .version = pragma("user_version")};
    }

    void writeMark(const Mark& mark) override {
        execute("PRAGMA application_id = " + std::to_string(mark.applicationId));
        execute("PRAGMA user_version = " + std::to_string(mark.version));
    }

private:
    std::int32_t pragma(std::string_view name) {
        SqliteStatement statement(handle_.get(), "PRAGMA " + std::string(name));
        statement.step();
        return static_cast<std::int32_t>(statement.integer(0));
    }

    Handle handle_;
};

}  // namespace

Connection openSqliteDatabase(const std::filesystem::path& file, std::chrono::milliseconds busy,
                              Access access, bool create) {
    const std::string what = "Станционная база данных " + file.string();
    int flags = access == Access::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    // A connection serves the one thread of its server object, so SQLite need not lock it for
    // every value a cursor reads.
    flags |= SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    Handle handle(raw);
    if (rc != SQLITE_OK)
        throw ServerError(what + ": " + (raw ? lastError(raw) : platform::sqliteErrorText(rc)));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, static_cast<int>(busy.count()));
    return std::make_shared<SqliteDatabase>(std::move(handle), what);
}

}  // namespace kvt::appserver
