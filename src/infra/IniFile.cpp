#include "infra/IniFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <utility>

#include "platform/CodePage.h"
#include "platform/FileDescriptor.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

namespace kvt {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";

// The profile functions treat every control character and the space as blank around names and
// values; values that need them at their ends are written in quotes.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Lower case per CP1251 byte, derived from the platform's folding so that INI names fold the
// way every other case-insensitive name of the system does.
const std::array<char, 256>& lowerCaseTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> result{};
        for (int code = 0; code < 256; ++code) {
            const std::string byte(1, static_cast<char>(code));
            result[code] = byte[0];
            const std::string utf8 = platform::cp1251ToUtf8(byte);
            if (platform::utf8ToCp1251(utf8) != byte)
                continue;  // a code the page leaves unused
            const std::string lower = platform::lowerUtf8(utf8);
            const std::string lowerByte = platform::utf8ToCp1251(lower);
            if (lowerByte.size() == 1 && platform::cp1251ToUtf8(lowerByte) == lower)
                result[code] = lowerByte[0];
        }
        return result;
    }();
    return table;
}

// The section name of a header line: from the '[' to the first ']'.
std::optional<std::string_view> headerName(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    const auto close = text.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(text.substr(1, close - 1));
}

std::string_view keySpelling(std::string_view text, std::size_t eq) {
    return trim(text.substr(0, eq));
}

std::string stripValue(std::string_view raw) {
    raw = trim(raw);
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        raw = raw.substr(1, raw.size() - 2);
    return std::string(raw.substr(0, IniDocument::kMaxValueLength));
}

void requireSingleLine(std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument(
            "имя или значение в INI-файле не может содержать перевод строки");
}

}  // namespace

std::string IniDocument::fold(std::string_view name) {
    const auto& table = lowerCaseTable();
    std::string result(trim(name));
    for (char& c : result)
        c = table[static_cast<unsigned char>(c)];
    return result;
}

IniDocument::Line IniDocument::makeLine(std::string text, std::string_view ending) {
    Line line;
    line.text = std::move(text);
    line.ending = ending;
    const std::string_view body = trim(line.text);
    if (body.empty() || body.front() == ';')
        return line;
    if (body.front() == '[') {
        if (auto name = headerName(line.text)) {
            line.kind = Kind::Section;
            line.name = fold(*name);
        }
        return line;
    }
    const auto eq = line.text.find('=');
    if (eq == std::string::npos)
        return line;
    std::string name = fold(keySpelling(line.text, eq));
    if (name.empty())
        return line;
    line.kind = Kind::Key;
    line.name = std::move(name);
    line.eq = eq;
    return line;
}

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument document;
    while (!bytes.empty()) {
        const auto lf = bytes.find('\n');
        if (lf == std::string_view::npos) {
            document.lines_.push_back(makeLine(std::string(bytes), {}));
            break;
        }
        const bool crlf = lf > 0 && bytes[lf - 1] == '\r';
        document.lines_.push_back(
            makeLine(std::string(bytes.substr(0, crlf ? lf - 1 : lf)), crlf ? kCrLf : kLf));
        bytes.remove_prefix(lf + 1);
    }
    return document;
}

std::string IniDocument::text() const {
    std::size_t size = 0;
    for (const auto& line : lines_)
        size += line.text.size() + line.ending.size();
    std::string result;
    result.reserve(size);
    for (const auto& line : lines_) {
        result += line.text;
        result += line.ending;
    }
    return result;
}

std::vector<IniDocument::Range> IniDocument::allSections(const std::string& folded) const {
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section)
            continue;
        if (!ranges.empty() && ranges.back().end == lines_.size())
            ranges.back().end = i;
        if (lines_[i].name == folded)
            ranges.push_back({i, lines_.size()});
    }
    return ranges;
}

std::optional<IniDocument::Range> IniDocument::findSection(const std::string& folded) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || lines_[i].name != folded)
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Kind::Section)
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::string IniDocument::valueOf(const Line& line) {
    return stripValue(std::string_view(line.text).substr(line.eq + 1));
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto range = findSection(fold(section));
    if (!range)
        return std::nullopt;
    const std::string folded = fold(key);
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Key && line.name == folded)
            return valueOf(line);
    }
    return std::nullopt;
}

