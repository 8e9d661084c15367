#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <utility>
#include <vector>

#include "appserver/DatabaseEngine.h"
#include "platform/Text.h"

namespace kvt::appserver {

namespace {

// Type ids of PostgreSQL's built-in types (pg_type.h).
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

// A workplace's connection attempt gives up after this many seconds: an unreachable computer
// must say so while the operator still waits for the menu entry he chose.
constexpr std::string_view kConnectTimeoutSeconds = "4";
// No statement of a reader runs longer: a client's command text cannot hold the server.
constexpr std::string_view kReaderStatementTimeout = "30s";

struct ClearResult {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

struct FinishConnection {
    void operator()(PGconn* conn) const { PQfinish(conn); }
};
using Handle = std::unique_ptr<PGconn, FinishConnection>;

std::string trimmedMessage(const char* message) {
    std::string text = message != nullptr ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string sqlState(const PGresult* result) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return state != nullptr ? state : "";
}

// A statement that failed in the database; the SQLSTATE lets a caller tell refusals apart.
class PgError : public ExceptionOf<PgError, ServerError> {
public:
    PgError(const std::string& message, std::string state)
        : ExceptionOf(message), state_(std::move(state)) {}
    const std::string& state() const { return state_; }

private:
    std::string state_;
};

FieldType typeOfName(std::string_view name, int typmod, int& size) {
    size = 0;
    static const std::pair<std::string_view, FieldType> kTypes[] = {
        {"kvt_currency", FieldType::Currency}, {"kvt_date", FieldType::Date},
        {"kvt_datetime", FieldType::DateTime}, {"kvt_boolean", FieldType::Boolean},
        {"int4", FieldType::Integer},          {"int2", FieldType::SmallInt},
        {"float8", FieldType::Float},          {"float4", FieldType::Float},
        {"bool", FieldType::Boolean},
    };
    for (const auto& [typeName, type] : kTypes)
        if (name == typeName)
            return type;
    size = typmod > 4 ? typmod - 4 : 255;
    return FieldType::String;
}

constexpr std::string_view kSyntaxError = "42601";
constexpr std::string_view kReadOnlyTransaction = "25006";
constexpr std::string_view kFeatureNotSupported = "0A000";
constexpr Oid kText = 25;

std::string_view withoutTerminator(std::string_view sql) {
    sql = trimmedSql(sql);
    if (sql.ends_with(';'))
        sql = trimmedSql(sql.substr(0, sql.size() - 1));
    return sql;
}

// A semicolon outside strings, quoted names and comments: the text holds more than one
// statement, which the simple protocol of a cursor's DECLARE would run one after the other.
bool hasSecondStatement(std::string_view sql) {
    std::size_t i = 0;
    const auto skipTo = [&](std::string_view end) {
        const std::size_t found = sql.find(end, i);
        i = found == std::string_view::npos ? sql.size() : found + end.size();
    };
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == ';')
            return true;
        if (c == '\'' || c == '"') {
            ++i;
            skipTo(std::string_view(&c, 1));
        } else if (sql.substr(i, 2) == "--") {
            skipTo("\n");
        } else if (sql.substr(i, 2) == "/*") {
            i += 2;
            skipTo("*/");
        } else if (c == '$' && (i == 0 || !isSqlWordChar(sql[i - 1]))) {
            // A dollar-quoted string, $tag$ ... $tag$, its tag a name or nothing; "$1" is a
            // parameter and a "$" inside a name part of the name.
            std::size_t close = i + 1;
            if (close < sql.size() && std::isdigit(static_cast<unsigned char>(sql[close])) == 0)
                while (close < sql.size() && isSqlWordChar(sql[close]))
                    ++close;
            if (close >= sql.size() || sql[close] != '$') {
                i = close;
                continue;
            }
            const std::string tag(sql.substr(i, close - i + 1));
            i = close + 1;
            skipTo(tag);
        } else {
            ++i;
        }
    }
    return false;
}

// The spelling a name has in the statement's text, where the engine folded it to lower case.
std::string spellingIn(std::string_view sql, std::string_view name) {
    for (std::size_t i = 0; i + name.size() <= sql.size(); ++i) {
        if ((i > 0 && isSqlWordChar(sql[i - 1])) ||
            (i + name.size() < sql.size() && isSqlWordChar(sql[i + name.size()])))
            continue;
        if (platform::equalsIgnoreCase(sql.substr(i, name.size()), name))
            return std::string(sql.substr(i, name.size()));
    }
    return schemaSpelling(name);
}

class PgDatabase;

class PgStatement : public StatementEngine {
public:
    PgStatement(PgDatabase& db, std::string_view sql, Statement::Fetch fetch);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bindInt32(int index, std::int32_t value) override {
        set(index, std::to_string(value), kInt4);
    }
    void bindInt64(int index, std::int64_t value) override {
        set(index, std::to_string(value), kInt8);
    }
    void bindReal(int index, double value) override {
        std::array<char, 32> buffer{};
        const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
        set(index, std::string(buffer.data(), end), kFloat8);
    }
    void bindText(int index, std::string_view value) override { set(index, std::string(value), 0); }
    void bindNull(int index) override { set(index, std::nullopt, 0); }
    int parameterIndex(std::string_view name) const override {
        for (const auto& [param, number] : names_)
            if (param.size() == name.size() + 1 && std::string_view(param).substr(1) == name)
                return number;
        return 0;
    }

