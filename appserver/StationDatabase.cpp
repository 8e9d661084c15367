#include "appserver/StationDatabase.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <functional>
#include <map>
#include <system_error>

#include "appserver/DatabaseEngine.h"
#include "platform/Text.h"

namespace kvt::appserver {

namespace fs = std::filesystem;

namespace {

// Tables are named after the record sets of the station software; the pump log keeps the pump
// name in "Trk" and the receipt log the tanker in "CarName", as the clients' own queries expect.
// VidOpl, the station's payment types, came later: databases made before it lack the table and
// still open, so its readers treat a missing table as "no payment types kept".
constexpr std::string_view kSchemaVersion1 = R"sql(
CREATE TABLE Station (
    Name VARCHAR(60) NOT NULL,
    Number INTEGER NOT NULL
);
CREATE TABLE Gsm (
    ID INTEGER PRIMARY KEY,
    Name VARCHAR(10) NOT NULL UNIQUE,
    Price CURRENCY NOT NULL
);
CREATE TABLE Silo (
    ID INTEGER PRIMARY KEY,
    Name VARCHAR(20) NOT NULL UNIQUE,
    GsmID INTEGER NOT NULL REFERENCES Gsm(ID),
    Capacity FLOAT NOT NULL
);
CREATE TABLE Pump (
    Number INTEGER PRIMARY KEY,
    Name VARCHAR(10) NOT NULL UNIQUE
);
CREATE TABLE Nozzle (
    PumpNumber INTEGER NOT NULL REFERENCES Pump(Number),
    Position INTEGER NOT NULL,
    SiloID INTEGER NOT NULL REFERENCES Silo(ID),
    PRIMARY KEY (PumpNumber, Position)
);
CREATE TABLE SmLog (
    SmNum INTEGER PRIMARY KEY,
    BegTime DATETIME NOT NULL,
    EndTime DATETIME,
    Operator VARCHAR(30),
    InKKM CURRENCY,
    OutKKM CURRENCY,
    SummaTovary CURRENCY,
    Operator2 VARCHAR(30),
    Operator3 VARCHAR(30)
);
CREATE TABLE Prx (
    OpNum INTEGER PRIMARY KEY,
    Date DATE NOT NULL,
    SmNum INTEGER,
    Operator VARCHAR(20),
    GSMName VARCHAR(20),
    CarVolTTN FLOAT,
    SiloName VARCHAR(20),
    BegTime DATETIME,
    EndTime DATETIME,
    SiloLevelBefore FLOAT,
    SiloLevelAfter FLOAT,
    Fact1 FLOAT,
    Dopusk FLOAT,
    Delta FLOAT,
    UdVes FLOAT,
    Temper FLOAT,
    FactPlotn FLOAT,
    Cor BOOLEAN NOT NULL DEFAULT 0,
    Prihod BOOLEAN NOT NULL,
    Prim VARCHAR(50),
    CarName VARCHAR(20)
);
CREATE INDEX PrxByCarName ON Prx (CarName);
CREATE TABLE Trk (
    ID INTEGER PRIMARY KEY,
    Trk VARCHAR(10) NOT NULL,
    Time DATETIME NOT NULL,
    Client SMALLINT,
    Gsm VARCHAR(10),
    Operation SMALLINT,
    Op1 SMALLINT,
    AutoMobil VARCHAR(15),
    Op2 SMALLINT,
    Liters FLOAT,
    Summa FLOAT
);
CREATE INDEX TrkByPumpNewestFirst ON Trk (Trk, Time DESC, ID DESC);
CREATE TABLE vedOrg (
    Name VARCHAR(50) PRIMARY KEY,
    INN VARCHAR(20),
    VidOplat INTEGER,
    Address VARCHAR(80)
);
CREATE TABLE vedAuto (
    ID VARCHAR(8) PRIMARY KEY,
    Name VARCHAR(50) NOT NULL,
    NumberAuto VARCHAR(15) NOT NULL,
    INN VARCHAR(20)
);
CREATE INDEX vedAutoByOrganisation ON vedAuto (Name, NumberAuto);
CREATE TABLE bneOrg (
    Name VARCHAR(60) PRIMARY KEY,
    Skidka FLOAT
);
CREATE TABLE VdContractor (
    ID VARCHAR(8) PRIMARY KEY,
    Name VARCHAR(60) NOT NULL,
    INN VARCHAR(20),
    IsDelete BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX VdContractorByName ON VdContractor (Name, ID);
CREATE TABLE VdCar (
    ID VARCHAR(8) PRIMARY KEY,
    CID VARCHAR(8) NOT NULL,
    Name VARCHAR(20) NOT NULL,
    IsDelete BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX VdCarByContractor ON VdCar (CID, Name, ID);
CREATE TABLE VdDriver (
    ID VARCHAR(8) PRIMARY KEY,
    CID VARCHAR(8) NOT NULL,
    Name VARCHAR(40) NOT NULL,
    IsDelete BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX VdDriverByContractor ON VdDriver (CID, Name, ID);
CREATE TABLE VidOpl (
    Position INTEGER PRIMARY KEY,
    Code INTEGER NOT NULL,
    Name VARCHAR(30) NOT NULL,
    Enabled BOOLEAN NOT NULL DEFAULT 1,
    Kind INTEGER NOT NULL DEFAULT 0
);
)sql";

// Version 2 adds what a sale carried beyond its pump log line and the returns owed for short
// deliveries. Each is a table of its own rather than new columns of Trk, so that a version-1
// database, which has none of them, is told by a missing table and reads as "nothing recorded".
//   TrkSale   per pump log line that ends a delivery: the discount granted and the bonus
//             credited (roubles), the card or the numbered coupon it was paid with;
//   BackAct   return certificates: money or fuel given back for a short delivery, with the
//             payment type of the sale (Op1, a VidOpl code) and the reason;
//   BackCard  returns to the card terminal still to be made for short deliveries paid by card.
constexpr std::string_view kSchemaVersion2 = R"sql(
CREATE TABLE TrkSale (
    TrkID INTEGER PRIMARY KEY REFERENCES Trk(ID),
    Skidka FLOAT,
    Bonus FLOAT,
    CardNum VARCHAR(20),
    TalonNum VARCHAR(20)
);
CREATE TABLE BackAct (
    ActNum INTEGER PRIMARY KEY,
    SmNum INTEGER NOT NULL,
    Time DATETIME NOT NULL,
    Operator VARCHAR(30),
    Trk VARCHAR(10) NOT NULL,
    Gsm VARCHAR(10),
    Op1 SMALLINT,
    Liters FLOAT,
    Summa FLOAT,
    Customer VARCHAR(50),
    CardNum VARCHAR(20),
    Reason VARCHAR(80)
);
CREATE INDEX BackActByShift ON BackAct (SmNum, Time);
CREATE TABLE BackCard (
    ID INTEGER PRIMARY KEY,
    SmNum INTEGER NOT NULL,
    Time DATETIME NOT NULL,
    Trk VARCHAR(10) NOT NULL,
    CardNum VARCHAR(20) NOT NULL,
    Gsm VARCHAR(10),
    Op1 SMALLINT,
    Liters FLOAT,
    Summa FLOAT
);
CREATE INDEX BackCardByShift ON BackCard (SmNum, Time);
)sql";

// Version 3 records who took the fuel of a sale on account, as tables of their own for the
// same reason as version 2:
//   Dogovor   the contracts of counterparties, with the organisation (vedOrg) and/or the
//             contractor (VdContractor) they were made with;
//   TrkVedom  per pump log line that ends a delivery paid by a statement (code modulo 100 = 4)
//             or a contract (8): the organisation and its vehicle's plate as vedOrg and vedAuto
//             name them, and/or the contractor, car and driver of the newer directory, and for
//             a contract sale the contract. A station that moved from one directory to the other
//             records a sale in both, so each generation of reports finds it.
constexpr std::string_view kSchemaVersion3 = R"sql(
CREATE TABLE Dogovor (
    ID INTEGER PRIMARY KEY,
    Number VARCHAR(20) NOT NULL,
    BegDate DATE NOT NULL,
    EndDate DATE,
    OrgName VARCHAR(50),
    CntID VARCHAR(8)
);
CREATE TABLE TrkVedom (
    TrkID INTEGER PRIMARY KEY REFERENCES Trk(ID),
    OrgName VARCHAR(50),
    NumberAuto VARCHAR(15),
    CntID VARCHAR(8),
    CarID VARCHAR(8),
    DriverID VARCHAR(8),
    DogovorID INTEGER REFERENCES Dogovor(ID)
);
CREATE INDEX TrkVedomByOrganisation ON TrkVedom (OrgName);
CREATE INDEX TrkVedomByContractor ON TrkVedom (CntID);
)sql";

// The statements that take a database from version n - 1 to n, at index n - 1.
constexpr std::array<std::string_view, kStationSchemaVersion> kSchemaSteps{
    kSchemaVersion1, kSchemaVersion2, kSchemaVersion3};

// PostgreSQL keeps the schema's own type names as domains, so that a column's type says what its
// values mean wherever it is read; INTEGER PRIMARY KEY numbers new rows as SQLite's does.
constexpr std::string_view kPostgresDomains = R"sql(
CREATE DOMAIN kvt_currency AS BIGINT;
CREATE DOMAIN kvt_date AS DOUBLE PRECISION;
CREATE DOMAIN kvt_datetime AS DOUBLE PRECISION;
CREATE DOMAIN kvt_boolean AS SMALLINT CHECK (VALUE IN (0, 1));
)sql";

struct TypeWord {
    std::string_view schema;
    std::string_view postgres;
};
constexpr std::array kPostgresTypes{
    TypeWord{"INTEGER PRIMARY KEY", "INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"},
    TypeWord{"CURRENCY", "kvt_currency"},
    TypeWord{"DATETIME", "kvt_datetime"},
    TypeWord{"DATE", "kvt_date"},
    TypeWord{"BOOLEAN", "kvt_boolean"},
    TypeWord{"FLOAT", "DOUBLE PRECISION"},
};

// Text compares and sorts by its bytes, as in SQLite, whatever the database's locale: the
// providers' orders are the same on both engines.
constexpr std::string_view kVarchar = "VARCHAR(";
constexpr std::string_view kBytewise = " COLLATE \"C\"";

// Type words are upper case in the schema and names are not, so a case-sensitive match of whole
// words never takes a column called Date for its type.
std::string postgresSchema(std::string_view sql) {
    std::string result;
    std::size_t i = 0;
    while (i < sql.size()) {
        const bool wordStart = i == 0 || !isSqlWordChar(sql[i - 1]);
        const TypeWord* matched = nullptr;
        if (wordStart) {
            for (const auto& word : kPostgresTypes) {
                const auto end = i + word.schema.size();
                if (sql.substr(i, word.schema.size()) == word.schema &&
                    (end == sql.size() || !isSqlWordChar(sql[end]))) {
                    matched = &word;
                    break;
                }
            }
        }
        if (matched != nullptr) {
            result += matched->postgres;
            i += matched->schema.size();
        } else if (wordStart && sql.substr(i, kVarchar.size()) == kVarchar) {
            const std::size_t end = std::min(sql.find(')', i), sql.size() - 1) + 1;
            result.append(sql.substr(i, end - i)).append(kBytewise);
            i = end;
        } else {
            result += sql[i++];
        }
    }
    return result;
}

std::string schemaStep(Engine engine, std::int32_t step) {
    const std::string_view sql = kSchemaSteps[static_cast<std::size_t>(step)];
    if (engine == Engine::SQLite)
        return std::string(sql);
    return (step == 0 ? std::string(kPostgresDomains) : std::string()) + postgresSchema(sql);
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// "CREATE TABLE Name (" and the first word of each column line after it.
void collectNames(std::string_view sql, std::map<std::string, std::string>& spelling,
                  std::vector<std::string>* tables) {
    constexpr std::string_view kCreate = "CREATE TABLE ";
    bool inTable = false;
    std::size_t lineStart = 0;
    while (lineStart < sql.size()) {
        std::size_t lineEnd = sql.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = sql.size();
        std::string_view line = sql.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.starts_with(kCreate)) {
            line.remove_prefix(kCreate.size());
            const std::string name(line.substr(0, line.find(' ')));
            spelling.emplace(platform::lowerUtf8(name), name);
            if (tables != nullptr)
                tables->push_back(name);
            inTable = true;
        } else if (line.starts_with(")")) {
            inTable = false;
        } else if (inTable) {
            const auto first = line.find_first_not_of(' ');
            if (first == std::string_view::npos)
                continue;
            const std::string name(line.substr(first, line.find(' ', first) - first));
            if (name != "PRIMARY")
                spelling.emplace(platform::lowerUtf8(name), name);
        }
    }
}

const std::map<std::string, std::string>& spellings() {
    static const std::map<std::string, std::string> names = [] {
        std::map<std::string, std::string> result;
        for (const auto step : kSchemaSteps)
            collectNames(step, result, nullptr);
        return result;
    }();
    return names;
}

std::string describe(const std::filesystem::path& location) {
    return "Станционная база данных " + (isPostgresLocation(location.string())
                                             ? postgresDisplayName(location.string())
                                             : location.string());
}

Connection openEngine(const fs::path& location, std::chrono::milliseconds busy, Access access,
                      bool create) {
    if (isPostgresLocation(location.string()))
        return openPostgresDatabase(location.string(), access);
    return openSqliteDatabase(location, busy, access, create);
}

[[noreturn]] void rethrowNaming(const Database& db, const ServerError& error) {
    std::rethrow_exception(error.withMessage(db.name() + ": " + error.what()));
}

}  // namespace

