#pragma once

// The station application server as its clients see it: named dataset providers that deliver
// record sets, the method GetKVTConfig and the property vedFilter. The server object runs
// in-process over the station database (StationServer.h); the clients (the connection and the
// client datasets) know only this interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt::appserver {

// A provider that does not exist, a refused or failing command text, a missing or foreign
// database: the message names what failed.
class ServerError : public ExceptionOf<ServerError> {
public:
    using ExceptionOf::ExceptionOf;
};

// The station database's computer or its database server did not answer.
class ServerUnreachable : public ExceptionOf<ServerUnreachable, ServerError> {
public:
    using ExceptionOf::ExceptionOf;
};

// Field types of record sets. Values travel as variants: Integer I4, SmallInt I2, String Str,
// Float R8, Currency CY, Date and DateTime Date, Boolean Bool, and Null for a missing value.
enum class FieldType { Integer, SmallInt, String, Float, Currency, Date, DateTime, Boolean };

// "Integer", "SmallInt", "String", "Float", "Currency", "Date", "DateTime", "Boolean".
std::string_view fieldTypeName(FieldType type);

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Integer;
    int size = 0;  // characters, for String fields; 0 otherwise
    bool operator==(const FieldDef&) const = default;
};

using Row = std::vector<Variant>;

class RecordStore;

// An open record set of one provider call, fetched in packets. The cursor keeps what it needs
// of the server alive, so it may outlive the connection that opened it.
class RecordCursor {
public:
    virtual ~RecordCursor() = default;
    virtual const std::vector<FieldDef>& fields() const = 0;
    // Appends up to maxRows further records (all that remain when maxRows is negative) to
    // `into`, a store of fields(); returns how many came: fewer, or none, at the end.
    virtual std::size_t fetch(int maxRows, RecordStore& into) = 0;
    // True once the last record has been fetched.
    virtual bool finished() const = 0;
};

// The next records of a cursor as rows of variants, for callers that look at a few.
std::vector<Row> fetchRows(RecordCursor& cursor, int maxRows);

// What a client dataset sends with a provider call: its command text (empty for the
// provider's own query) and its parameters by name.
struct ProviderRequest {
    std::string commandText;
    std::vector<std::pair<std::string, Variant>> params;
};

class AppServer {
public:
    virtual ~AppServer() = default;

    // Opens a provider's record set. Throws ServerError for an unknown provider, a command
    // text the provider refuses, or a failing query.
    virtual std::unique_ptr<RecordCursor> openProvider(const std::string& provider,
                                                       const ProviderRequest& request) = 0;
    // The station configuration; element 3 is the list of pumps, element 0 of each pump its
    // name.
    virtual Variant GetKVTConfig() = 0;
    virtual std::int32_t vedFilter() const = 0;
    virtual void setVedFilter(std::int32_t value) = 0;
};

}  // namespace kvt::appserver