    bool step() override;
    void reset() override;

    int columnCount() const override { return result_ ? PQnfields(result_.get()) : 0; }
    std::string columnName(int column) const override {
        return spellingIn(sql_, PQfname(result_.get(), column));
    }
    std::optional<FieldDef> declaredField(int column) const override;
    Stored stored(int column) const override {
        if (PQgetisnull(result_.get(), row_, column))
            return Stored::Null;
        switch (PQftype(result_.get(), column)) {
            case kBool:
            case kInt2:
            case kInt4:
            case kInt8:
                return Stored::Integer;
            case kFloat4:
            case kFloat8:
            case kNumeric:
                return Stored::Float;
            default:
                return Stored::Text;
        }
    }
    std::int64_t integer(int column) const override {
        const std::string_view value = text(column);
        if (PQftype(result_.get(), column) == kBool)
            return value == "t" ? 1 : 0;
        std::int64_t number = 0;
        if (std::from_chars(value.data(), value.data() + value.size(), number).ec != std::errc())
            return static_cast<std::int64_t>(real(column));
        return number;
    }
    double real(int column) const override {
        const std::string_view value = text(column);
        double number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        return number;
    }
    std::string_view text(int column) const override {
        return {PQgetvalue(result_.get(), row_, column),
                static_cast<std::size_t>(PQgetlength(result_.get(), row_, column))};
    }

    void start();
    // Declares the cursor and closes it again, running nothing: a client's command text is
    // refused or fails at once, and runs with the values bound to it afterwards.
    void validate();

private:
    void set(int index, std::optional<std::string> value, Oid type) {
        if (index < 1 || index > static_cast<int>(values_.size()))
            return;
        values_[static_cast<std::size_t>(index - 1)] = std::move(value);
        types_[static_cast<std::size_t>(index - 1)] = type;
    }
    Result run(const std::string& sql);
    void declare();
    bool nextPacket();

    PgDatabase& db_;
    // Filled as sql_ is made.
    std::vector<std::pair<std::string, int>> names_;
    int parameters_ = 0;
    std::string sql_;
    Statement::Fetch fetch_;
    std::vector<std::optional<std::string>> values_;
    std::vector<Oid> types_;
    Result result_;
    int row_ = -1;
    bool started_ = false;
    bool exhausted_ = false;  // no further packet is to be asked for
    std::string cursor_;
    std::uint64_t transaction_ = 0;
    int packet_ = 1;
};

class PgDatabase : public Database {
public:
    PgDatabase(Handle handle, std::string name, Access access)
        : Database(std::move(name)), handle_(std::move(handle)), access_(access) {}

    Engine engine() const override { return Engine::PostgreSQL; }

    std::unique_ptr<StatementEngine> prepare(std::string_view sql,
                                             Statement::Fetch fetch) override {
        return std::make_unique<PgStatement>(*this, sql, fetch);
    }

