#pragma once

// The station's event log writer: one line per message, appended to a CP1251 text file that
// any number of threads and processes share. The file is opened and closed for every line and
// kept near its target size by cutting its oldest lines off the head (or by rotating it to
// numbered backups). A logger never throws into its caller for file problems: its failures go
// to ErrorsWriter(), a second log in the user's temporary folder.

#include <bitset>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "infra/DateTime.h"
#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt {

namespace platform {
class NamedMutex;
}

// The logger's own failures: the open timeout and a named mutex that cannot be created.
class ERVKLoggerError : public ExceptionOf<ERVKLoggerError> {
public:
    using ExceptionOf::ExceptionOf;
};

// Open modes of OpenLogStream, numbered as the station software numbers them. Linux has no
// share modes, so fmShareDenyNone only keeps the callers' mode numbers intact.
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareDenyNone = 0x0040;
// Creates the file, or empties it when it exists; read-write.
inline constexpr unsigned fmCreate = 0xFF00;
// Added to an open mode: create the file when it is missing, keep it as it is otherwise.
inline constexpr unsigned fmOpenOrCreate = 0x10000;

// An open log file (or the trimming's temporary file), closed when it goes. A stream writes
// either by appending (O_APPEND: every write lands at the end as the system finds it, whoever
// else writes the file) or at given offsets, and switches as its writes ask: on Linux a
// positioned write on an appending descriptor would append too.
class LogStream {
public:
    LogStream() = default;
    // `appending` tells whether fd was opened with O_APPEND.
    LogStream(int fd, std::filesystem::path path, bool appending);
    ~LogStream();
    LogStream(LogStream&& other) noexcept;
    LogStream& operator=(LogStream&& other) noexcept;
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }
    std::int64_t size() const;
    bool isRegularFile() const;
    // Writes at the end of the file; returns where the bytes end.
    std::int64_t append(std::string_view bytes);
    void writeAt(std::int64_t offset, std::string_view bytes);
    // Up to `count` bytes from `offset`; fewer only at the end of the file.
    std::string readAt(std::int64_t offset, std::size_t count) const;
    void truncate(std::int64_t size);
    // Closes now; a second call does nothing.
    void close();

private:
    [[noreturn]] void fail(int errorNumber) const;
    void setAppending(bool value);
    void writeAll(std::int64_t offset, std::string_view bytes);

    int fd_ = -1;
    std::filesystem::path path_;
    bool appending_ = false;
};

inline constexpr int DefaultLogOpenTimeoutMs = 200;

// Opens a local file, retrying for up to timeoutMs while the system reports it busy; a negative
// timeout means DefaultLogOpenTimeoutMs, 0 a single attempt. A stream opened for writing
// appends. Only a regular file is opened: a symbolic link in its place fails with
// platform::SystemError (ELOOP) and its target is never touched; a FIFO, device or folder fails
// with ERVKLoggerError without waiting for a reader. Throws ERVKLoggerError "Log file open
// timeout: %d ms (%s)" when the file stays busy, platform::SystemError for anything else.
LogStream OpenLogStream(const std::filesystem::path& fileName, unsigned mode, int timeoutMs);

// The date/time settings every time stamp is written and read with, whatever the user's
// locale: "dd/mm/yyyy" and "hh:nn:ss.zzz", '.' between date parts, ':' between time parts,
// '.' as decimal separator.
const FormatSettings& LogFormatSettings();

// Level marks in level order; a mark followed by a blank at a line's start is read back as one.
inline constexpr std::string_view LogLevelChars = "-+?!#$%@";
inline constexpr std::uint8_t MaxLogLevel = 7;
// " [инф]" for 1 and so on; empty for 0 and for levels above MaxLogLevel.
std::string_view LogLevelWord(std::uint8_t level);

// The cross-process lock name for a log file, without the "Global\" prefix: the name in lower
// case with " * / : < > ? \ | turned into '_'. The logger gives it the file's canonical name
// (platform::PathMap::canonicalName), so that every spelling of one file takes one lock.
std::string LogMutexName(std::string_view fileName);

class TRVKLogger {
public:
    // Binds to fileName (see SetFileName); throws ERVKLoggerError when the mutex cannot be made.
    explicit TRVKLogger(const std::string& fileName);
    ~TRVKLogger();
    TRVKLogger(const TRVKLogger&) = delete;
    TRVKLogger& operator=(const TRVKLogger&) = delete;

    void Log(std::string_view message, std::uint8_t level = 0);
    // Format(format, args) and Log. A format that does not fit its arguments is written as it
    // stands, followed by the formatting error in angle brackets, so the event is not lost.
    void LogFmt(std::string_view format, const std::vector<Variant>& args, std::uint8_t level = 0);

    void SetTag(std::string text);
    // An empty name changes nothing; a bare file name goes next to the program. Throws
    // ERVKLoggerError when the named mutex cannot be created (the new name is kept).
    void SetFileName(const std::string& name);
    void SetUseMutex(bool value);

    std::string FileName() const;
    std::string Tag() const;
    bool UseMutex() const;
    bool HasMutex() const;
    // The last lines written, oldest first (filled only while the notification is on).
    std::deque<std::string> RecentLines() const;

    // Plain settings; set them before the logger is shared between threads.
    std::int64_t MaxSize = 1048576;
    bool TruncateInPlace = true;
    bool Active = true;
    bool ShowThreadId = false;
    bool ShowProcessId = false;
    std::string DateTimeFormat = "dd/mm/yyyy hh:nn:ss.zzz";
    bool ShowLevelChar = false;
    bool ShowLevelTag = true;
    int MaxBackups = 10;
    bool IsErrorWriter = false;
    std::bitset<8> Levels = std::bitset<8>(0xFF);
    // Told about each new line after every lock is released, with NotifyMessage; a viewer
    // reads RecentLines() then. No callback or a zero message switches it off.
    std::function<void(std::uint32_t message)> Notify;
    std::uint32_t NotifyMessage = 1345;
    int MaxRecentLines = 1024;
    // Make the log's missing folder when a line finds it missing, so that the log starts as soon
    // as the folder can be made, whatever stood in its way before.
    bool CreateFolder = false;
    double KeepDays = 0;
    DateTime LastAgeCheck = 0;
    // Also told each failure text that goes to ErrorsWriter() (command-line tools report them).
    std::function<void(const std::string& failure)> OnWriteError;

private:
    std::string composeLine(std::string_view text, std::uint8_t level) const;
    std::string writeLine(std::string_view message, std::uint8_t level);
    LogStream openLog(std::string& stage);
    void reportFailure(const std::string& stage, const std::string& text,
                       const std::exception& error);
    void rememberAndNotify(const std::string& line);
    void openMutex();

    mutable std::mutex mainLock_;
    mutable std::mutex recentLock_;
    std::unique_ptr<platform::NamedMutex> mutex_;
    std::string fileName_;
    // fileName_ on the local file system, resolved again whenever opening it fails.
    std::filesystem::path localPath_;
    std::string tag_;
    bool useMutex_ = true;
    std::deque<std::string> recentLines_;
};

// The unit-wide logger of the other loggers' failures: "RVKLoggerErrorsWriter.log" in the
// user's private temporary folder, trimmed in place.
TRVKLogger& ErrorsWriter();

}  // namespace kvt