IniDocument::SectionIndex IniDocument::index(std::string_view section) const {
    SectionIndex index;
    index.document_ = this;
    const auto range = findSection(fold(section));
    if (!range)
        return index;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (lines_[i].kind != Kind::Key)
            continue;
        ++index.keyCount_;
        index.lines_.emplace(lines_[i].name, i);  // the first of duplicates is the one read
    }
    return index;
}

std::optional<std::string> IniDocument::SectionIndex::value(std::string_view key) const {
    const auto found = lines_.find(fold(key));
    if (found == lines_.end())
        return std::nullopt;
    return valueOf(document_->lines_[found->second]);
}

bool IniDocument::hasSection(std::string_view section) const {
    return findSection(fold(section)).has_value();
}

std::size_t IniDocument::keyCount(std::string_view section) const {
    const auto range = findSection(fold(section));
    if (!range)
        return 0;
    std::size_t count = 0;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        count += lines_[i].kind == Kind::Key ? 1 : 0;
    return count;
}

void IniDocument::insertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].ending.empty())
        lines_[at - 1].ending = kCrLf;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  makeLine(std::move(text), kCrLf));
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
    requireSingleLine(section);
    requireSingleLine(key);
    requireSingleLine(value);
    const std::string folded = fold(key);
    const auto range = findSection(fold(section));
    if (!range) {
        insertLine(lines_.size(), "[" + std::string(trim(section)) + "]");
        insertLine(lines_.size(), std::string(trim(key)) + "=" + std::string(value));
        return;
    }
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::Key)
            continue;
        if (line.name == folded) {
            modified_ = true;
            line = makeLine(std::string(keySpelling(line.text, line.eq)) + "=" + std::string(value),
                            line.ending);
            return;
        }
        insertAt = i + 1;
    }
    insertLine(insertAt, std::string(trim(key)) + "=" + std::string(value));
}

void IniDocument::deleteKeysWhere(std::string_view section,
                                  const std::function<bool(const std::string&)>& match) {
    const auto range = findSection(fold(section));
    if (!range)
        return;
    const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(range->header + 1);
    const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(range->end);
    const auto kept = std::remove_if(
        first, last, [&](const Line& line) { return line.kind == Kind::Key && match(line.name); });
    modified_ = modified_ || kept != last;
    lines_.erase(kept, last);
}

bool IniDocument::deleteKey(std::string_view section, std::string_view key) {
    const std::string folded = fold(key);
    bool found = false;
    deleteKeysWhere(section, [&](const std::string& name) {
        const bool same = name == folded;
        found = found || same;
        return same;
    });
    return found;
}

void IniDocument::eraseSection(std::string_view section) {
    const auto ranges = allSections(fold(section));
    modified_ = modified_ || !ranges.empty();
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const auto& line : lines_)
        if (line.kind == Kind::Section && seen.insert(line.name).second)
            names.emplace_back(*headerName(line.text));
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    const auto range = findSection(fold(section));
    if (!range)
        return names;
    std::unordered_set<std::string> seen;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Key && seen.insert(line.name).second)
            names.emplace_back(keySpelling(line.text, line.eq));
    }
    return names;
}

namespace {

using platform::FileDescriptor;

constexpr std::string_view kTemporaryInfix = "~kvt";
constexpr std::string_view kTemporaryX = "XXXXXX";

[[noreturn]] void refuse(int error, const std::string& why) {
    throw IniFileRefused(error, why);
}

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " МБ";
}

[[noreturn]] void refuseSize(std::size_t size) {
    refuse(EFBIG, "файл больше " + megabytes(IniFileStore::kMaxFileSize) + " (" +
                      std::to_string(size) + " байт)");
}