    std::unique_ptr<StatementEngine> prepareClientQuery(std::string_view sql) override {
        const std::string_view text = withoutTerminator(sql);
        if (text.find(';') != std::string_view::npos && hasSecondStatement(text))
            throw RefusedCommand("допускается только один оператор");
        auto statement = std::make_unique<PgStatement>(*this, text, Statement::Fetch::InPackets);
        try {
            statement->validate();
        } catch (const PgError& e) {
            // A cursor takes queries only: a statement that compiles but cannot be one writes.
            if (e.state() == kSyntaxError && compiles(text))
                throw RefusedCommand("оператор не только читает данные");
            refuseOrRethrow(e);
        }
        return statement;
    }

    void execute(std::string_view sql) override {
        const std::string text(sql);
        Result result(PQexec(handle_.get(), text.c_str()));
        check(result);
    }

    bool hasTable(std::string_view table) override {
        PgStatement statement(*this,
                              "SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = "
                              "current_schema() AND tablename = lower(?1)",
                              Statement::Fetch::Whole);
        statement.bindText(1, table);
        return statement.step();
    }

    Mark readMark() override {
        if (!hasTable("KvtStation"))
            return {};
        PgStatement statement(*this, "SELECT ApplicationID, SchemaVersion FROM KvtStation",
                              Statement::Fetch::Whole);
        if (!statement.step())
            return {};
        return {.applicationId = static_cast<std::int32_t>(statement.integer(0)),
                .version = static_cast<std::int32_t>(statement.integer(1))};
    }

    void writeMark(const Mark& mark) override {
        execute(
            "CREATE TABLE IF NOT EXISTS KvtStation (ApplicationID INTEGER NOT NULL, "
            "SchemaVersion INTEGER NOT NULL); DELETE FROM KvtStation");
        execute("INSERT INTO KvtStation VALUES (" + std::to_string(mark.applicationId) + ", " +
                std::to_string(mark.version) + ")");
    }

    // Runs one statement with text parameters; a failure inside a cursor's transaction ends the
    // transaction, since PostgreSQL refuses everything after it until then.
    Result run(const std::string& sql, const std::vector<std::optional<std::string>>& values,
               const std::vector<Oid>& types) {
        std::vector<const char*> pointers;
        pointers.reserve(values.size());
        for (const auto& value : values)
            pointers.push_back(value ? value->c_str() : nullptr);
        Result result(PQexecParams(handle_.get(), sql.c_str(), static_cast<int>(values.size()),
                                   types.data(), pointers.data(), nullptr, nullptr, 0));
        check(result);
        return result;
    }

    // Cursors live in a transaction that lasts while any of them is open, or in the writer's.
    // A reader's is read-only and limits each statement's time by itself, whatever a client's
    // text may have set for the session.
    std::uint64_t openCursor() {
        if (openCursors_ == 0 && !writing_) {
            execute(access_ == Access::ReadOnly
                        ? "BEGIN READ ONLY; SET LOCAL statement_timeout = '" +
                              std::string(kReaderStatementTimeout) + "'"
                        : std::string("BEGIN"));
            ++transaction_;
        }
        ++openCursors_;
        return transaction_;
    }

    void closeCursor(const std::string& cursor, std::uint64_t transaction) {
        if (transaction != transaction_ || openCursors_ == 0 ||
            PQstatus(handle_.get()) != CONNECTION_OK)
            return;
        try {
            execute("CLOSE " + cursor);
            // A reader keeps nothing of its transaction, whatever a client's query did in it.
            if (--openCursors_ == 0 && !writing_)
                execute(access_ == Access::ReadOnly ? "ROLLBACK" : "COMMIT");
        } catch (const ServerError&) {
            // check() has ended the transaction already.
        }
    }

    void begin() override {
        if (openCursors_ == 0)
            execute("BEGIN");
        writing_ = true;
    }
    void commit() override {
        writing_ = false;
        if (openCursors_ == 0)
            execute("COMMIT");
    }
    void rollback() override {
        writing_ = false;
        endCursors();
        execute("ROLLBACK");
    }

    bool transactionAlive(std::uint64_t transaction) const {
        return transaction == transaction_ && openCursors_ > 0;
    }

    std::string nextCursorName() { return "kvt_cursor_" + std::to_string(++cursors_); }

