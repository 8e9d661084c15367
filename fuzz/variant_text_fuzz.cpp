// Variants as they become text: values of every type built from the fuzz bytes, nested arrays
// and two-dimensional ones among them, through their canonical text, their conversions and
// Format; the rest of the bytes as text for the date, time and number readers, as a Format
// string and as a FormatDateTime pattern.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "infra/DateTime.h"
#include "infra/Format.h"
#include "kvtreports/Variant.h"

namespace {

using kvt::Variant;
using kvt::VariantError;

// Arrays stay small and shallow: their size is not what is being tried.
constexpr int kMaxDepth = 3;
constexpr int kMaxCount = 4;
constexpr std::size_t kMaxText = 64;
// 09.12.2025 12:00, an afternoon for the patterns' am/pm.
constexpr kvt::DateTime kSampleDate = 46000.5;

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "Variant invariant broken: %s\n", what);
        std::abort();
    }
}

// Any bit pattern, NaNs and infinities included.
double anyDouble(FuzzedDataProvider& in) {
    return std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
}

Variant anyVariant(FuzzedDataProvider& in, int depth);

// Bounds anywhere in the 32-bit range, as a host may send them, with room for an empty
// dimension (high = low - 1) and for kMaxCount elements.
std::int32_t lowBound(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange<std::int32_t>(
        std::numeric_limits<std::int32_t>::min() + 1,
        std::numeric_limits<std::int32_t>::max() - kMaxCount);
}

Variant anyList(FuzzedDataProvider& in, int depth) {
    std::vector<Variant> elements(in.ConsumeIntegralInRange<std::size_t>(0, kMaxCount));
    for (Variant& element : elements)
        element = anyVariant(in, depth + 1);
    return Variant::list(std::move(elements), lowBound(in));
}

Variant anyTable(FuzzedDataProvider& in, int depth) {
    const std::int32_t rowLow = lowBound(in);
    const std::int32_t columnLow = lowBound(in);
    const auto rows = in.ConsumeIntegralInRange<std::int32_t>(0, kMaxCount);
    const auto columns = in.ConsumeIntegralInRange<std::int32_t>(0, kMaxCount);
    Variant table =
        Variant::array({{rowLow, rowLow + rows - 1}, {columnLow, columnLow + columns - 1}});
    for (std::int32_t r = rowLow; r < rowLow + rows; ++r) {
        for (std::int32_t c = columnLow; c < columnLow + columns; ++c)
            table.at(r, c) = anyVariant(in, depth + 1);
    }
    return table;
}

Variant anyVariant(FuzzedDataProvider& in, int depth) {
    const int last = depth < kMaxDepth ? 14 : 12;
    switch (in.ConsumeIntegralInRange<int>(0, last)) {
        case 0:
            return {};
        case 1:
            return Variant::null();
        case 2:
            return Variant::i1(in.ConsumeIntegral<std::int8_t>());
        case 3:
            return Variant::i2(in.ConsumeIntegral<std::int16_t>());
        case 4:
            return Variant(in.ConsumeIntegral<std::int32_t>());
        case 5:
            return Variant::i8(in.ConsumeIntegral<std::int64_t>());
        case 6:
            return Variant::ui1(in.ConsumeIntegral<std::uint8_t>());
        case 7:
            return Variant(anyDouble(in));
        case 8:
            return Variant::currency(in.ConsumeIntegral<std::int64_t>());
        case 9:
            return Variant::date(anyDouble(in));
        case 10:
            // Dates of the years a station sees, where the text forms are most detailed.
            return Variant::date(in.ConsumeFloatingPointInRange<double>(-700000.0, 3000000.0));
        case 11:
            return Variant(in.ConsumeRandomLengthString(kMaxText));
        case 12:
            return Variant(in.ConsumeBool());
        case 13:
            return anyList(in, depth);
        default:
            return anyTable(in, depth);
    }
}

template <class Convert>
void attempt(Convert convert) {
    try {
        convert();
    } catch (const VariantError&) {
    }
}

void convertAll(const Variant& value) {
    attempt([&] { value.toInt(); });
    attempt([&] { value.toInt64(); });
    attempt([&] { value.toDouble(); });
    attempt([&] { value.toBool(); });
    attempt([&] { value.toString(); });
    attempt([&] { value.toDate(); });
}

// Copies read as the original; an array stored into one of its own elements is copied first,
// so the text of the result is finite and the original's text unchanged.
void copyAndNest(const Variant& value) {
    const std::string text = value.canonical();
    Variant copy = value;
    require(copy.canonical() == text, "a copy reads differently");
    if (!copy.isArray() || copy.elements().empty() || copy.dimCount() != 1)
        return;
    copy.at(copy.lowBound()) = copy;
    copy.canonical();
    require(value.canonical() == text, "writing into a copy changed the original");
}

void readText(std::string_view text, const std::vector<Variant>& args) {
    const kvt::FormatSettings& local = kvt::defaultFormatSettings();
    const kvt::FormatSettings file = kvt::fileFormatSettings("dd.mm.yyyy", "hh:nn:ss.zzz");
    for (const kvt::FormatSettings* settings : {&local, &file}) {
        kvt::DateTime date = 0;
        if (kvt::TryStrToDateTime(text, date, *settings))
            kvt::FormatDateTime("c", date, *settings);
        kvt::TryStrToDate(text, date, *settings);
        kvt::TryStrToTime(text, date, *settings);
        double number = 0;
        if (kvt::TryStrToFloat(text, number, *settings))
            kvt::FloatToStr(number, *settings);
        kvt::FormatDateTime(text, kSampleDate, *settings);
    }
    std::int32_t small = 0;
    kvt::TryStrToInt(text, small);
    std::int64_t large = 0;
    kvt::TryStrToInt64(text, large);
    convertAll(Variant(text));
    try {
        kvt::Format(text, args);
    } catch (const kvt::FormatError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<Variant> args(in.ConsumeIntegralInRange<std::size_t>(0, kMaxCount));
    for (Variant& arg : args) {
        attempt([&] { arg = anyVariant(in, 0); });
        convertAll(arg);
        copyAndNest(arg);
        if (arg.type() == kvt::VarType::Date || arg.type() == kvt::VarType::R8)
            kvt::FormatDateTime("dddd dd mmmm yyyy hh:nn:ss.zzz am/pm", arg.rawDouble());
    }
    readText(in.ConsumeRemainingBytesAsString(), args);
    return 0;
}
