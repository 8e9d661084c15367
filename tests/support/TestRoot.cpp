#include "support/TestRoot.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kvt::test {

int pdfPageCount(const std::string& pdf) {
    int count = 0;
    const std::string marker = "/Type /Page";
    for (auto at = pdf.find(marker); at != std::string::npos; at = pdf.find(marker, at + 1))
        if (pdf.compare(at + marker.size(), 1, "s") != 0)
            ++count;
    return count;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

namespace fs = std::filesystem;

void FreshRoot::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "kvt-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    base_ = pattern;
    const std::vector<std::pair<std::string, fs::path>> vars = {
        {"KVT_ROOT", base_ / "root"},
        {"TMPDIR", base_ / "tmp"},
        {"XDG_CONFIG_HOME", base_ / "config"},
        {"XDG_DATA_HOME", base_ / "data"},
    };
    for (const auto& [name, path] : vars) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::string(old) : std::string("\x01"));
        fs::create_directories(path);
        setenv(name.c_str(), path.c_str(), 1);
    }
}

void FreshRoot::TearDown() {
    for (const auto& [name, value] : saved_) {
        if (value == "\x01")
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

fs::path FreshRoot::driveC() const {
    fs::path path = base_ / "root" / "drive_c";
    fs::create_directories(path);
    return path;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    out << bytes;
}

fs::path toolPath(const std::string& name) {
    const char* dir = std::getenv("KVT_TOOLS_DIR");
    if (dir == nullptr)
        throw std::runtime_error("KVT_TOOLS_DIR is not set");
    return fs::path(dir) / name;
}

namespace {

std::vector<char*> argv(const fs::path& program, const std::vector<std::string>& args,
                        std::vector<std::string>& storage) {
    storage.clear();
    storage.push_back(program.string());
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> result;
    for (auto& s : storage)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string drain(int fd) {
    std::string text;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

}  // namespace

ProcessResult runProcess(const fs::path& program, const std::vector<std::string>& args,
                         const std::string& input) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> storage;
    auto arguments = argv(program, args, storage);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(arguments[0], arguments.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    std::thread writer([&] {
        size_t done = 0;
        while (done < input.size()) {
            ssize_t n = write(in[1], input.data() + done, input.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        close(in[1]);
    });
    ProcessResult result;
    std::thread errReader([&] { result.err = drain(err[0]); });
    result.out = drain(out[0]);
    errReader.join();
    writer.join();
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

ChildProcess::ChildProcess(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> storage;
    auto arguments = argv(program, args, storage);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        execv(arguments[0], arguments.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

void ChildProcess::kill(int signal) {
    ::kill(pid_, signal);
}

int ChildProcess::wait() {
    if (!reaped_) {
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

}  // namespace kvt::test

#include "platform/NamedMutex.h"

namespace kvt::test {

LockHolder::LockHolder(const std::string& mutexName) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        platform::NamedMutex mutex(mutexName);
        mutex.lock();
        const char byte = 1;
        if (write(ready[1], &byte, 1) != 1)
            _exit(2);
        for (;;)
            pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool holds = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    if (!holds) {
        killHard();
        throw std::runtime_error("the lock holder did not take " + mutexName);
    }
}

LockHolder::~LockHolder() {
    killHard();
}

bool LockHolder::killHard() {
    if (reaped_)
        return false;
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace kvt::test