    const FieldDef* declaredField(Oid table, int column) {
        if (!catalogRead_)
            readCatalog();
        const auto found = declared_.find({table, column});
        return found != declared_.end() ? &found->second : nullptr;
    }

private:
    void check(const Result& result) {
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        std::string message = trimmedMessage(PQerrorMessage(handle_.get()));
        const std::string state = result ? sqlState(result.get()) : "";
        // The failed transaction refuses everything until it ends: the cursors' own ends here,
        // a writer's when its Transaction rolls back.
        if (openCursors_ > 0) {
            endCursors();
            if (!writing_ && PQstatus(handle_.get()) == CONNECTION_OK)
                PQclear(PQexec(handle_.get(), "ROLLBACK"));
        }
        if (PQstatus(handle_.get()) != CONNECTION_OK)
            throw ServerUnreachable("связь с сервером базы данных потеряна: " + message);
        throw PgError(message, state);
    }

    void endCursors() {
        openCursors_ = 0;
        ++transaction_;
    }

    bool compiles(std::string_view sql) {
        const Result result(PQprepare(handle_.get(), "", std::string(sql).c_str(), 0, nullptr));
        return result && PQresultStatus(result.get()) == PGRES_COMMAND_OK;
    }

    // A write in a read-only transaction, or a data-modifying WITH that a cursor refuses.
    [[noreturn]] static void refuseOrRethrow(const PgError& e) {
        if (e.state() == kReadOnlyTransaction || e.state() == kFeatureNotSupported)
            throw RefusedCommand("оператор не только читает данные");
        throw;
    }

    void readCatalog() {
        catalogRead_ = true;
        PgStatement columns(*this,
                            "SELECT a.attrelid, a.attnum, t.typname, a.atttypmod FROM "
                            "pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = "
                            "a.attrelid JOIN pg_catalog.pg_type t ON t.oid = a.atttypid WHERE "
                            "c.relnamespace = current_schema()::regnamespace AND c.relkind = 'r' "
                            "AND a.attnum > 0 AND NOT a.attisdropped",
                            Statement::Fetch::Whole);
        while (columns.step()) {
            FieldDef def;
            def.type = typeOfName(columns.text(2), static_cast<int>(columns.integer(3)), def.size);
            declared_.emplace(std::pair{static_cast<Oid>(columns.integer(0)),
                                        static_cast<int>(columns.integer(1))},
                              std::move(def));
        }
    }

