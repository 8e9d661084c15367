#include "platform/NamedMutex.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/SystemError.h"
#include "support/TestRoot.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;

// A forked child running `body`; its exit code is the body's result (99 for an exception).
class Child {
public:
    explicit Child(const std::function<int()>& body) {
        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            int code = 99;
            try {
                code = body();
            } catch (...) {
            }
            _exit(code);
        }
    }
    ~Child() {
        if (!reaped_) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    void kill(int signal) { ::kill(pid_, signal); }
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// One-byte messages between parent and child.
class Pipe {
public:
    Pipe() {
        if (pipe(fds_) != 0)
            throw std::runtime_error("pipe failed");
    }
    ~Pipe() {
        close(fds_[0]);
        close(fds_[1]);
    }
    void signal() { EXPECT_EQ(write(fds_[1], "x", 1), 1); }
    bool await() {
        char c;
        return read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2];
};

// Whether another process finds the mutex taken right now.
bool takenElsewhere(const std::string& name) {
    Child child([&] {
        NamedMutex mutex(name);
        if (!mutex.tryLockFor(0))
            return 1;
        mutex.unlock();
        return 0;
    });
    return child.wait() == 1;
}

bool takenByOtherThread(const std::string& name) {
    return std::async(std::launch::async,
                      [&] {
                          NamedMutex mutex(name);
                          if (!mutex.tryLockFor(0))
                              return true;
                          mutex.unlock();
                          return false;
                      })
        .get();
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class NamedMutexTest : public test::FreshRoot {
protected:
    fs::path locks() const { return base() / "root" / "locks"; }
    fs::path userFolder() const { return locks() / ("user-" + std::to_string(getuid())); }
};

TEST_F(NamedMutexTest, NamesMapToGlobalAndUserFolders) {
    EXPECT_EQ(NamedMutex::lockFilePath("Global\\ini lock"),
              (locks() / "global" / "ini lock").string());
    EXPECT_EQ(NamedMutex::lockFilePath("GLOBAL\\ini lock"),
              NamedMutex::lockFilePath("Global\\ini lock"));
    EXPECT_EQ(NamedMutex::lockFilePath("ini lock"), (userFolder() / "ini lock").string());
    EXPECT_EQ(NamedMutex::lockFilePath("Globalx"), (userFolder() / "Globalx").string());
}

TEST_F(NamedMutexTest, FileNamesEscapeWhatAFileNameCannotHold) {
    auto fileName = [](const std::string& name) {
        return fs::path(NamedMutex::lockFilePath(name)).filename().string();
    };
    EXPECT_EQ(fileName("Global\\a/b%c"), "a%2Fb%25c");
    EXPECT_EQ(fileName(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(fileName("c:\\veda\\cnf.ini"), "c:\\veda\\cnf.ini");
    EXPECT_EQ(fileName(".."), "%2E%2E");
    EXPECT_EQ(fileName("Мьютекс"), "Мьютекс");
    EXPECT_THROW(NamedMutex("Global\\"), SystemError);
}

TEST_F(NamedMutexTest, LongNamesAreShortenedWithAHash) {
    auto fileName = [](const std::string& name) {
        return fs::path(NamedMutex::lockFilePath(name)).filename().string();
    };
    EXPECT_EQ(fileName(std::string(200, 'a')), std::string(200, 'a'));
    EXPECT_EQ(fileName("Global\\" + std::string(250, 'a')),
              std::string(150, 'a') + "~924785600b73a84f");
    EXPECT_EQ(fileName(std::string(249, 'a') + "b"), std::string(150, 'a') + "~924786600b73aa02");
    NamedMutex longName(std::string(300, '%'));
    longName.lock();
    longName.unlock();
}

TEST_F(NamedMutexTest, SharedFolderAndFileAreOpenToEveryUserWhateverTheUmask) {
    const mode_t saved = umask(077);
    NamedMutex global("Global\\shared");
    NamedMutex own("own");
    umask(saved);
    EXPECT_EQ(modeOf(locks() / "global"), 01777u);
    EXPECT_EQ(modeOf(locks() / "global" / "shared"), 0666u);
    EXPECT_EQ(modeOf(userFolder()), 0700u);
    EXPECT_EQ(modeOf(userFolder() / "own"), 0600u);
}

TEST_F(NamedMutexTest, GlobalAndPlainNamesAreDifferentLocks) {
    NamedMutex global("Global\\same");
    global.lock();
    EXPECT_TRUE(takenByOtherThread("Global\\same"));
    EXPECT_TRUE(takenByOtherThread("global\\same"));
    EXPECT_FALSE(takenByOtherThread("same"));
    global.unlock();
}

TEST_F(NamedMutexTest, IsReentrantForTheOwningThreadAcrossObjects) {
    NamedMutex first("reentrant");
    NamedMutex second("reentrant");
    first.lock();
    first.lock();
    EXPECT_TRUE(second.tryLockFor(0));
    EXPECT_TRUE(takenElsewhere("reentrant"));
    EXPECT_TRUE(takenByOtherThread("reentrant"));
    second.unlock();
    first.unlock();
    EXPECT_TRUE(takenElsewhere("reentrant"));
    first.unlock();
    EXPECT_FALSE(takenElsewhere("reentrant"));
    EXPECT_FALSE(takenByOtherThread("reentrant"));
}

TEST_F(NamedMutexTest, UnlockWithoutOwnershipIsRefused) {
    NamedMutex mutex("owned");
    EXPECT_THROW(mutex.unlock(), std::logic_error);
    mutex.lock();
    auto foreign = std::async(std::launch::async, [] {
        NamedMutex other("owned");
        other.unlock();
    });
    EXPECT_THROW(foreign.get(), std::logic_error);
    EXPECT_TRUE(takenElsewhere("owned"));
    mutex.unlock();
}

TEST_F(NamedMutexTest, ThreadsOfOneProcessExcludeEachOther) {
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&counter, t] {
            NamedMutex mutex("counter");
            for (int i = 0; i < 200; ++i) {
                if (t % 2 == 0) {
                    mutex.lock();
                } else {
                    while (!mutex.tryLockFor(1)) {
                    }
                }
                const int seen = counter;
                std::this_thread::yield();
                counter = seen + 1;
                mutex.unlock();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 800);
}

TEST_F(NamedMutexTest, ProcessesExcludeEachOther) {
    Pipe held, release;
    Child holder([&] {
        NamedMutex mutex("Global\\between processes");
        mutex.lock();
        held.signal();
        release.await();
        mutex.unlock();
        return 0;
    });
    ASSERT_TRUE(held.await());
    NamedMutex mutex("Global\\between processes");
    EXPECT_FALSE(mutex.tryLockFor(0));
    EXPECT_FALSE(mutex.tryLockFor(20));
    release.signal();
    mutex.lock();
    mutex.unlock();
    EXPECT_EQ(holder.wait(), 0);
}

TEST_F(NamedMutexTest, AHolderThatDiesHandsTheLockOn) {
    Pipe held;
    Child holder([&] {
        NamedMutex mutex("abandoned");
        mutex.lock();
        held.signal();
        pause();
        return 0;
    });
    ASSERT_TRUE(held.await());
    NamedMutex mutex("abandoned");
    EXPECT_FALSE(mutex.tryLockFor(0));
    holder.kill(SIGKILL);
    holder.wait();
    mutex.lock();
    EXPECT_TRUE(takenElsewhere("abandoned"));
    mutex.unlock();
}

TEST_F(NamedMutexTest, ALockFileThatIsASymlinkIsRefused) {
    const fs::path target = base() / "victim";
    const NamedMutex sibling("sibling");  // makes the lock folder
    fs::create_symlink(target, NamedMutex::lockFilePath("planted"));
    try {
        NamedMutex mutex("planted");
        ADD_FAILURE() << "opened through a symbolic link";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.errorNumber(), ELOOP);
    }
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(NamedMutexTest, ALockFolderThatIsASymlinkOrOpenToOthersIsRefused) {
    fs::create_directories(locks());
    fs::create_directories(base() / "elsewhere");
    fs::create_directory_symlink(base() / "elsewhere", locks() / "global");
    EXPECT_THROW(NamedMutex("Global\\x"), SystemError);
    EXPECT_TRUE(fs::is_empty(base() / "elsewhere"));

    fs::create_directory(userFolder());
    fs::permissions(userFolder(), fs::perms(0755));
    try {
        NamedMutex mutex("x");
        ADD_FAILURE() << "used a lock folder open to others";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.errorNumber(), EPERM);
    }
}

}  // namespace
}  // namespace kvt::platform