bool isSqlWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::string_view trimmedSql(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool isPostgresLocation(std::string_view location) {
    if (location.starts_with("postgresql://") || location.starts_with("postgres://"))
        return true;
    // A libpq connection string: keyword = value pairs, such as "service=kvt-station".
    const auto equals = location.find('=');
    if (equals == std::string_view::npos || location.find('/') < equals)
        return false;
    std::string_view keyword = location.substr(0, equals);
    while (!keyword.empty() && keyword.back() == ' ')
        keyword.remove_suffix(1);
    for (const std::string_view known : {"service", "host", "hostaddr", "dbname", "port", "user"})
        if (keyword.ends_with(known) &&
            (keyword.size() == known.size() || keyword[keyword.size() - known.size() - 1] == ' '))
            return true;
    return false;
}

std::string schemaSpelling(std::string_view name) {
    const auto& names = spellings();
    const auto found = names.find(platform::lowerUtf8(name));
    return found != names.end() ? found->second : std::string(name);
}

std::vector<std::string> stationTables(std::int32_t version) {
    std::map<std::string, std::string> unused;
    std::vector<std::string> tables;
    for (std::int32_t step = 0; step < version && step < kStationSchemaVersion; ++step)
        collectNames(kSchemaSteps[static_cast<std::size_t>(step)], unused, &tables);
    return tables;
}

std::string postgresPlaceholders(std::string_view sql,
                                 std::vector<std::pair<std::string, int>>* names, int* parameters) {
    std::string result;
    result.reserve(sql.size() + 8);
    int highest = 0;
    std::vector<std::pair<std::string, int>> named;
    std::size_t i = 0;
    const auto digitsFrom = [&](std::size_t from) {
        std::size_t end = from;
        while (end < sql.size() && std::isdigit(static_cast<unsigned char>(sql[end])))
            ++end;
        return end;
    };
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t close = sql.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? sql.size() : close + 1;
            result.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '?') {
            const std::size_t end = digitsFrom(i + 1);
            int number = ++highest;
            if (end > i + 1) {
                std::from_chars(sql.data() + i + 1, sql.data() + end, number);
                highest = std::max(highest - 1, number);
            }
            result += '$' + std::to_string(number);
            i = end;
        } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            result += "::";
            i += 2;
        } else if (c == ':' && i + 1 < sql.size() &&
                   (std::isalpha(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '_')) {
            std::size_t end = i + 1;
            while (end < sql.size() && isSqlWordChar(sql[end]))
                ++end;
            const std::string name(sql.substr(i, end - i));
            auto found = std::find_if(named.begin(), named.end(),
                                      [&](const auto& entry) { return entry.first == name; });
            if (found == named.end()) {
                named.emplace_back(name, ++highest);
                found = named.end() - 1;
            }
            result += '$' + std::to_string(found->second);
            i = end;
        } else {
            result += c;
            ++i;
        }
    }
    if (names != nullptr)
        *names = std::move(named);
    if (parameters != nullptr)
        *parameters = highest;
    return result;
}

