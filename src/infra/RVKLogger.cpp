#include "infra/RVKLogger.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "infra/Format.h"
#include "infra/SharedFileLock.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/NamedMutex.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "platform/Text.h"

namespace kvt {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view LevelWords[] = {"",        " [инф]",   " [ошиб]",  " [сбой]",
                                           " [вним]", " [событ]", " [отлад]", " [другое]"};

constexpr std::string_view FailureFormat =
    "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>";
constexpr std::string_view FailedLinePrefix = "<Ошибка при записи в лог> ";
constexpr std::string_view ErrorsWriterFile = "RVKLoggerErrorsWriter.log";

// The size trimming searches for a line break in blocks of this size.
constexpr std::int64_t BreakSearchBlock = 255;
// The age check reads the file in blocks of this size and never looks at the last one.
constexpr std::int64_t AgeBlock = 32768;
constexpr double AgeCheckInterval = 60.0 / 86400.0;
constexpr std::size_t CopyChunk = 65536;

// Open errors that mean "someone else has the file right now" rather than "it cannot be done".
bool isBusyError(int error) {
    return error == EAGAIN || error == EBUSY || error == ETXTBSY || error == EINTR;
}

// A link in the file's place is never followed: writing through it would let whoever planted
// it have the logging user extend, empty or cut a file of the link's choosing. O_NONBLOCK lets a
// FIFO in the file's place be opened without waiting for a reader, so that it can be refused;
// a regular file ignores it.
int openFlags(unsigned mode) {
    constexpr int Always = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    if ((mode & fmCreate) == fmCreate)
        return O_RDWR | O_APPEND | O_CREAT | O_TRUNC | Always;
    int flags = O_RDONLY;
    if ((mode & 3) == fmOpenWrite)
        flags = O_WRONLY | O_APPEND;
    if ((mode & 3) == fmOpenReadWrite)
        flags = O_RDWR | O_APPEND;
    if (mode & fmOpenOrCreate)
        flags |= O_CREAT;
    return flags | Always;
}

// The file system layer answers FIOQSIZE itself, for regular files, folders and links only. A
// folder cannot be opened for writing and a link is never followed, so for a writable file the
// answer tells a regular file from a FIFO or device, at a fraction of the cost of a statx. Any
// other refusal (a security module's, say) leaves the question to statx.
std::optional<bool> writableIsRegular(int fd) {
    loff_t bytes = 0;
    if (ioctl(fd, FIOQSIZE, &bytes) == 0)
        return true;
    if (errno == ENOTTY)
        return false;
    return std::nullopt;
}

bool isRegular(const LogStream& stream, int fd, int flags) {
    if ((flags & O_ACCMODE) != O_RDONLY)
        if (const auto answer = writableIsRegular(fd))
            return *answer;
    return stream.isRegularFile();
}

bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

bool hasDirectoryPart(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

std::string processMarks(bool processId, bool threadId) {
    if (processId && threadId)
        return Format(" <P:%d;T:%d>",
                      {static_cast<std::int32_t>(getpid()), static_cast<std::int32_t>(gettid())});
    if (processId)
        return Format(" <P:%d>", {static_cast<std::int32_t>(getpid())});
    if (threadId)
        return Format(" <T:%d>", {static_cast<std::int32_t>(gettid())});
    return {};
}

std::string withNumber(const fs::path& live, std::uint64_t number) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%03llu", static_cast<unsigned long long>(number));
    return live.string() + digits;
}

// Windows refuses to rename onto an existing file; a rotation must not silently overwrite an
// older backup that happens to carry the target number either.
void renameNoReplace(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        platform::throwSystemError(errno, from.string() + " -> " + to.string());
}

void copyRange(const LogStream& from, std::int64_t offset, LogStream& to, std::int64_t target,
               std::int64_t count) {
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, CopyChunk));
        const std::string bytes = from.readAt(offset, chunk);
        if (bytes.empty())
            break;
        to.writeAt(target, bytes);
        const auto done = static_cast<std::int64_t>(bytes.size());
        offset += done;
        target += done;
        count -= done;
    }
}

struct Backup {
    std::uint64_t number;
    fs::path path;
};

