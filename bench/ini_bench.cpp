// The locked INI file against a bare in-memory parse and lookup of the same cnf.INI (300 keys),
// to show what the lock, the re-read of the file and the atomic rewrite cost per operation.
//
//   build/dev/bench/ini_bench
//
// Runs on a private temporary station root, never on the user's own.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "infra/IniFile.h"
#include "infra/SafeIniFiles.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "C:\\WINDOWS\\cnf.INI";
constexpr int kSections = 3;
constexpr int kKeysPerSection = 100;

std::string sectionName(int index) {
    return "Section" + std::to_string(index % kSections);
}
std::string keyName(int index) {
    return "Key" + std::to_string(index % kKeysPerSection);
}

// A station root of its own, removed at the end of the run.
class BenchRoot {
public:
    BenchRoot() {
        std::string pattern = (fs::temp_directory_path() / "kvt-ini-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        base_ = pattern;
        setenv("KVT_ROOT", base_.c_str(), 1);
        fs::create_directories(file().parent_path());
        std::ofstream out(file(), std::ios::binary);
        out << text();
    }
    ~BenchRoot() {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }
    fs::path file() const { return base_ / "drive_c" / "WINDOWS" / "cnf.INI"; }

    // 300 keys in three sections, values like the plug-in's settings and template paths.
    static std::string text() {
        std::ostringstream out;
        for (int s = 0; s < kSections; ++s) {
            out << "[" << sectionName(s) << "]\r\n";
            for (int k = 0; k < kKeysPerSection; ++k)
                out << keyName(k) << "=C:\\VEDA\\FORMS\\REPORT\\template" << s * 1000 + k
                    << ".txt\r\n";
        }
        return out.str();
    }

private:
    fs::path base_;
};

BenchRoot& root() {
    static BenchRoot instance;
    return instance;
}

void BM_BareParseAndLookup(benchmark::State& state) {
    const std::string bytes = BenchRoot::text();
    int i = 0;
    for (auto _ : state) {
        const kvt::IniDocument document = kvt::IniDocument::parse(bytes);
        benchmark::DoNotOptimize(document.value(sectionName(i), keyName(i * 7)));
        ++i;
    }
}
BENCHMARK(BM_BareParseAndLookup);

void BM_ReadString(benchmark::State& state) {
    root();
    kvt::TSafeIniFile file(kName);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(file.ReadString(sectionName(i), keyName(i * 7), ""));
        ++i;
    }
}
BENCHMARK(BM_ReadString);

void BM_WriteString(benchmark::State& state) {
    root();
    kvt::TSafeIniFile file(kName);
    int i = 0;
    for (auto _ : state) {
        file.WriteString(sectionName(i), keyName(i * 7),
                         "C:\\VEDA\\FORMS\\REPORT\\new" + std::to_string(i) + ".txt");
        ++i;
    }
}
BENCHMARK(BM_WriteString);

// The plug-in's own pattern: a new file object for each group of reads.
void BM_OpenAndReadString(benchmark::State& state) {
    root();
    int i = 0;
    for (auto _ : state) {
        kvt::TSafeIniFile file(kName);
        benchmark::DoNotOptimize(file.ReadString(sectionName(i), keyName(i * 7), ""));
        ++i;
    }
}
BENCHMARK(BM_OpenAndReadString);

}  // namespace

BENCHMARK_MAIN();
