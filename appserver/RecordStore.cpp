#include "appserver/RecordStore.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

namespace kvt::appserver {

namespace {

// A String column: every value's bytes one after the other, and where each value ends. 32-bit
// ends halve the offsets' room; a column never holds 4 GiB of text.
struct TextValues {
    std::vector<char> bytes;
    std::vector<std::uint32_t> ends;
};

using Values =
    std::variant<std::vector<std::int32_t>, std::vector<std::int16_t>, std::vector<std::uint8_t>,
                 std::vector<std::int64_t>, std::vector<double>, TextValues>;

Values valuesOf(FieldType type) {
    switch (type) {
        case FieldType::Integer:
            return std::vector<std::int32_t>{};
        case FieldType::SmallInt:
            return std::vector<std::int16_t>{};
        case FieldType::Boolean:
            return std::vector<std::uint8_t>{};
        case FieldType::Currency:
            return std::vector<std::int64_t>{};
        case FieldType::String:
            return TextValues{};
        case FieldType::Float:
        case FieldType::Date:
        case FieldType::DateTime:
            break;
    }
    return std::vector<double>{};
}

template <class T>
std::size_t heapBytes(const std::vector<T>& values) {
    return values.capacity() * sizeof(T);
}

template <class T>
bool fitsIn(std::int64_t value) {
    return value >= std::numeric_limits<T>::min() && value <= std::numeric_limits<T>::max();
}

constexpr std::size_t kBitsPerWord = 64;

// Misuse is thrown from out of the way, so that the checks on every append and read stay small
// enough to inline.
[[noreturn]] void noSuchColumn(std::size_t column, std::size_t columns) {
    throw std::out_of_range("RecordStore: column " + std::to_string(column) + " of " +
                            std::to_string(columns));
}

[[noreturn]] void noSuchValue(std::size_t row, std::size_t column, std::size_t rows,
                              std::size_t columns) {
    throw std::out_of_range("RecordStore: value " + std::to_string(row) + ", " +
                            std::to_string(column) + " of " + std::to_string(rows) + " x " +
                            std::to_string(columns));
}

[[noreturn]] void wrongStorage(const std::string& column, std::string_view what) {
    throw std::logic_error("RecordStore: column " + column + " " + std::string(what));
}

}  // namespace

struct RecordStore::Column {
    explicit Column(FieldType columnType)
        : type(columnType), values(valuesOf(columnType)), nulls(1, 0) {}

    template <class T>
    const std::vector<T>& as() const {
        return std::get<std::vector<T>>(values);
    }
    std::string_view textAt(std::size_t index) const {
        const auto& text = std::get<TextValues>(values);
        const std::uint32_t begin = index == 0 ? 0 : text.ends[index - 1];
        return {text.bytes.data() + begin, text.ends[index] - begin};
    }

    template <class T>
    void push(T value) {
        std::get<std::vector<T>>(values).push_back(value);
        ++count;
    }

    // False when the column's text would outgrow its 32-bit ends.
    bool pushText(std::string_view value) {
        auto& text = std::get<TextValues>(values);
        if (value.size() > std::numeric_limits<std::uint32_t>::max() - text.bytes.size())
            return false;
        text.bytes.insert(text.bytes.end(), value.begin(), value.end());
        text.ends.push_back(static_cast<std::uint32_t>(text.bytes.size()));
        ++count;
        return true;
    }

    // A null's slot holds 0 (an empty text), so that loops over the values need no test.
    void pushNull() {
        std::visit(
            [](auto& stored) {
                if constexpr (std::is_same_v<std::decay_t<decltype(stored)>, TextValues>)
                    stored.ends.push_back(static_cast<std::uint32_t>(stored.bytes.size()));
                else
                    stored.push_back(0);
            },
            values);
        nulls[count / kBitsPerWord] |= std::uint64_t{1} << (count % kBitsPerWord);
        ++count;
    }

    // The bits of the next 64 rows, added when a row ends on a word's end, so that appending a
    // value never has to.
    void addNullWord() { nulls.push_back(0); }

    bool isNull(std::size_t index) const {
        return (nulls[index / kBitsPerWord] >> (index % kBitsPerWord) & 1U) != 0;
    }

    void truncate(std::size_t size) {
        std::visit(
            [size](auto& stored) {
                if constexpr (std::is_same_v<std::decay_t<decltype(stored)>, TextValues>) {
                    stored.ends.resize(size);
                    stored.bytes.resize(size == 0 ? 0 : stored.ends.back());
                } else {
                    stored.resize(size);
                }
            },
            values);
        nulls.resize(size / kBitsPerWord + 1);
        nulls.back() &= (std::uint64_t{1} << (size % kBitsPerWord)) - 1;
        count = size;
    }

