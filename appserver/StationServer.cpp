#include "appserver/StationServer.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "appserver/DatabaseEngine.h"
#include "appserver/RecordStore.h"
#include "platform/PathMap.h"
#include "platform/Text.h"

namespace kvt::appserver {

namespace {

// Organisations that take fuel on statement: their statement payment type is a statement kind
// (code modulo 100 is 4), or not recorded, as on organisations entered before payment types
// were kept per organisation.
#define KVT_STATEMENT_ORGANISATION "(VidOplat % 100 = 4 OR VidOplat IS NULL)"

struct ProviderParam {
    std::string_view name;
    std::string_view defaultValue;
};

struct ProviderDef {
    std::string_view name;
    std::string_view sql;
    bool takesCommandText = false;
    std::optional<ProviderParam> param = std::nullopt;
};

// The order of each record set is part of what the clients see:
// - receipts and pump-outs come newest first, so that a shift's records run from its last
//   operation to its first and the runner's (last, first) pair is an ascending range;
// - a pump's operations come newest first, so that a first packet holds the latest ones and a
//   row's record number counts the operations from the latest one back to it.
constexpr std::array<ProviderDef, 9> kProviders{{
    {"SmLogProvider",
     "SELECT SmNum, BegTime, EndTime, Operator, InKKM, OutKKM, SummaTovary, Operator2, Operator3 "
     "FROM SmLog ORDER BY SmNum"},
    {"Organization",
     "SELECT Name, INN, VidOplat, Address FROM vedOrg "
     "WHERE (:vedFilter & 1) = 0 OR " KVT_STATEMENT_ORGANISATION " ORDER BY Name"},
    {"AutoMobil",
     "SELECT ID, Name, NumberAuto, INN FROM vedAuto "
     "WHERE (:vedFilter & 16) = 0 OR Name IN (SELECT Name FROM vedOrg "
     "WHERE (:vedFilter & 1) = 0 OR " KVT_STATEMENT_ORGANISATION ") "
     "ORDER BY Name, NumberAuto, ID"},
    {"BneOrgProvider", "SELECT Name, Skidka FROM bneOrg ORDER BY Name"},
    {"PrxLogProvider",
     "SELECT OpNum, Date, SmNum, Operator, GSMName, CarVolTTN, SiloName, BegTime, EndTime, "
     "SiloLevelBefore, SiloLevelAfter, Fact1, Dopusk, Delta, UdVes, Temper, FactPlotn, Cor, "
     "Prihod, Prim, CarName FROM Prx ORDER BY OpNum DESC",
     true},
    {"TrkLogProvider",
     "SELECT Time, Client, Gsm, Operation, Op1, AutoMobil, Op2, Liters, Summa FROM Trk "
     "WHERE Trk = :TrkName ORDER BY Time DESC, ID DESC",
     false, ProviderParam{"TrkName", "1"}},
    {"VdContractorDSP", "SELECT ID, Name, INN, IsDelete FROM VdContractor ORDER BY Name, ID"},
    {"VdCarDSP", "SELECT ID, CID, Name, IsDelete FROM VdCar ORDER BY CID, Name, ID"},
    {"VdDriverDSP", "SELECT ID, CID, Name, IsDelete FROM VdDriver ORDER BY CID, Name, ID"},
}};

#undef KVT_STATEMENT_ORGANISATION

std::string quote(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

const ProviderDef& findProvider(const std::string& name) {
    for (const auto& definition : kProviders) {
        if (platform::equalsIgnoreCase(definition.name, name))
            return definition;
    }
    throw ServerError("Провайдер " + quote(name) + " не найден");
}

// A record set being fetched. The first row is read at open, so that a failing query fails
// there and computed columns get a type from their first value.
class SqlCursor : public RecordCursor {
public:
    SqlCursor(std::unique_ptr<Statement> statement, std::string provider)
        : statement_(std::move(statement)), provider_(std::move(provider)) {
        hasRow_ = step();
        describeFields();
    }

    const std::vector<FieldDef>& fields() const override { return fields_; }

    std::size_t fetch(int maxRows, RecordStore& into) override {
        std::size_t count = 0;
        while (hasRow_ && (maxRows < 0 || static_cast<int>(count) < maxRows)) {
            appendRow(into);
            ++count;
            hasRow_ = step();
        }
        return count;
    }

    bool finished() const override { return !hasRow_; }

private:
    bool step() {
        try {
            return statement_->step();
        } catch (const ServerError& e) {
            std::rethrow_exception(
                e.withMessage("Ошибка провайдера " + quote(provider_) + ": " + e.what()));
        }
    }

    void describeFields() {
        const int count = statement_->columnCount();
        for (int i = 0; i < count; ++i) {
            FieldDef field = statement_->declaredField(i).value_or(computedField(i));
            field.name = statement_->columnName(i);
            fields_.push_back(std::move(field));
        }
    }

    // A column computed by the query: typed by its first value, text when there is none. A
    // whole number beyond 32 bits is a Float, which holds it exactly.
    FieldDef computedField(int column) const {
        if (hasRow_) {
            switch (statement_->stored(column)) {
                case Stored::Integer:
                    return {{},
                            fitsIn<std::int32_t>(statement_->integer(column)) ? FieldType::Integer
                                                                              : FieldType::Float,
                            0};
                case Stored::Float:
                    return {{}, FieldType::Float, 0};
                default:
                    break;
            }
        }
        return {{}, FieldType::String, kComputedTextSize};
    }

    template <class T>
    static bool fitsIn(std::int64_t value) {
        return value >= std::numeric_limits<T>::min() && value <= std::numeric_limits<T>::max();
    }

    void appendRow(RecordStore& into) const {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            appendValue(into, i);
        into.endRow();
    }

    // A value its field cannot hold exactly fails the fetch instead of arriving as another
    // number: a computed column is typed by its first value only, and a foreign writer may
    // have stored text in a typed column.
    void appendValue(RecordStore& into, std::size_t index) const {
        const int column = static_cast<int>(index);
        const Stored storage = statement_->stored(column);
        const FieldType type = fields_[index].type;
        if (storage == Stored::Null)
            return into.appendNull(index);
        if (type == FieldType::String)
            return into.appendText(index, statement_->text(column));
        const bool whole = storage == Stored::Integer;
        if (!whole && storage != Stored::Float)
            throw mismatch(index, type);
        switch (type) {
            case FieldType::Integer:
            case FieldType::SmallInt:
            case FieldType::Boolean:
                if (!whole ||
                    (type == FieldType::Integer &&
                     !fitsIn<std::int32_t>(statement_->integer(column))) ||
                    (type == FieldType::SmallInt &&
                     !fitsIn<std::int16_t>(statement_->integer(column))))
                    throw mismatch(index, type);
                return into.appendInteger(index, type == FieldType::Boolean
                                                     ? statement_->integer(column) != 0
                                                     : statement_->integer(column));
            case FieldType::Currency:
                return into.appendInteger(index, whole ? statement_->integer(column)
                                                       : std::llround(statement_->real(column)));
            default:
                return into.appendFloat(index, statement_->real(column));
        }
    }

    ServerError mismatch(std::size_t column, FieldType type) const {
        return ServerError("Ошибка провайдера " + quote(provider_) + ": в столбце " +
                           quote(fields_[column].name) + " значение не типа " +
                           std::string(fieldTypeName(type)));
    }

    static constexpr int kComputedTextSize = 255;

    std::unique_ptr<Statement> statement_;
    std::string provider_;
    std::vector<FieldDef> fields_;
    bool hasRow_ = false;
};

bool startsWithKeyword(std::string_view text, std::string_view keyword) {
    if (text.size() < keyword.size() ||
        !platform::equalsIgnoreCase(text.substr(0, keyword.size()), keyword))
        return false;
    if (text.size() == keyword.size())
        return true;
    return !isSqlWordChar(text[keyword.size()]);
}

// A client's command text: one statement that only reads, whichever engine keeps the station.
std::unique_ptr<Statement> prepareClientCommand(const Connection& db, const ProviderDef& definition,
                                                const std::string& sql) {
    const auto refuse = [&](const std::string& reason) {
        return ServerError("Провайдер " + quote(definition.name) + " отклонил текст команды " +
                           quote(sql) + ": " + reason);
    };
    const std::string_view text = trimmedSql(sql);
    if (text.empty())
        throw refuse("текст команды пуст");
    if (!startsWithKeyword(text, "SELECT") && !startsWithKeyword(text, "WITH"))
        throw refuse("допускается только оператор SELECT");
    try {
        return std::make_unique<Statement>(db, db->prepareClientQuery(text));
    } catch (const RefusedCommand& e) {
        throw refuse(e.what());
    } catch (const ServerError& e) {
        std::rethrow_exception(
            e.withMessage("Ошибка провайдера " + quote(definition.name) + ": " + e.what()));
    }
}

std::unique_ptr<Statement> prepareOwnQuery(const Connection& db, const ProviderDef& definition) {
    try {
        return std::make_unique<Statement>(db, definition.sql, Statement::Fetch::InPackets);
    } catch (const ServerError& e) {
        std::rethrow_exception(
            e.withMessage("Ошибка провайдера " + quote(definition.name) + ": " + e.what()));
    }
}

void bindVariant(Statement& statement, int index, const Variant& value) {
    if (value.isNull() || value.isEmpty())
        statement.bindNull(index);
    else
        statement.bind(index, value.toString());
}

void bindParams(Statement& statement, const ProviderDef& definition, const ProviderRequest& request,
                std::int32_t vedFilter) {
    if (const int index = statement.parameterIndex("vedFilter"); index > 0)
        statement.bind(index, vedFilter);
    if (!definition.param)
        return;
    const int index = statement.parameterIndex(definition.param->name);
    statement.bind(index, definition.param->defaultValue);
    for (const auto& [name, value] : request.params) {
        if (platform::equalsIgnoreCase(name, definition.param->name))
            bindVariant(statement, index, value);
    }
}

void checkParams(const ProviderDef& definition, const ProviderRequest& request) {
    for (const auto& param : request.params) {
        if (!definition.param || !platform::equalsIgnoreCase(param.first, definition.param->name))
            throw ServerError("У провайдера " + quote(definition.name) + " нет параметра " +
                              quote(param.first));
    }
}

// Runs a configuration query and hands each row to `add`.
template <class AddRow>
void forEachRow(const Connection& db, std::string_view sql, AddRow add) {
    Statement statement(db, sql);
    while (statement.step())
        add(statement);
}

std::string columnText(const Statement& statement, int column) {
    return std::string(statement.text(column));
}

Variant grades(const Connection& db) {
    std::vector<Variant> result;
    forEachRow(db, "SELECT Name, Price FROM Gsm ORDER BY ID", [&](const Statement& row) {
        result.push_back(
            Variant::list({Variant(columnText(row, 0)), Variant::currency(row.integer(1))}));
    });
    return Variant::list(std::move(result));
}

Variant tanks(const Connection& db) {
    std::vector<Variant> result;
    forEachRow(
        db,
        "SELECT Silo.Name, Gsm.Name, Silo.Capacity FROM Silo JOIN Gsm ON Gsm.ID = "
        "Silo.GsmID ORDER BY Silo.ID",
        [&](const Statement& row) {
            result.push_back(Variant::list(
                {Variant(columnText(row, 0)), Variant(columnText(row, 1)), Variant(row.real(2))}));
        });
    return Variant::list(std::move(result));
}

Variant pumps(const Connection& db) {
    std::vector<Variant> result;
    Statement nozzles(db,
                      "SELECT Gsm.Name, Silo.Name FROM Nozzle JOIN Silo ON Silo.ID = Nozzle.SiloID "
                      "JOIN Gsm ON Gsm.ID = Silo.GsmID WHERE Nozzle.PumpNumber = ?1 "
                      "ORDER BY Nozzle.Position");
    forEachRow(db, "SELECT Name, Number FROM Pump ORDER BY Number", [&](const Statement& row) {
        const auto number = static_cast<std::int32_t>(row.integer(1));
        std::vector<Variant> gradeNames;
        std::vector<Variant> tankNames;
        nozzles.reset();
        nozzles.bind(1, number);
        while (nozzles.step()) {
            gradeNames.emplace_back(columnText(nozzles, 0));
            tankNames.emplace_back(columnText(nozzles, 1));
        }
        result.push_back(Variant::list({Variant(columnText(row, 0)), Variant(number),
                                        Variant::list(std::move(gradeNames)),
                                        Variant::list(std::move(tankNames))}));
    });
    return Variant::list(std::move(result));
}

// The observer may be installed from another thread than the one a server works on.
struct VedFilterObserverSlot {
    std::mutex mutex;
    VedFilterObserver observer;
};

VedFilterObserverSlot& vedFilterObserverSlot() {
    static VedFilterObserverSlot slot;
    return slot;
}

// A copy is called, outside the lock, so that an observer may replace itself.
VedFilterObserver vedFilterObserver() {
    VedFilterObserverSlot& slot = vedFilterObserverSlot();
    const std::lock_guard lock(slot.mutex);
    return slot.observer;
}

}  // namespace

void setVedFilterObserver(VedFilterObserver observer) {
    VedFilterObserverSlot& slot = vedFilterObserverSlot();
    const std::lock_guard lock(slot.mutex);
    slot.observer = std::move(observer);
}

StationServer::StationServer(const std::filesystem::path& database,
                             std::chrono::milliseconds busyTimeout)
    : connection_(openStationDatabase(database, busyTimeout)) {}

void StationServer::setVedFilter(std::int32_t value) {
    vedFilter_ = value;
    if (const VedFilterObserver observer = vedFilterObserver())
        observer(value);
}

std::unique_ptr<RecordCursor> StationServer::openProvider(const std::string& provider,
                                                          const ProviderRequest& request) {
    const ProviderDef& definition = findProvider(provider);
    checkParams(definition, request);
    std::unique_ptr<Statement> statement;
    if (request.commandText.empty()) {
        statement = prepareOwnQuery(connection_, definition);
    } else if (definition.takesCommandText) {
        statement = prepareClientCommand(connection_, definition, request.commandText);
    } else {
        throw ServerError("Провайдер " + quote(definition.name) + " отклонил текст команды " +
                          quote(request.commandText) + ": провайдер не принимает текст команды");
    }
    bindParams(*statement, definition, request, vedFilter_);
    return std::make_unique<SqlCursor>(std::move(statement), std::string(definition.name));
}

// The station configuration, a one-dimensional array from 0:
//   0  station name (Str)
//   1  station number (I4)
//   2  fuel grades: one array per grade, [0] name (Str), [1] price per litre (CY)
//   3  pumps in number order: one array per pump, [0] name (Str), [1] number (I4),
//      [2] the grade of each nozzle in nozzle order (array of Str), [3] the tank feeding each
//      nozzle (array of Str)
//   4  tanks: one array per tank, [0] name (Str), [1] grade (Str), [2] capacity in litres (R8)
Variant StationServer::GetKVTConfig() {
    try {
        Variant name("");
        Variant number(0);
        forEachRow(connection_, "SELECT Name, Number FROM Station LIMIT 1",
                   [&](const Statement& row) {
                       name = Variant(columnText(row, 0));
                       number = Variant(static_cast<std::int32_t>(row.integer(1)));
                   });
        return Variant::list(
            {name, number, grades(connection_), pumps(connection_), tanks(connection_)});
    } catch (const ServerError& e) {
        throw ServerError(std::string("Ошибка GetKVTConfig: ") + e.what());
    }
}

std::string_view providerQuery(const std::string& provider) {
    return findProvider(provider).sql;
}

std::unique_ptr<AppServer> createStationServer(const std::filesystem::path& database) {
    return std::make_unique<StationServer>(database);
}

std::string remoteStationDatabase(std::string_view computerName) {
    std::string host;
    for (const char c : computerName) {
        if (c == '\'' || c == '\\')
            host += '\\';
        host += c;
    }
    return "service=" + std::string(kStationService) + " host='" + host + "'";
}

std::filesystem::path defaultStationDatabase() {
    const char* configured = std::getenv("KVT_STATION_DB");
    if (configured != nullptr && *configured != '\0')
        return configured;
    return platform::PathMap::root() / "station" / "station.db";
}

}  // namespace kvt::appserver