Statement::Statement(Connection connection, std::string_view sql, Fetch fetch)
    : connection_(std::move(connection)), engine_(connection_->prepare(sql, fetch)) {}

Statement::Statement(Connection connection, std::unique_ptr<StatementEngine> engine)
    : connection_(std::move(connection)), engine_(std::move(engine)) {}

Statement::~Statement() = default;

Statement& Statement::bind(int index, std::int32_t value) {
    engine_->bindInt32(index, value);
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    engine_->bindInt64(index, value);
    return *this;
}

Statement& Statement::bind(int index, double value) {
    engine_->bindReal(index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
    engine_->bindText(index, value);
    return *this;
}

Statement& Statement::bindNull(int index) {
    engine_->bindNull(index);
    return *this;
}

int Statement::parameterIndex(std::string_view name) const {
    return engine_->parameterIndex(name);
}

bool Statement::step() {
    return engine_->step();
}

void Statement::reset() {
    engine_->reset();
}

int Statement::columnCount() const {
    return engine_->columnCount();
}

std::string Statement::columnName(int column) const {
    return engine_->columnName(column);
}

std::optional<FieldDef> Statement::declaredField(int column) const {
    return engine_->declaredField(column);
}

Stored Statement::stored(int column) const {
    return engine_->stored(column);
}

std::int64_t Statement::integer(int column) const {
    return engine_->integer(column);
}

double Statement::real(int column) const {
    return engine_->real(column);
}

std::string_view Statement::text(int column) const {
    return engine_->text(column);
}

void execute(const Connection& db, std::string_view sql) {
    db->execute(sql);
}

Transaction::Transaction(Connection db) : db_(std::move(db)) {
    db_->begin();
}

Transaction::~Transaction() {
    if (!open_)
        return;
    try {
        db_->rollback();
    } catch (const ServerError&) {
        // The connection is gone, and the transaction with it.
    }
}

void Transaction::commit() {
    db_->commit();
    open_ = false;
}

Connection openStationDatabase(const fs::path& location, std::chrono::milliseconds busyTimeout,
                               Access access) {
    const std::string what = describe(location);
    if (!isPostgresLocation(location.string())) {
        std::error_code error;
        if (!fs::exists(fs::symlink_status(location, error)))
            throw ServerError(what + " не найдена");
    }
    Connection db = openEngine(location, busyTimeout, access, false);
    Database::Mark mark;
    try {
        mark = db->readMark();
    } catch (const ServerError& e) {
        rethrowNaming(*db, e);
    }
    if (mark.applicationId != kStationApplicationId)
        throw ServerError(what + " не является станционной базой данных");
    if (mark.version < kOldestStationSchemaVersion || mark.version > kStationSchemaVersion)
        throw ServerError(what + " имеет версию схемы " + std::to_string(mark.version) +
                          ", сервер читает версии с " +
                          std::to_string(kOldestStationSchemaVersion) + " по " +
                          std::to_string(kStationSchemaVersion));
    return db;
}

namespace {

std::string quotedIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

Connection openNewStationDatabase(const fs::path& location, std::int32_t version) {
    const std::string what = describe(location);
    if (version < kOldestStationSchemaVersion || version > kStationSchemaVersion)
        throw ServerError(what + ": версии схемы " + std::to_string(version) + " не существует");
    Connection db = openEngine(location, kDefaultBusyTimeout, Access::ReadWrite, true);
    if (db->engine() == Engine::PostgreSQL && db->hasTable("Station"))
        throw ServerError(what + ": в базе уже есть станционные таблицы");
    return db;
}

void writeStationSchema(const Connection& db, std::int32_t version) {
    try {
        for (std::int32_t step = 0; step < version; ++step)
            db->execute(schemaStep(db->engine(), step));
        db->writeMark({.applicationId = kStationApplicationId, .version = version});
    } catch (const ServerError& e) {
        rethrowNaming(*db, e);
    }
}

// Rows written with their own numbers leave PostgreSQL's counters behind; new rows are numbered
// after the highest in each table, as SQLite numbers them by itself.
void advanceIdentities(const Connection& db) {
    if (db->engine() != Engine::PostgreSQL)
        return;
    std::vector<std::pair<std::string, std::string>> identities;
    for (Statement columns(db,
                           "SELECT table_name, column_name FROM information_schema.columns "
                           "WHERE is_identity = 'YES' AND table_schema = current_schema()");
         columns.step();)
        identities.emplace_back(columns.text(0), columns.text(1));
    for (const auto& [table, column] : identities) {
        Statement advance(db, "SELECT setval(pg_get_serial_sequence(?1, ?2), COALESCE(MAX(" +
                                  quotedIdentifier(column) + "), 0) + 1, false) FROM " +
                                  quotedIdentifier(table));
        advance.bind(1, quotedIdentifier(table)).bind(2, column).step();
    }
}

}  // namespace

Connection createStationDatabase(const fs::path& location, std::int32_t version,
                                 const std::function<void(const Connection&)>& fill) {
    Connection db = openNewStationDatabase(location, version);
    Transaction transaction(db);
    writeStationSchema(db, version);
    if (fill) {
        fill(db);
        advanceIdentities(db);
    }
    transaction.commit();
    return db;
}

void grantStationRoles(const Connection& db, std::string_view workplaceRole,
                       std::string_view consoleRole) {
    if (db->engine() != Engine::PostgreSQL)
        throw ServerError(db->name() + ": права ролей есть только у базы в PostgreSQL");
    const std::string workplace = quotedIdentifier(workplaceRole);
    const std::string console = quotedIdentifier(consoleRole);
    std::string tables = "KvtStation";
    for (const auto& table : stationTables(schemaVersion(db)))
        if (db->hasTable(table))
            tables += ", " + table;
    try {
        Transaction transaction(db);
        db->execute("REVOKE ALL ON " + tables + " FROM PUBLIC, " + workplace + ", " + console);
        db->execute("GRANT SELECT ON " + tables + " TO " + workplace + ", " + console);
        db->execute("GRANT INSERT, UPDATE ON SmLog TO " + console);
        // A client's query could otherwise lift its session's limits from inside a SELECT.
        db->execute(
            "REVOKE EXECUTE ON FUNCTION pg_catalog.set_config(text, text, boolean) "
            "FROM PUBLIC");
        transaction.commit();
    } catch (const ServerError& e) {
        rethrowNaming(*db, e);
    }
}

std::int32_t schemaVersion(const Connection& db) {
    return db->readMark().version;
}

bool hasTable(const Connection& db, std::string_view table) {
    return db->hasTable(table);
}

std::optional<FieldDef> fieldOfDeclaredType(std::string_view declaredType) {
    const std::string type = upper(declaredType);
    static const std::pair<std::string_view, FieldType> kTypes[] = {
        {"INTEGER", FieldType::Integer}, {"SMALLINT", FieldType::SmallInt},
        {"FLOAT", FieldType::Float},     {"CURRENCY", FieldType::Currency},
        {"DATE", FieldType::Date},       {"DATETIME", FieldType::DateTime},
        {"BOOLEAN", FieldType::Boolean},
    };
    for (const auto& [name, fieldType] : kTypes) {
        if (type == name)
            return FieldDef{{}, fieldType, 0};
    }
    if (type.starts_with(kVarchar) && type.ends_with(')')) {
        const char* first = type.data() + kVarchar.size();
        const char* last = type.data() + type.size() - 1;
        int size = 0;
        const auto [end, rc] = std::from_chars(first, last, size);
        if (rc == std::errc() && end == last && size > 0)
            return FieldDef{{}, FieldType::String, size};
    }
    return std::nullopt;
}

}  // namespace kvt::appserver
