// Log lines per second through TRVKLogger (lock, open, append, close for every line) against a
// bare loop of flock + open(O_APPEND) + write + close + unlock on the same kind of file: both
// in the station's log folder, the logger's named by its station path as the plug-in names it.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "BenchMain.h"
#include "infra/RVKLogger.h"
#include "platform/CodePage.h"

namespace {

namespace fs = std::filesystem;

const std::string Message = "Отчет 45 подготовлен за 120 мс";

fs::path benchDir() {
    return fs::path(std::getenv("KVT_ROOT")) / "drive_c" / "VEDA" / "LogFiles";
}

// Size trimming is off so that both loops measure the per-line path only.
void LoggerLine(benchmark::State& state) {
    const fs::path path = benchDir() / "logger.log";
    kvt::TRVKLogger logger("C:\\VEDA\\LogFiles\\logger.log");
    logger.MaxSize = 0;
    logger.SetTag("[KVTReports7]");
    for (auto _ : state)
        logger.Log(Message, 1);
    state.SetItemsProcessed(state.iterations());
    fs::remove(path);
}
BENCHMARK(LoggerLine);

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {
        if (fd_ < 0)
            throw std::runtime_error("open failed");
    }
    ~FileDescriptor() { close(fd_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void BareFlockAppend(benchmark::State& state) {
    const fs::path path = benchDir() / "bare.log";
    const FileDescriptor lock(open((benchDir() / "bare.lock").c_str(), O_RDWR | O_CREAT, 0644));
    const std::string line = kvt::platform::utf8ToCp1251(
        "07.12.2026 14:03:59.042 [инф] [KVTReports7] " + Message + "\r\n");
    for (auto _ : state) {
        flock(lock.get(), LOCK_EX);
        {
            const FileDescriptor file(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644));
            benchmark::DoNotOptimize(write(file.get(), line.data(), line.size()));
        }
        flock(lock.get(), LOCK_UN);
    }
    state.SetItemsProcessed(state.iterations());
    fs::remove(path);
}
BENCHMARK(BareFlockAppend);

// The station root of the run is a fresh temporary folder, so that the lock folders and logs of
// a real installation are never touched.
class ScratchRoot {
public:
    ScratchRoot() {
        std::string pattern = (fs::temp_directory_path() / "kvt-log-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        setenv("KVT_ROOT", path_.c_str(), 1);
        setenv("TMPDIR", path_.c_str(), 1);
        fs::create_directories(benchDir());
    }
    ~ScratchRoot() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;

private:
    fs::path path_;
};

}  // namespace

int main(int argc, char** argv) {
    const ScratchRoot root;
    return kvt::bench::runBenchmarks(argc, argv);
}