    Handle handle_;
    Access access_;
    int openCursors_ = 0;
    bool writing_ = false;  // in a writer's Transaction
    std::uint64_t transaction_ = 0;
    std::uint64_t cursors_ = 0;
    bool catalogRead_ = false;
    std::map<std::pair<Oid, int>, FieldDef> declared_;
};

PgStatement::PgStatement(PgDatabase& db, std::string_view sql, Statement::Fetch fetch)
    : db_(db), sql_(postgresPlaceholders(sql, &names_, &parameters_)), fetch_(fetch) {
    values_.resize(static_cast<std::size_t>(parameters_));
    types_.resize(static_cast<std::size_t>(parameters_), 0);
}

PgStatement::~PgStatement() {
    if (!cursor_.empty())
        db_.closeCursor(cursor_, transaction_);
}

Result PgStatement::run(const std::string& sql) {
    return db_.run(sql, values_, types_);
}

void PgStatement::start() {
    started_ = true;
    if (fetch_ == Statement::Fetch::Whole) {
        result_ = run(sql_);
        exhausted_ = true;
        return;
    }
    declare();
    nextPacket();
}

void PgStatement::validate() {
    declare();
    reset();
}

void PgStatement::declare() {
    const std::string name = db_.nextCursorName();
    transaction_ = db_.openCursor();
    cursor_ = name;
    // A DECLARE does not infer its parameters' types; text compares with any string column.
    std::replace(types_.begin(), types_.end(), Oid{0}, kText);
    run("DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + sql_);
}

// Packets grow, so that a short record set costs one round trip and a long one few.
bool PgStatement::nextPacket() {
    if (!db_.transactionAlive(transaction_))
        throw ServerError("набор записей закрыт: транзакция, в которой он читался, прервана");
    try {
        result_ = run("FETCH " + std::to_string(packet_) + " FROM " + cursor_);
    } catch (const PgError& e) {
        if (e.state() == kReadOnlyTransaction)
            throw RefusedCommand("оператор не только читает данные");
        throw;
    }
    row_ = -1;
    const int got = PQntuples(result_.get());
    if (got < packet_) {
        exhausted_ = true;
        db_.closeCursor(cursor_, transaction_);
        cursor_.clear();
    }
    packet_ = std::min(packet_ * 64, 16384);
    return got > 0;
}

bool PgStatement::step() {
    if (!started_)
        start();
    if (result_ && row_ + 1 < PQntuples(result_.get())) {
        ++row_;
        return true;
    }
    if (exhausted_)
        return false;
    if (!nextPacket())
        return false;
    ++row_;
    return true;
}

void PgStatement::reset() {
    if (!cursor_.empty())
        db_.closeCursor(cursor_, transaction_);
    cursor_.clear();
    result_.reset();
    row_ = -1;
    started_ = false;
    exhausted_ = false;
    packet_ = 1;
    std::fill(values_.begin(), values_.end(), std::nullopt);
    std::fill(types_.begin(), types_.end(), 0);
}

std::optional<FieldDef> PgStatement::declaredField(int column) const {
    const Oid table = PQftable(result_.get(), column);
    if (table == InvalidOid)
        return std::nullopt;
    const FieldDef* def = db_.declaredField(table, PQftablecol(result_.get(), column));
    if (def == nullptr)
        return std::nullopt;
    return *def;
}

std::string connectionMessage(PGconn* conn) {
    return trimmedMessage(PQerrorMessage(conn));
}

}  // namespace

std::string postgresDisplayName(const std::string& conninfo) {
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        PQconninfoParse(conninfo.c_str(), &error), &PQconninfoFree);
    PQfreemem(error);
    // A text libpq cannot read may hold a password anywhere in it.
    if (!options)
        return "(неверная строка соединения)";
    std::string name;
    for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
        if (option->val == nullptr || std::string_view(option->keyword) == "password")
            continue;
        name += (name.empty() ? "" : " ") + std::string(option->keyword) + "=" + option->val;
    }
    return name;
}

Connection openPostgresDatabase(const std::string& conninfo, Access access) {
    const std::string what = "Станционная база данных " + postgresDisplayName(conninfo);
    // The location comes last but one, so that its own settings win over these defaults, and the
    // encoding last, since every text in memory is UTF-8.
    const std::array<const char*, 5> keywords{"connect_timeout", "application_name", "dbname",
                                              "client_encoding", nullptr};
    const std::array<const char*, 5> values{kConnectTimeoutSeconds.data(), "kvt-reports",
                                            conninfo.c_str(), "UTF8", nullptr};
    // The server is asked first whether it takes connections at all: a computer that does not
    // answer then costs one connect timeout, and a refusal that follows is the server's own.
    switch (PQpingParams(keywords.data(), values.data(), 1)) {
        case PQPING_NO_RESPONSE:
            throw ServerUnreachable(what + ": сервер базы данных не отвечает");
        case PQPING_REJECT:
            throw ServerUnreachable(what + ": сервер базы данных не принимает соединений");
        default:
            break;
    }
    Handle handle(PQconnectdbParams(keywords.data(), values.data(), 1));
    if (!handle)
        throw ServerError(what + ": нет памяти для соединения");
    if (PQstatus(handle.get()) != CONNECTION_OK) {
        const std::string message = connectionMessage(handle.get());
        // Settings no connection can be made with, such as a service no file defines, were
        // not even tried by the question above.
        if (PQpingParams(keywords.data(), values.data(), 1) == PQPING_NO_ATTEMPT)
            throw ServerError(what + ": " + message);
        throw ServerError(what + ": нет доступа: " + message);
    }
    auto db = std::make_shared<PgDatabase>(std::move(handle), what, access);
    // A cursor's plan is the plan of the whole record set: the datasets read all they open.
    db->execute("SET cursor_tuple_fraction = 1");
    if (access == Access::ReadOnly)
        db->execute("SET default_transaction_read_only = on; SET statement_timeout = '" +
                    std::string(kReaderStatementTimeout) + "'");
    return db;
}

}  // namespace kvt::appserver