    std::size_t heldBytes() const {
        const std::size_t valueBytes = std::visit(
            [](const auto& stored) {
                if constexpr (std::is_same_v<std::decay_t<decltype(stored)>, TextValues>)
                    return heapBytes(stored.bytes) + heapBytes(stored.ends);
                else
                    return heapBytes(stored);
            },
            values);
        return valueBytes + heapBytes(nulls);
    }

    void shrinkToFit() {
        std::visit(
            [](auto& stored) {
                if constexpr (std::is_same_v<std::decay_t<decltype(stored)>, TextValues>) {
                    stored.bytes.shrink_to_fit();
                    stored.ends.shrink_to_fit();
                } else {
                    stored.shrink_to_fit();
                }
            },
            values);
        nulls.shrink_to_fit();
    }

    FieldType type;
    Values values;
    // One bit per value, set for a null, and always the word of the row being appended.
    std::vector<std::uint64_t> nulls;
    std::size_t count = 0;  // values held: the whole rows and the unfinished one
};

RecordStore::RecordStore(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    columns_.reserve(fields_.size());
    for (const auto& field : fields_)
        columns_.push_back(std::make_unique<Column>(field.type));
}

RecordStore::~RecordStore() = default;
RecordStore::RecordStore(RecordStore&&) noexcept = default;
RecordStore& RecordStore::operator=(RecordStore&&) noexcept = default;

// Inline, as it runs for every value appended.
inline RecordStore::Column& RecordStore::unfilled(std::size_t column) {
    if (column >= columns_.size())
        noSuchColumn(column, columns_.size());
    Column& target = *columns_[column];
    if (target.count != rows_)
        wrongStorage(fields_[column].name, "has a value in this row already");
    return target;
}

void RecordStore::refuse(std::size_t column, std::string_view why) {
    for (auto& each : columns_)
        each->truncate(rows_);
    throw ServerError("Столбец \"" + fields_[column].name + "\" " + std::string(why));
}

void RecordStore::refuseType(std::size_t column, VarType type) {
    refuse(column, "не принимает значение типа " + std::string(varTypeName(type)));
}

void RecordStore::appendNull(std::size_t column) {
    unfilled(column).pushNull();
}

void RecordStore::appendInteger(std::size_t column, std::int64_t value) {
    Column& target = unfilled(column);
    switch (target.type) {
        case FieldType::Integer:
            if (fitsIn<std::int32_t>(value))
                return target.push(static_cast<std::int32_t>(value));
            break;
        case FieldType::SmallInt:
            if (fitsIn<std::int16_t>(value))
                return target.push(static_cast<std::int16_t>(value));
            break;
        case FieldType::Boolean:
            if (value == 0 || value == 1)
                return target.push(static_cast<std::uint8_t>(value));
            break;
        case FieldType::Currency:
            return target.push(value);
        default:
            refuseType(column, VarType::I8);
    }
    refuse(column, "не вмещает значение " + std::to_string(value));
}

void RecordStore::appendFloat(std::size_t column, double value) {
    Column& target = unfilled(column);
    switch (target.type) {
        case FieldType::Float:
        case FieldType::Date:
        case FieldType::DateTime:
            return target.push(value);
        default:
            refuseType(column, VarType::R8);
    }
}

void RecordStore::appendText(std::size_t column, std::string_view value) {
    Column& target = unfilled(column);
    if (target.type != FieldType::String)
        refuseType(column, VarType::Str);
    if (!target.pushText(value))
        refuse(column, "не вмещает столько текста");
}

void RecordStore::appendValue(std::size_t column, const Variant& value) {
    const FieldType target = unfilled(column).type;
    const VarType type = value.type();
    if (type == VarType::Empty || type == VarType::Null)
        return appendNull(column);
    if (type == VarType::Array)
        refuseType(column, type);
    if (target == FieldType::String)
        return appendText(column, value.toString());
    if (type == VarType::Str)
        refuseType(column, type);
    const bool floating = type == VarType::R8 || type == VarType::Date;
    switch (target) {
        case FieldType::Currency:
            return appendInteger(column,
                                 floating ? std::llround(value.rawDouble()) : value.rawInteger());
        case FieldType::Float:
        case FieldType::Date:
        case FieldType::DateTime:
            return appendFloat(
                column, floating ? value.rawDouble() : static_cast<double>(value.rawInteger()));
        default:
            if (floating)
                refuseType(column, type);
            if (target == FieldType::Boolean)
                return appendInteger(column, value.rawInteger() != 0);
            return appendInteger(column, value.rawInteger());
    }
}

void RecordStore::endRow() {
    for (auto& column : columns_)
        if (column->count == rows_)
            column->pushNull();
    ++rows_;
    if (rows_ % kBitsPerWord == 0)
        for (auto& column : columns_)
            column->addNullWord();
}

void RecordStore::appendRow(const Row& row) {
    for (std::size_t i = 0; i < row.size(); ++i)
        appendValue(i, row[i]);
    endRow();
}

const RecordStore::Column& RecordStore::at(std::size_t row, std::size_t column) const {
    if (row >= rows_ || column >= columns_.size())
        noSuchValue(row, column, rows_, columns_.size());
    return *columns_[column];
}

bool RecordStore::isNull(std::size_t row, std::size_t column) const {
    return at(row, column).isNull(row);
}

std::int64_t RecordStore::integer(std::size_t row, std::size_t column) const {
    const Column& source = at(row, column);
    switch (source.type) {
        case FieldType::Integer:
            return source.as<std::int32_t>()[row];
        case FieldType::SmallInt:
            return source.as<std::int16_t>()[row];
        case FieldType::Boolean:
            return source.as<std::uint8_t>()[row];
        case FieldType::Currency:
            return source.as<std::int64_t>()[row];
        default:
            wrongStorage(fields_[column].name, "holds no whole numbers");
    }
}

double RecordStore::real(std::size_t row, std::size_t column) const {
    const Column& source = at(row, column);
    switch (source.type) {
        case FieldType::Float:
        case FieldType::Date:
        case FieldType::DateTime:
            return source.as<double>()[row];
        case FieldType::Currency:
            return static_cast<double>(source.as<std::int64_t>()[row]) / 10000.0;
        case FieldType::String:
            wrongStorage(fields_[column].name, "holds no numbers");
        default:
            return static_cast<double>(integer(row, column));
    }
}

std::string_view RecordStore::text(std::size_t row, std::size_t column) const {
    const Column& source = at(row, column);
    if (source.type != FieldType::String)
        wrongStorage(fields_[column].name, "holds no text");
    return source.textAt(row);
}

Variant RecordStore::value(std::size_t row, std::size_t column) const {
    const Column& source = at(row, column);
    if (source.isNull(row))
        return Variant::null();
    switch (source.type) {
        case FieldType::Integer:
            return Variant(source.as<std::int32_t>()[row]);
        case FieldType::SmallInt:
            return Variant::i2(source.as<std::int16_t>()[row]);
        case FieldType::Boolean:
            return Variant(source.as<std::uint8_t>()[row] != 0);
        case FieldType::Currency:
            return Variant::currency(source.as<std::int64_t>()[row]);
        case FieldType::Float:
            return Variant(source.as<double>()[row]);
        case FieldType::Date:
        case FieldType::DateTime:
            return Variant::date(source.as<double>()[row]);
        case FieldType::String:
            break;
    }
    return Variant(source.textAt(row));
}

Row RecordStore::row(std::size_t row) const {
    Row values;
    values.reserve(columns_.size());
    for (std::size_t column = 0; column < columns_.size(); ++column)
        values.push_back(value(row, column));
    return values;
}

std::size_t RecordStore::heldBytes() const {
    std::size_t bytes = 0;
    for (const auto& column : columns_)
        bytes += column->heldBytes();
    return bytes;
}

void RecordStore::shrinkToFit() {
    for (auto& column : columns_)
        column->shrinkToFit();
}

template <class T>
std::span<const T> RecordStore::values(std::size_t column) const {
    const auto* stored = std::get_if<std::vector<T>>(&columns_.at(column)->values);
    if (!stored)
        wrongStorage(fields_[column].name, "is not stored in the type asked for");
    return {stored->data(), rows_};
}

template std::span<const std::int32_t> RecordStore::values(std::size_t) const;
template std::span<const std::int16_t> RecordStore::values(std::size_t) const;
template std::span<const std::uint8_t> RecordStore::values(std::size_t) const;
template std::span<const std::int64_t> RecordStore::values(std::size_t) const;
template std::span<const double> RecordStore::values(std::size_t) const;

std::span<const std::uint64_t> RecordStore::nullBits(std::size_t column) const {
    return {columns_.at(column)->nulls.data(), (rows_ + kBitsPerWord - 1) / kBitsPerWord};
}

std::vector<Row> fetchRows(RecordCursor& cursor, int maxRows) {
    RecordStore store(cursor.fields());
    cursor.fetch(maxRows, store);
    std::vector<Row> rows;
    rows.reserve(store.rowCount());
    for (std::size_t i = 0; i < store.rowCount(); ++i)
        rows.push_back(store.row(i));
    return rows;
}

}  // namespace kvt::appserver
