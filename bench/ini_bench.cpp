// The locked INI file against a bare in-memory parse and lookup of the same cnf.INI (300 keys)
// and against a bare replacement of the file with and without fsync, to show what the lock,
// the re-read of the file, the atomic rewrite and forcing it to disk cost per operation.
//
//   build/dev/bench/ini_bench
//
// Runs on a private temporary station root, never on the user's own.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

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

// The bare replacement of the same file: a new file written beside it and renamed over it,
// with and without forcing the new file and the folder to disk, so that the locked write can
// be set against both and the cost of the two fsyncs read off.
void bareReplace(benchmark::State& state, bool sync) {
    const fs::path target = root().file().parent_path() / "bare.INI";
    const fs::path temporary = root().file().parent_path() / ".bare.INI.tmp";
    const std::string bytes = BenchRoot::text();
    for (auto _ : state) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("write failed");
        if (sync)
            ::fsync(fd);
        ::close(fd);
        ::rename(temporary.c_str(), target.c_str());
        if (sync) {
            const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
            ::fsync(folder);
            ::close(folder);
        }
    }
}

void BM_BareReplace(benchmark::State& state) {
    bareReplace(state, false);
}
BENCHMARK(BM_BareReplace);

void BM_BareReplaceSynced(benchmark::State& state) {
    bareReplace(state, true);
}
BENCHMARK(BM_BareReplaceSynced);

// A hand-made hostile value: a count of two billion chunks beside 100 000 junk keys.
void BM_ReadImpossibleCount(benchmark::State& state) {
    const fs::path hostile = root().file().parent_path() / "hostile.INI";
    {
        std::ofstream out(hostile, std::ios::binary);
        out << "[S]\r\nv=first\r\nv__$Count=2000000000\r\nv__$Hash=" << kvt::SafeIniHash("first")
            << "\r\n";
        for (int junk = 0; junk < 100000; ++junk)
            out << "junk" << junk << "=x\r\n";
    }
    kvt::TSafeIniFile file("C:\\WINDOWS\\hostile.INI");
    for (auto _ : state)
        benchmark::DoNotOptimize(file.ReadString("S", "v", ""));
}
BENCHMARK(BM_ReadImpossibleCount)->Unit(benchmark::kMillisecond);

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