// Opens the file itself, never through a symbolic link and without blocking on a FIFO; only a
// regular file is an INI file. A file that cannot be opened gives an invalid descriptor and
// `error`; one that is not a regular file is refused.
FileDescriptor openRegular(const fs::path& path, int access, int& error) {
    FileDescriptor fd(::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    error = fd.valid() ? 0 : errno;
    if (!fd.valid()) {
        if (error == ELOOP)
            refuse(ELOOP, "файл является символической ссылкой, через ссылку он не записывается");
        if (error == EISDIR)
            refuse(EISDIR, "это папка, а не файл");
        if (error == ENXIO)  // a FIFO without a reader, opened for writing
            refuse(EINVAL, "это не обычный файл");
        return fd;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        platform::throwSystemError(errno, path.string());
    if (S_ISDIR(info.st_mode))
        refuse(EISDIR, "это папка, а не файл");
    if (!S_ISREG(info.st_mode))
        refuse(EINVAL, "это не обычный файл");
    return fd;
}

bool isMissing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// Reads at most kMaxFileSize bytes; a file that is or grows larger is refused rather than read
// into memory whole.
std::string readAll(const FileDescriptor& fd, const fs::path& shown) {
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        platform::throwSystemError(errno, shown.string());
    if (static_cast<std::size_t>(info.st_size) > IniFileStore::kMaxFileSize)
        refuseSize(static_cast<std::size_t>(info.st_size));
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0)
            return bytes;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            platform::throwSystemError(errno, shown.string());
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > IniFileStore::kMaxFileSize)
            refuseSize(bytes.size());
    }
}

void writeAllAt(const FileDescriptor& fd, std::string_view bytes, const fs::path& shown) {
    off_t offset = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd.get(), bytes.data(), bytes.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            platform::throwSystemError(errno, shown.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
}

void syncOrThrow(const FileDescriptor& fd, const fs::path& shown) {
    if (fsync(fd.get()) != 0)
        platform::throwSystemError(errno, shown.string());
}

// The mode a newly created file gets: 0666 less the process's umask, read without changing it
// (umask(2) would race with other threads creating files).
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 0644;
}

fs::path folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// What a save must keep of the file it replaces.
struct Original {
    bool exists = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// The file as a writer finds it; the write access is checked here, as an in-place write would
// need it, even where the folder would allow the rename.
Original inspectForWriting(const fs::path& path) {
    int error = 0;
    const FileDescriptor fd = openRegular(path, O_WRONLY, error);
    if (!fd.valid()) {
        if (error != ENOENT)
            platform::throwSystemError(error, path.string());
        return Original{.mode = newFileMode()};
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        platform::throwSystemError(errno, path.string());
    return Original{
        .exists = true, .mode = info.st_mode & 07777, .owner = info.st_uid, .group = info.st_gid};
}

std::string temporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + std::string(kTemporaryInfix);
}

// ".cnf.INI~kvt<pid>-XXXXXX": the writer's process id in the name tells a dead writer's file
// from a live one's.
std::string temporaryPattern(const fs::path& target) {
    return temporaryPrefix(target) + std::to_string(getpid()) + "-" + std::string(kTemporaryX);
}

// The process that made a temporary file of ours for `target`, from its name.
std::optional<pid_t> temporaryWriter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() < prefix.size() + 2 + kTemporaryX.size())
        return std::nullopt;
    const std::string_view digits =
        name.substr(prefix.size(), name.size() - prefix.size() - 1 - kTemporaryX.size());
    if (name[name.size() - 1 - kTemporaryX.size()] != '-' || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(std::string(digits)));
}