std::optional<std::uint64_t> backupNumber(std::string_view name, std::string_view liveName,
                                          std::string_view liveExtension) {
    if (name.size() <= liveName.size())
        return std::nullopt;
    if (!platform::equalsIgnoreCase(name.substr(0, liveName.size()), liveName))
        return std::nullopt;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view extension = name.substr(dot);
    if (extension.size() <= liveExtension.size())
        return std::nullopt;
    if (!platform::equalsIgnoreCase(extension.substr(0, liveExtension.size()), liveExtension))
        return std::nullopt;
    const std::string_view digits = extension.substr(liveExtension.size());
    if (digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoull(std::string(digits));
}

std::vector<Backup> listBackups(const fs::path& live) {
    const std::string liveName = live.filename().string();
    const std::string liveExtension = live.extension().string();
    std::vector<Backup> backups;
    for (const auto& entry : fs::directory_iterator(live.parent_path())) {
        const std::string name = entry.path().filename().string();
        const auto number = backupNumber(name, liveName, liveExtension);
        if (!number)
            continue;
        // Renaming a planted link would do its target no harm, but the rotation it sits in is
        // someone else's doing and is left for an administrator to see.
        if (entry.is_symlink())
            platform::throwSystemError(ELOOP, entry.path().string());
        backups.push_back({*number, entry.path()});
    }
    std::sort(backups.begin(), backups.end(),
              [](const Backup& a, const Backup& b) { return a.number < b.number; });
    return backups;
}

// Shifts the numbered backups up by one, dropping the oldest beyond maxBackups, and makes the
// closed live file backup 000; the next line starts a new live file.
void rotateLog(const fs::path& live, int maxBackups) {
    std::vector<Backup> backups = listBackups(live);
    if (maxBackups > 0) {
        while (backups.size() > static_cast<std::size_t>(maxBackups)) {
            fs::remove(backups.back().path);
            backups.pop_back();
        }
    }
    for (auto it = backups.rbegin(); it != backups.rend(); ++it)
        renameNoReplace(it->path, withNumber(live, it->number + 1));
    renameNoReplace(live, withNumber(live, 0));
}

// A new file of its own beside `log`, under a name nobody can foresee and so plant a link at.
LogStream createBeside(const fs::path& log) {
    std::string name = log.string() + "_XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        platform::throwSystemError(errno, name);
    return LogStream(fd, name, false);
}

// The temporary copy of the kept tail, beside the log. Once the log has been cut short the copy
// is the only whole one, so it is left on disk if the copy back fails.
class TailCopy {
public:
    explicit TailCopy(const fs::path& log) : stream_(createBeside(log)) {}
    ~TailCopy() {
        std::error_code ignored;
        if (!keep_)
            fs::remove(stream_.path(), ignored);
    }
    TailCopy(const TailCopy&) = delete;
    TailCopy& operator=(const TailCopy&) = delete;

    LogStream& stream() { return stream_; }
    void keep(bool value) { keep_ = value; }

private:
    LogStream stream_;
    bool keep_ = false;
};

// What one written line may set off: cutting the head of the file by size or by age.
class LogTrimmer {
public:
    LogTrimmer(TRVKLogger& settings, LogStream& stream) : settings_(settings), stream_(stream) {}

    void run(std::int64_t size) {
        if (settings_.MaxSize > 0 && size - settings_.MaxSize > settings_.MaxSize / 3)
            trimBySize(size);
        else
            trimByAge(size);
    }

private:
    void trimBySize(std::int64_t size) {
        if (!settings_.TruncateInPlace) {
            rotate();
            return;
        }
        if (size - settings_.MaxSize <= BreakSearchBlock)
            return;
        moveTailToHead(lineStartBefore(size - settings_.MaxSize));
    }

    // Just after the nearest CR or LF before the cut point, searched backwards in blocks; the
    // cut point itself when there is none. A CR LF pair split by the cut point counts as one.
    std::int64_t lineStartBefore(std::int64_t cut) const {
        for (std::int64_t blockEnd = cut; blockEnd > 0;) {
            const std::int64_t blockStart = std::max<std::int64_t>(0, blockEnd - BreakSearchBlock);
            const std::string block =
                stream_.readAt(blockStart, static_cast<std::size_t>(blockEnd - blockStart));
            const auto found = block.find_last_of("\r\n");
            if (found != std::string::npos) {
                const std::int64_t next = blockStart + static_cast<std::int64_t>(found) + 1;
                const bool splitPair = block[found] == '\r' && stream_.readAt(next, 1) == "\n";
                return splitPair ? next + 1 : next;
            }
            blockEnd = blockStart;
        }
        return cut;
    }

    void trimByAge(std::int64_t size) {
        if (settings_.KeepDays <= 0 || size <= AgeBlock)
            return;
        const DateTime now = Now();
        if (now - settings_.LastAgeCheck <= AgeCheckInterval)
            return;
        settings_.LastAgeCheck = now;
        if (const auto cut = ageCut(size, now)) {
            if (!settings_.TruncateInPlace)
                rotate();
            else
                moveTailToHead(*cut);
        }
        stream_.close();
    }

    // Where the lines older than KeepDays end, or nothing to cut. Only stamps right after a LF
    // in the examined part of each block are looked at.
    std::optional<std::int64_t> ageCut(std::int64_t size, DateTime now) const {
        const std::size_t stampLength =
            platform::utf8ToCp1251(
                FormatDateTime(settings_.DateTimeFormat, now, LogFormatSettings()))
                .size();
        const auto examined = AgeBlock - 1 - 2 * static_cast<std::int64_t>(stampLength) - 5;
        const double keepDays = settings_.KeepDays;
        std::optional<DateTime> previous;
        std::int64_t lastExaminedBreak = -1;
        for (std::int64_t position = 0; size - position > AgeBlock; position += AgeBlock) {
            const std::string block = stream_.readAt(position, AgeBlock);
            for (std::int64_t i = 0; i < examined; ++i) {
                if (block[static_cast<std::size_t>(i)] != '\n')
                    continue;
                lastExaminedBreak = position + i;
                const auto stamp =
                    stampAt(block, static_cast<std::size_t>(i) + 1, stampLength, now);
                if (!stamp)
                    continue;
                if (!previous && now < *stamp + keepDays + keepDays / 3)
                    return std::nullopt;
                if (previous && now < *stamp + keepDays && now >= *previous + keepDays)
                    return position + i + 1;
                previous = stamp;
            }
        }
        if (!previous)
            return std::nullopt;
        return settings_.TruncateInPlace ? lineAfter(lastExaminedBreak, size) : size;
    }

    // Every examined line is old: the cut goes up to the first line that was not examined, so
    // that young lines near the end of the file, which the blocks never reach, are kept.
    std::int64_t lineAfter(std::int64_t examinedBreak, std::int64_t size) const {
        for (std::int64_t position = examinedBreak + 1; position < size;) {
            const std::string chunk = stream_.readAt(position, CopyChunk);
            if (chunk.empty())
                break;
            const auto found = chunk.find('\n');
            if (found != std::string::npos)
                return position + static_cast<std::int64_t>(found) + 1;
            position += static_cast<std::int64_t>(chunk.size());
        }
        return size;
    }

    static std::optional<DateTime> stampAt(const std::string& block, std::size_t start,
                                           std::size_t length, DateTime now) {
        if (start + 1 < block.size() &&
            LogLevelChars.find(block[start]) != std::string_view::npos && block[start + 1] == ' ')
            start += 2;
        if (start + length > block.size())
            return std::nullopt;
        DateTime stamp = 0;
        if (!TryStrToDateTime(platform::cp1251ToUtf8(std::string_view(block).substr(start, length)),
                              stamp, LogFormatSettings()))
            return std::nullopt;
        if (stamp >= 0 && stamp < 1)
            stamp += std::floor(now);
        return stamp;
    }

    void rotate() {
        stream_.close();
        rotateLog(stream_.path(), settings_.MaxBackups);
    }

    void moveTailToHead(std::int64_t tailStart) {
        const std::int64_t tailSize = stream_.size() - tailStart;
        TailCopy copy(stream_.path());
        copyRange(stream_, tailStart, copy.stream(), 0, tailSize);
        copy.keep(true);
        stream_.truncate(tailSize);
        copyRange(copy.stream(), 0, stream_, 0, tailSize);
        copy.keep(false);
        copy.stream().close();
    }

    TRVKLogger& settings_;
    LogStream& stream_;
};

constexpr unsigned ExistingLogMode = fmOpenReadWrite | fmShareDenyNone;

// Opens the log for appending; the stage names how, for the failure report. A missing file is
// created, and one that appears meanwhile is kept rather than emptied.
LogStream openForAppend(const fs::path& path, std::string& stage) {
    stage = "fmOpenReadWrite";
    try {
        return OpenLogStream(path, ExistingLogMode, DefaultLogOpenTimeoutMs);
    } catch (const platform::SystemError& error) {
        if (error.errorNumber() != ENOENT)
            throw;
    }
    stage = "fmCreate";
    return OpenLogStream(path, ExistingLogMode | fmOpenOrCreate, DefaultLogOpenTimeoutMs);
}

// The stage a failed line had reached, as the failure report names it; put together only for
// the report, as the longer texts would cost an allocation on every line.
std::string failureStage(const std::string& openStage, bool opened, bool written) {
    std::string stage = openStage;
    if (opened)
        stage += "-OK";
    if (written)
        stage += ";ProcessFile...";
    return stage;
}

void createFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        platform::throwSystemError(error.value(), folder.string());
}

}  // namespace

