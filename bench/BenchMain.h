#pragma once
// The common end of a bench program's main: Google Benchmark's options and run.
#include <benchmark/benchmark.h>

namespace kvt::bench {

inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace kvt::bench