// A writer holds the file's lock while its temporary file exists, but a writer that could not
// have the shared lock holds only its own user's; so a temporary file is taken for a dead
// writer's only when its process is gone.
void removeStaleTemporaries(const fs::path& target) {
    const std::string prefix = temporaryPrefix(target);
    std::error_code error;
    for (fs::directory_iterator it(folderOf(target), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        const auto writer = temporaryWriter(name, prefix);
        std::error_code ignored;
        if (writer && ::kill(*writer, 0) != 0 && errno == ESRCH && it->is_regular_file(ignored) &&
            !it->is_symlink(ignored))
            fs::remove(it->path(), ignored);
    }
}

// A temporary file next to the target, removed unless it has been renamed into place. mkstemp
// creates it exclusively, so it is never a link planted by someone else.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target)
        : pattern_((folderOf(target) / temporaryPattern(target)).string()),
          fd_(mkostemp(pattern_.data(), O_CLOEXEC)),
          error_(fd_.valid() ? 0 : errno) {}
    ~TemporaryFile() {
        if (error_ == 0 && !committed_)
            ::unlink(pattern_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // 0 when the file was made, errno otherwise.
    int error() const { return error_; }
    FileDescriptor& fd() { return fd_; }
    void renameTo(const fs::path& target) {
        if (::rename(pattern_.c_str(), target.c_str()) != 0)
            platform::throwSystemError(errno, target.string());
        committed_ = true;
    }

private:
    std::string pattern_;  // the file's name once mkostemp has filled it in
    FileDescriptor fd_;
    int error_;
    bool committed_ = false;
};

void syncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The rename itself has succeeded; a folder that cannot be synced only loses durability.
    if (fd.valid())
        ::fsync(fd.get());
}

bool isNoRight(int error) {
    return error == EACCES || error == EPERM;
}

// The new text under the old file's name, atomically; false when this writer may not do it so
// (no right to the folder, or the old owner and group cannot be given to the new file).
bool replaceAtomically(const fs::path& path, std::string_view text, const Original& original) {
    TemporaryFile temporary(path);
    if (temporary.error() != 0) {
        if (isNoRight(temporary.error()) && original.exists)
            return false;
        platform::throwSystemError(temporary.error(), path.string());
    }
    const int fd = temporary.fd().get();
    writeAllAt(temporary.fd(), text, path);
    if (original.exists && fchown(fd, original.owner, original.group) != 0) {
        if (isNoRight(errno))
            return false;
        platform::throwSystemError(errno, path.string());
    }
    // After the owner: a change of owner clears the set-id bits.
    if (fchmod(fd, original.mode) != 0)
        platform::throwSystemError(errno, path.string());
    syncOrThrow(temporary.fd(), path);
    temporary.fd().close(path.string());
    temporary.renameTo(path);
    syncFolder(folderOf(path));
    return true;
}

// Under the lock no reader sees the file half written; only a crash in the middle can leave
// it so, which is why this is the way of last resort.
void rewriteInPlace(const fs::path& path, std::string_view text) {
    int error = 0;
    const FileDescriptor fd = openRegular(path, O_WRONLY, error);
    if (!fd.valid())
        platform::throwSystemError(error, path.string());
    // The room is claimed first, so that a full disk or quota fails before a byte changes.
    const int reserved = posix_fallocate(fd.get(), 0, static_cast<off_t>(text.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
        platform::throwSystemError(reserved, path.string());
    writeAllAt(fd, text, path);
    if (ftruncate(fd.get(), static_cast<off_t>(text.size())) != 0)
        platform::throwSystemError(errno, path.string());
    syncOrThrow(fd, path);
}

IniDocument readDocument(const fs::path& path, bool forgiving) {
    int error = 0;
    FileDescriptor fd(-1);
    try {
        fd = openRegular(path, O_RDONLY, error);
    } catch (const IniFileRefused&) {
        if (forgiving)
            return {};
        throw;
    }
    if (!fd.valid()) {
        if (isMissing(error) || (forgiving && isNoRight(error)))
            return {};
        platform::throwSystemError(error, path.string());
    }
    return IniDocument::parse(readAll(fd, path));
}

}  // namespace

IniDocument IniFileStore::load() const {
    return readDocument(path_, true);
}

IniDocument IniFileStore::loadForUpdate() const {
    return readDocument(path_, false);
}

void IniFileStore::save(const IniDocument& document) const {
    const std::string text = document.text();
    if (text.size() > kMaxFileSize)
        refuse(EFBIG, "файл стал бы больше " + megabytes(kMaxFileSize) + " (" +
                          std::to_string(text.size()) + " байт), запись отклонена");
    const Original original = inspectForWriting(path_);
    removeStaleTemporaries(path_);
    if (!replaceAtomically(path_, text, original))
        rewriteInPlace(path_, text);
}

void IniFileStore::flush() const {
    int error = 0;
    FileDescriptor fd = openRegular(path_, O_RDONLY, error);
    if (!fd.valid()) {
        if (isMissing(error))
            return;
        platform::throwSystemError(error, path_.string());
    }
    syncOrThrow(fd, path_);
    syncFolder(folderOf(path_));
}

}  // namespace kvt
