#pragma once
// A Paradox table file (.DB) as the desktop database of the station software keeps it, read and
// written with pxlib. Only the kinds of field the office's tables use are given values: alpha
// text (CP1251 on disk, UTF-8 here), short, long and auto-increment integers, numbers, currency,
// logical and date; any other kind of field, and a blank value, reads as Empty.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt::data {

// A file that cannot be opened, is not a Paradox table, is cut short or damaged, or holds text
// that is not Windows-1251. The message says which, in the operator's words.
class ParadoxError : public ExceptionOf<ParadoxError> {
public:
    using ExceptionOf::ExceptionOf;
};

enum class ParadoxType { Alpha, Short, Long, AutoInc, Number, Currency, Logical, Date, Other };

struct ParadoxField {
    std::string name;
    ParadoxType type = ParadoxType::Alpha;
    int length = 0;  // bytes in a record; alpha fields only, the others have their fixed size
};

class ParadoxTable {
public:
    // The whole table of a local file, in record order (deleted records left out).
    static ParadoxTable read(const std::filesystem::path& file);
    // The same from the bytes of a file.
    static ParadoxTable parse(std::string_view bytes);

    const std::vector<ParadoxField>& fields() const { return fields_; }
    // The field named `name`, compared case-insensitively as the desktop database does.
    std::optional<std::size_t> fieldIndex(std::string_view name) const;
    // One vector of values per record, a value per field.
    const std::vector<std::vector<Variant>>& records() const { return records_; }

private:
    std::vector<ParadoxField> fields_;
    std::vector<std::vector<Variant>> records_;

    friend class ParadoxReader;
};

// Writes a new table to `file` (replacing one there), one record per element of `records`,
// each with a value per field: text for alpha, integers, numbers, booleans and dates as
// Variant holds them, Empty for a blank value. Throws ParadoxError when a value does not fit
// its field or the file cannot be written.
void writeParadoxTable(const std::filesystem::path& file, const std::vector<ParadoxField>& fields,
                       const std::vector<std::vector<Variant>>& records);

}  // namespace kvt::data
