#pragma once
// Opening and walking a dataset, and what its records take: "heldMB", the heap its record store
// holds, against "ownMB", the records' own bytes (each value's size in its field's type, a text
// its bytes, a null nothing).
#include <benchmark/benchmark.h>

#include <cstddef>

#include "data/ClientDataSet.h"

namespace kvt::bench {

inline std::size_t valueBytes(const data::Field& field) {
    if (field.IsNull())
        return 0;
    switch (field.DataType()) {
        case appserver::FieldType::Integer:
            return 4;
        case appserver::FieldType::SmallInt:
            return 2;
        case appserver::FieldType::Boolean:
            return 1;
        case appserver::FieldType::String:
            return field.AsString().size();
        default:
            return 8;
    }
}

// Walks the fetched records once; the cursor ends after the last.
inline std::size_t ownBytes(data::ClientDataSet& dataSet) {
    std::size_t bytes = 0;
    const auto fields = dataSet.Fields();
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        for (const auto* field : fields)
            bytes += valueBytes(*field);
    return bytes;
}

inline void reportRecordBytes(benchmark::State& state, data::ClientDataSet& dataSet) {
    constexpr double kMegabyte = 1048576;
    state.counters["heldMB"] = static_cast<double>(dataSet.heldBytes()) / kMegabyte;
    state.counters["ownMB"] = static_cast<double>(ownBytes(dataSet)) / kMegabyte;
}

// A field read in its own type, as the reports read it.
inline void readTyped(const data::Field& field) {
    switch (field.DataType()) {
        case appserver::FieldType::Integer:
        case appserver::FieldType::SmallInt:
            return benchmark::DoNotOptimize(field.AsInteger());
        case appserver::FieldType::String:
            return benchmark::DoNotOptimize(field.AsString());
        case appserver::FieldType::Boolean:
            return benchmark::DoNotOptimize(field.AsBoolean());
        default:
            return benchmark::DoNotOptimize(field.AsFloat());
    }
}

// Each iteration opens the dataset anew and walks it, every field of every record read by
// `read`; the counters tell what the records take, and the dataset is closed at the end.
template <class Read>
void openAndWalk(benchmark::State& state, data::ClientDataSet& dataSet, Read read) {
    for (auto _ : state) {
        dataSet.Close();
        dataSet.Open();
        const auto fields = dataSet.Fields();
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            for (const auto* field : fields)
                read(*field);
        }
    }
    reportRecordBytes(state, dataSet);
    dataSet.Close();
}

}  // namespace kvt::bench
