#include "appserver/StationDatabase.h"

#include <sqlite3.h>

#include <array>
#include <cctype>
#include <charconv>
#include <system_error>

#include "platform/SqliteText.h"

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

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

Connection openFile(const fs::path& file, int flags, const std::string& what) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_NOFOLLOW, nullptr);
    Connection db(raw, CloseConnection());
    if (rc != SQLITE_OK)
        throw ServerError(what + ": " + (raw ? lastError(raw) : platform::sqliteErrorText(rc)));
    sqlite3_extended_result_codes(raw, 1);
    return db;
}

std::int32_t pragmaValue(const Connection& db, std::string_view name) {
    Statement statement(db, "PRAGMA " + std::string(name));
    statement.step();
    return sqlite3_column_int(statement.get(), 0);
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

}  // namespace

std::string lastError(sqlite3* db) {
    return platform::sqliteErrorText(db);
}

void execute(sqlite3* db, std::string_view sql) {
    if (sqlite3_exec(db, std::string(sql).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw ServerError(lastError(db));
}

Statement::Statement(Connection connection, std::string_view sql, std::string_view* rest)
    : connection_(std::move(connection)) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(connection_.get(), sql.data(), static_cast<int>(sql.size()), &statement_,
                           &tail) != SQLITE_OK)
        throw ServerError(lastError(connection_.get()));
    if (rest != nullptr)
        *rest = sql.substr(static_cast<std::size_t>(tail - sql.data()));
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

bool Statement::step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw ServerError(lastError(connection_.get()));
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

Connection openStationDatabase(const fs::path& file, std::chrono::milliseconds busyTimeout,
                               Access access) {
    const std::string what = "Станционная база данных " + file.string();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error)))
        throw ServerError(what + " не найдена");
    Connection db = openFile(
        file, access == Access::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, what);
    sqlite3_busy_timeout(db.get(), static_cast<int>(busyTimeout.count()));
    std::int32_t applicationId = 0;
    std::int32_t version = 0;
    try {
        applicationId = pragmaValue(db, "application_id");
        version = pragmaValue(db, "user_version");
    } catch (const ServerError& e) {
        throw ServerError(what + ": " + e.what());
    }
    if (applicationId != kStationApplicationId)
        throw ServerError(what + " не является станционной базой данных");
    if (version < kOldestStationSchemaVersion || version > kStationSchemaVersion)
        throw ServerError(what + " имеет версию схемы " + std::to_string(version) +
                          ", сервер читает версии с " +
                          std::to_string(kOldestStationSchemaVersion) + " по " +
                          std::to_string(kStationSchemaVersion));
    return db;
}

Connection createStationDatabase(const fs::path& file, std::int32_t version) {
    const std::string what = "Станционная база данных " + file.string();
    if (version < kOldestStationSchemaVersion || version > kStationSchemaVersion)
        throw ServerError(what + ": версии схемы " + std::to_string(version) + " не существует");
    Connection db = openFile(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, what);
    try {
        for (std::int32_t step = 0; step < version; ++step)
            execute(db.get(), kSchemaSteps[static_cast<std::size_t>(step)]);
        execute(db.get(), "PRAGMA application_id = " + std::to_string(kStationApplicationId));
        execute(db.get(), "PRAGMA user_version = " + std::to_string(version));
    } catch (const ServerError& e) {
        throw ServerError(what + ": " + e.what());
    }
    return db;
}

bool hasTable(const Connection& db, std::string_view table) {
    Statement statement(
        db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(statement.get(), 1, table.data(), static_cast<int>(table.size()),
                      SQLITE_TRANSIENT);
    return statement.step();
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
    constexpr std::string_view kVarchar = "VARCHAR(";
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