// ---- LogStream ----

LogStream::LogStream(int fd, fs::path path, bool appending)
    : fd_(fd), path_(std::move(path)), appending_(appending) {}

LogStream::~LogStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

LogStream::LogStream(LogStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      appending_(other.appending_) {}

LogStream& LogStream::operator=(LogStream&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        appending_ = other.appending_;
    }
    return *this;
}

void LogStream::fail(int errorNumber) const {
    platform::throwSystemError(errorNumber, path_.string());
}

std::int64_t LogStream::size() const {
    struct stat status {};
    if (fstat(fd_, &status) != 0)
        fail(errno);
    return status.st_size;
}

// Asks for the type only: a query of the file's times would make the system stamp the next
// write with a fresh fine-grained time, which costs an inode update per line.
bool LogStream::isRegularFile() const {
    struct statx status {};
    if (statx(fd_, "", AT_EMPTY_PATH, STATX_TYPE, &status) != 0)
        fail(errno);
    return S_ISREG(status.stx_mode);
}

void LogStream::setAppending(bool value) {
    if (appending_ == value)
        return;
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || fcntl(fd_, F_SETFL, value ? flags | O_APPEND : flags & ~O_APPEND) != 0)
        fail(errno);
    appending_ = value;
}

// The file offset of an appending descriptor is the end of what it last wrote.
std::int64_t LogStream::append(std::string_view bytes) {
    setAppending(true);
    writeAll(0, bytes);
    const off_t end = lseek(fd_, 0, SEEK_CUR);
    if (end < 0)
        fail(errno);
    return end;
}

