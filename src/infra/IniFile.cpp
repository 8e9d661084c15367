#include "infra/IniFile.h"

#include <fcntl.h>
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
        throw std::invalid_argument("an INI name or value cannot hold a line break");
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

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto range = findSection(fold(section));
    if (!range)
        return std::nullopt;
    const std::string folded = fold(key);
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Key && line.name == folded)
            return stripValue(std::string_view(line.text).substr(line.eq + 1));
    }
    return std::nullopt;
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

// Opening without following a symbolic link and without blocking on a FIFO; only a regular
// file is an INI file. A file that cannot be opened gives an invalid descriptor and `error`.
FileDescriptor openRegular(const fs::path& path, int access, int& error) {
    FileDescriptor fd(::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    error = fd.valid() ? 0 : errno;
    if (!fd.valid())
        return fd;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        platform::throwSystemError(errno, path.string());
    if (!S_ISREG(info.st_mode))
        platform::throwSystemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, path.string());
    return fd;
}

bool isMissing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

std::string readAll(const FileDescriptor& fd, const fs::path& shown) {
    std::string bytes;
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
    }
}

void writeAll(const FileDescriptor& fd, std::string_view bytes, const fs::path& shown) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            platform::throwSystemError(errno, shown.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
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

// A temporary file next to the target, removed unless it has been renamed into place. mkstemp
// creates it exclusively, so it is never a link planted by someone else.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target)
        : pattern_((folderOf(target) / ("." + target.filename().string() + ".XXXXXX")).string()),
          fd_(mkostemp(pattern_.data(), O_CLOEXEC)) {
        if (!fd_.valid())
            platform::throwSystemError(errno, target.string());
    }
    ~TemporaryFile() {
        if (!committed_)
            ::unlink(pattern_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    FileDescriptor& fd() { return fd_; }
    void renameTo(const fs::path& target) {
        if (::rename(pattern_.c_str(), target.c_str()) != 0)
            platform::throwSystemError(errno, target.string());
        committed_ = true;
    }

private:
    std::string pattern_;  // the file's name once mkostemp has filled it in
    FileDescriptor fd_;
    bool committed_ = false;
};

void syncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The rename itself has succeeded; a folder that cannot be synced only loses durability.
    if (fd.valid())
        ::fsync(fd.get());
}

}  // namespace

IniDocument IniFileStore::load() const {
    int error = 0;
    FileDescriptor fd = openRegular(path_, O_RDONLY, error);
    if (!fd.valid()) {
        if (isMissing(error))
            return {};
        platform::throwSystemError(error, path_.string());
    }
    return IniDocument::parse(readAll(fd, path_));
}

void IniFileStore::save(const IniDocument& document) const {
    mode_t mode = 0;
    {
        int error = 0;
        FileDescriptor original = openRegular(path_, O_WRONLY, error);
        if (original.valid()) {
            struct stat info {};
            if (fstat(original.get(), &info) != 0)
                platform::throwSystemError(errno, path_.string());
            mode = info.st_mode & 07777;
        } else if (error == ENOENT) {
            mode = newFileMode();
        } else {
            platform::throwSystemError(error, path_.string());
        }
    }
    TemporaryFile temporary(path_);
    writeAll(temporary.fd(), document.text(), path_);
    if (fchmod(temporary.fd().get(), mode) != 0)
        platform::throwSystemError(errno, path_.string());
    temporary.fd().close(path_.string());
    temporary.renameTo(path_);
}

void IniFileStore::flush() const {
    int error = 0;
    FileDescriptor fd = openRegular(path_, O_RDONLY, error);
    if (!fd.valid()) {
        if (isMissing(error))
            return;
        platform::throwSystemError(error, path_.string());
    }
    if (fsync(fd.get()) != 0)
        platform::throwSystemError(errno, path_.string());
    syncFolder(folderOf(path_));
}

}  // namespace kvt
