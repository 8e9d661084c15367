// Filter texts of client datasets: parsed, bound to a record layout and
// evaluated on a record with values and on one whose fields are all Null.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "appserver/RecordStore.h"
#include "data/FilterExpression.h"
#include "infra/DateTime.h"

namespace {

using kvt::Variant;
using kvt::appserver::FieldDef;
using kvt::appserver::FieldType;
using kvt::appserver::RecordStore;
using kvt::data::FilterError;
using kvt::data::FilterExpression;

// One field of each type, named as the report datasets name theirs.
const std::vector<FieldDef>& layout() {
    static const std::vector<FieldDef> fields{
        {"SmNum", FieldType::Integer, 0},    {"VidOplat", FieldType::SmallInt, 0},
        {"Name", FieldType::String, 20},     {"Liters", FieldType::Float, 0},
        {"Summa", FieldType::Currency, 0},   {"BegDate", FieldType::Date, 0},
        {"BegTime", FieldType::DateTime, 0}, {"Prihod", FieldType::Boolean, 0}};
    return fields;
}

// A record with values, then one whose fields are all Null.
const RecordStore& records() {
    static const RecordStore store = [] {
        RecordStore result(layout());
        result.appendRow({Variant(12), Variant::i2(4), Variant("x'y"), Variant(150.5),
                          Variant::currency(1234567), Variant::date(kvt::EncodeDate(2026, 12, 1)),
                          Variant::date(kvt::EncodeDate(2026, 12, 1) + kvt::EncodeTime(8, 0, 0, 0)),
                          Variant(true)});
        result.appendRow({});
        return result;
    }();
    return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        FilterExpression filter = FilterExpression::parse(kvt::fuzz::asText(data, size));
        filter.bind(layout());
        // A bound filter evaluates without failing, on values and on nulls alike,
        // and a record gets the same answer in a range as alone.
        std::uint8_t pass[2] = {2, 2};
        filter.select(records(), 0, pass);
        for (std::size_t record = 0; record < 2; ++record) {
            if (pass[record] > 1 || filter.matches(records(), record) != (pass[record] == 1)) {
                std::fprintf(stderr, "record %zu: selected %d\n", record, pass[record]);
                std::abort();
            }
        }
    } catch (const FilterError&) {
        // A filter that does not parse, or that its layout refuses, fails with
        // FilterError only.
    }
    return 0;
}