void LogStream::writeAt(std::int64_t offset, std::string_view bytes) {
    setAppending(false);
    writeAll(offset, bytes);
}

void LogStream::writeAll(std::int64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = appending_ ? ::write(fd_, bytes.data(), bytes.size())
                                           : pwrite(fd_, bytes.data(), bytes.size(), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail(written < 0 ? errno : EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
}

std::string LogStream::readAt(std::int64_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            pread(fd_, bytes.data() + done, count - done, offset + static_cast<std::int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

void LogStream::truncate(std::int64_t size) {
    if (ftruncate(fd_, size) != 0)
        fail(errno);
}

void LogStream::close() {
    if (fd_ < 0)
        return;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno);
}

LogStream OpenLogStream(const fs::path& fileName, unsigned mode, int timeoutMs) {
    if (timeoutMs < 0)
        timeoutMs = DefaultLogOpenTimeoutMs;
    // The clock is read at the first busy answer only, as nearly every open succeeds at once.
    std::optional<std::uint32_t> firstBusy;
    const int flags = openFlags(mode);
    for (;;) {
        const int fd = ::open(fileName.c_str(), flags, 0666);
        if (fd >= 0) {
            LogStream stream(fd, fileName, (flags & O_APPEND) != 0);
            if (!isRegular(stream, fd, flags))
                throw ERVKLoggerError(
                    Format("Файл журнала не является обычным файлом (%s)", {fileName.string()}));
            return stream;
        }
        const int error = errno;
        if (!isBusyError(error))
            platform::throwSystemError(error, fileName.string());
        if (!firstBusy)
            firstBusy = platform::tickCount();
        if (platform::ticksSince(*firstBusy) >= static_cast<std::uint32_t>(timeoutMs))
            throw ERVKLoggerError(Format("Log file open timeout: %d ms (%s)",
                                         {timeoutMs, platform::systemErrorText(error)}));
        platform::sleepMs(10);
    }
}

const FormatSettings& LogFormatSettings() {
    static const FormatSettings settings = fileFormatSettings("dd/mm/yyyy", "hh:nn:ss.zzz");
    return settings;
}

std::string_view LogLevelWord(std::uint8_t level) {
    return level <= MaxLogLevel ? LevelWords[level] : std::string_view();
}

std::string LogMutexName(std::string_view fileName) {
    std::string name = platform::lowerUtf8(fileName);
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos; },
        '_');
    return name;
}

// ---- TRVKLogger ----

TRVKLogger::TRVKLogger(const std::string& fileName) {
    SetFileName(fileName);
}

TRVKLogger::~TRVKLogger() = default;

void TRVKLogger::SetTag(std::string text) {
    std::lock_guard lock(mainLock_);
    tag_ = std::move(text);
}

void TRVKLogger::SetFileName(const std::string& name) {
    if (name.empty())
        return;
    const std::string fullName =
        hasDirectoryPart(name) ? name : (platform::executableDirectory() / name).string();
    std::lock_guard lock(mainLock_);
    if ((mutex_ || !useMutex_) && platform::equalsIgnoreCase(fullName, fileName_))
        return;
    mutex_.reset();
    fileName_ = fullName;
    localPath_.clear();
    if (useMutex_)
        openMutex();
}

void TRVKLogger::openMutex() {
    try {
        const std::string name = LogMutexName(platform::PathMap::canonicalName(fileName_));
        mutex_ = OpenSharedFileLock(name, !IsErrorWriter);
    } catch (const std::exception& error) {
        const auto* system = dynamic_cast<const platform::SystemError*>(&error);
        const std::string text =
            system ? platform::systemErrorText(system->errorNumber()) : error.what();
        throw ERVKLoggerError(Format("Ошибка при создании объекта \"мьютекс\": %s", {text}));
    }
}

void TRVKLogger::SetUseMutex(bool value) {
    std::lock_guard lock(mainLock_);
    useMutex_ = value;
    if (!value)
        mutex_.reset();
}

std::string TRVKLogger::FileName() const {
    std::lock_guard lock(mainLock_);
    return fileName_;
}

std::string TRVKLogger::Tag() const {
    std::lock_guard lock(mainLock_);
    return tag_;
}

bool TRVKLogger::UseMutex() const {
    std::lock_guard lock(mainLock_);
    return useMutex_;
}

bool TRVKLogger::HasMutex() const {
    std::lock_guard lock(mainLock_);
    return mutex_ != nullptr;
}

std::deque<std::string> TRVKLogger::RecentLines() const {
    std::lock_guard lock(recentLock_);
    return recentLines_;
}

void TRVKLogger::Log(std::string_view message, std::uint8_t level) {
    if (!Active || level > MaxLogLevel || !Levels.test(level))
        return;
    std::string line;
    {
        std::lock_guard lock(mainLock_);
        if (fileName_.empty())
            return;
        line = writeLine(message, level);
    }
    rememberAndNotify(line);
}

void TRVKLogger::LogFmt(std::string_view format, const std::vector<Variant>& args,
                        std::uint8_t level) {
    std::string message;
    try {
        message = Format(format, args);
    } catch (const std::exception& error) {
        message = std::string(format) + " <" + error.what() + ">";
    }
    Log(message, level);
}

std::string TRVKLogger::composeLine(std::string_view text, std::uint8_t level) const {
    if (text.empty())
        return {};
    // Room for the stamp, the level word and the marks, so that the line is allocated once.
    constexpr std::size_t StampAndMarks = 64;
    std::string line;
    line.reserve(StampAndMarks + tag_.size() + text.size());
    if (ShowLevelChar) {
        line += LogLevelChars[level];
        line += ' ';
    }
    AppendDateTime(line, DateTimeFormat, Now(), LogFormatSettings());
    if (ShowLevelTag)
        line += LogLevelWord(level);
    if (!tag_.empty()) {
        line += ' ';
        line += tag_;
    }
    line += processMarks(ShowProcessId, ShowThreadId);
    line += ' ';
    line += text;
    return line;
}

// Runs under the main lock; returns the line for RecentLines.
std::string TRVKLogger::writeLine(std::string_view message, std::uint8_t level) {
    const std::string_view text = trimmed(message);
    std::string line;
    bool composed = false;
    std::string stage;
    bool opened = false;
    bool written = false;
    try {
        std::optional<SharedFileLockHold> crossProcess;
        if (mutex_)
            crossProcess.emplace(*mutex_, !IsErrorWriter);
        // The stamp is taken inside the lock, so that stamps rise through the file.
        line = composeLine(text, level);
        composed = true;
        LogStream stream = openLog(stage);
        opened = true;
        constexpr std::string_view LineBreak = "\r\n";
        std::string bytes;
        bytes.reserve(line.size() + LineBreak.size());
        platform::appendUtf8AsCp1251(bytes, line);
        bytes += LineBreak;
        const std::int64_t size = stream.append(bytes);
        written = true;
        LogTrimmer(*this, stream).run(size);
        stream.close();
    } catch (const std::exception& error) {
        reportFailure(failureStage(stage, opened, written), opened ? line : std::string(text),
                      error);
        return std::string(FailedLinePrefix) + (composed ? line : std::string(text));
    }
    return line;
}

// The local path found last serves while the file opens. When it does not, the name is resolved
// again: folders may have been made, renamed or removed, or the file recreated in another case.
LogStream TRVKLogger::openLog(std::string& stage) {
    if (!localPath_.empty()) {
        stage = "fmOpenReadWrite";
        try {
            return OpenLogStream(localPath_, ExistingLogMode, DefaultLogOpenTimeoutMs);
        } catch (const platform::SystemError&) {
            localPath_.clear();
        }
    }
    const fs::path path = platform::PathMap::resolve(fileName_);
    if (CreateFolder) {
        stage = "fmCreate";
        createFolder(path.parent_path());
    }
    LogStream stream = openForAppend(path, stage);
    localPath_ = path;
    return stream;
}

void TRVKLogger::reportFailure(const std::string& stage, const std::string& text,
                               const std::exception& error) {
    try {
        const std::string report = Format(
            FailureFormat, {stage, fileName_, text, error.what(), exceptionClassName(error)});
        if (OnWriteError)
            OnWriteError(report);
        if (IsErrorWriter)
            return;
        ErrorsWriter().Log(report, 0);
    } catch (const std::exception&) {
        // Nowhere is left to report to.
    }
}

void TRVKLogger::rememberAndNotify(const std::string& line) {
    if (!Notify || NotifyMessage == 0)
        return;
    {
        std::lock_guard lock(recentLock_);
        recentLines_.push_back(line);
        const auto capacity = static_cast<std::size_t>(std::max(0, MaxRecentLines));
        while (recentLines_.size() > capacity)
            recentLines_.pop_front();
    }
    Notify(NotifyMessage);
}

TRVKLogger& ErrorsWriter() {
    static const std::unique_ptr<TRVKLogger> writer = [] {
        auto logger = std::make_unique<TRVKLogger>(std::string());
        logger->TruncateInPlace = true;
        logger->IsErrorWriter = true;
        return logger;
    }();
    // Bound at every use: the private temporary folder is made when first needed and may have
    // gone since, and the process's temporary folder may have changed.
    try {
        writer->SetFileName((platform::privateTempDir() / ErrorsWriterFile).string());
    } catch (const std::exception&) {
        // It keeps the name it had; its own failures are reported nowhere.
    }
    return *writer;
}

}  // namespace kvt
