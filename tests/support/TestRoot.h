#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvt::test {

// Every test runs on a fresh station root: KVT_ROOT, TMPDIR, XDG_CONFIG_HOME and XDG_DATA_HOME
// point into a new temporary folder that is removed afterwards. Child processes started by the
// test inherit the same environment.
class FreshRoot : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& base() const { return base_; }
    // $KVT_ROOT/drive_c, created.
    std::filesystem::path driveC() const;

private:
    std::filesystem::path base_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

// The lines of a program's output, without their line ends.
std::vector<std::string> splitLines(const std::string& text);

// The pages of a PDF document: its page objects, told apart from the page tree ("/Type /Pages").
int pdfPageCount(const std::string& pdf);

// Whole-file helpers for assertions.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// The result of a child process.
struct ProcessResult {
    int exitCode = -1;  // -1 when killed by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// A built command-line tool by name ("kvt-ini"), from KVT_TOOLS_DIR.
std::filesystem::path toolPath(const std::string& name);

// Runs a program to its end with the given arguments and standard input.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::string& input = {});

// A child process running in the background; killed (SIGKILL) and reaped on destruction if
// still running.
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    void kill(int signal);
    // Waits for the end; returns the exit code, or -1 when a signal ended it.
    int wait();

private:
    int pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

}  // namespace kvt::test

namespace kvt::test {

// A child process that takes a named lock (platform::NamedMutex) and holds it until it is
// killed; the constructor returns once the child holds it.
class LockHolder {
public:
    explicit LockHolder(const std::string& mutexName);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Kills the holder with SIGKILL, as a crash would, and reaps it; true when the signal
    // ended it.
    bool killHard();

private:
    int pid_ = -1;
    bool reaped_ = false;
};

}  // namespace kvt::test
