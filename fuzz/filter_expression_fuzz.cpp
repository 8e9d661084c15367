// Filter texts of client datasets: parsed, checked against a record layout and evaluated on a
// record with values and on one whose fields are all Null.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "data/FilterExpression.h"
#include "infra/DateTime.h"

namespace {

using kvt::Variant;
using kvt::appserver::FieldType;
using kvt::data::FilterError;
using kvt::data::FilterExpression;
using kvt::data::FilterRecord;

struct FieldValue {
    std::string name;
    FieldType type;
    Variant value;
};

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// One field of each type, named as the report datasets name theirs.
class Record : public FilterRecord {
public:
    explicit Record(std::vector<FieldValue> fields) : fields_(std::move(fields)) {}

    std::optional<FieldType> fieldType(std::string_view name) const override {
        const FieldValue* field = find(name);
        return field ? std::optional(field->type) : std::nullopt;
    }
    Variant fieldValue(std::string_view name) const override {
        const FieldValue* field = find(name);
        return field ? field->value : Variant();
    }

private:
    const FieldValue* find(std::string_view name) const {
        const auto found = std::find_if(fields_.begin(), fields_.end(), [&](const FieldValue& f) {
            return sameName(f.name, name);
        });
        return found == fields_.end() ? nullptr : &*found;
    }

    std::vector<FieldValue> fields_;
};

const Record& withValues() {
    static const Record record({
        {"SmNum", FieldType::Integer, Variant(12)},
        {"VidOplat", FieldType::SmallInt, Variant::i2(4)},
        {"Name", FieldType::String, Variant("x'y")},
        {"Liters", FieldType::Float, Variant(150.5)},
        {"Summa", FieldType::Currency, Variant::currency(1234567)},
        {"BegDate", FieldType::Date, Variant::date(kvt::EncodeDate(2026, 12, 1))},
        {"BegTime", FieldType::DateTime,
         Variant::date(kvt::EncodeDate(2026, 12, 1) + kvt::EncodeTime(8, 0, 0, 0))},
        {"Prihod", FieldType::Boolean, Variant(true)},
    });
    return record;
}

const Record& allNull() {
    static const Record record({
        {"SmNum", FieldType::Integer, Variant::null()},
        {"VidOplat", FieldType::SmallInt, Variant()},
        {"Name", FieldType::String, Variant::null()},
        {"Liters", FieldType::Float, Variant::null()},
        {"Summa", FieldType::Currency, Variant::null()},
        {"BegDate", FieldType::Date, Variant::null()},
        {"BegTime", FieldType::DateTime, Variant::null()},
        {"Prihod", FieldType::Boolean, Variant::null()},
    });
    return record;
}

bool validates(const FilterExpression& filter, const Record& record) {
    try {
        filter.validate(record);
        return true;
    } catch (const FilterError&) {
        return false;
    }
}

// A filter that passed validation against the record's layout evaluates on its values.
void evaluate(const FilterExpression& filter, const Record& record) {
    const bool valid = validates(filter, record);
    try {
        filter.matches(record);
    } catch (const FilterError& error) {
        if (valid) {
            std::fprintf(stderr, "validated, then failed: %s\n", error.what());
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const FilterExpression filter = FilterExpression::parse(kvt::fuzz::asText(data, size));
        for (const Record* record : {&withValues(), &allNull()})
            evaluate(filter, *record);
    } catch (const FilterError&) {
        // A filter that does not parse is refused with FilterError, and only with it.
    }
    return 0;
}
