#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/SystemError.h"

namespace kvt {

// The text of an INI file as the station software's Windows modules read and write it: section
// headers in square brackets, one "key=value" line per key. Everything here is raw bytes in the
// file's code page (CP1251); the caller converts.
//
// Section and key names are compared case-insensitively and without surrounding blanks. When a
// section or key occurs twice, the first one is the one read and written. Lines that are not
// headers or keys (comments, junk, blank lines), and every key not being changed, keep their
// exact bytes and line ends, so that other programs' data survive our writes.
class IniDocument {
public:
    // The longest value text a read returns, as the profile functions' buffer holds.
    static constexpr std::size_t kMaxValueLength = 65535;

    IniDocument() = default;
    static IniDocument parse(std::string_view bytes);
    // The whole file; lines that were read keep their own line ends, new lines end in CR LF.
    std::string text() const;

    // The value with surrounding blanks and one pair of enclosing double quotes removed, cut to
    // kMaxValueLength; nullopt when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Number of key lines of the section, duplicates included.
    std::size_t keyCount(std::string_view section) const;

    // One section's keys by folded name, for many look-ups in one section at the cost of one
    // pass (a long value's chunks, a whole section's values). Valid while the document is
    // neither changed nor gone.
    class SectionIndex {
    public:
        // As IniDocument::value gives it.
        std::optional<std::string> value(std::string_view key) const;
        // Key lines, duplicates included.
        std::size_t keyCount() const { return keyCount_; }

    private:
        friend class IniDocument;
        const IniDocument* document_ = nullptr;
        std::unordered_map<std::string, std::size_t> lines_;
        std::size_t keyCount_ = 0;
    };
    SectionIndex index(std::string_view section) const;

    // Replaces the value of an existing key in place, or adds the key at the end of its section,
    // or adds the section at the end of the file. The value is written as given.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of the key in the section; false when there was none.
    bool deleteKey(std::string_view section, std::string_view key);
    // Removes the key lines of the section whose folded names satisfy `match`.
    void deleteKeysWhere(std::string_view section,
                         const std::function<bool(const std::string&)>& match);
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);

    // True once a change has been made since parsing.
    bool modified() const { return modified_; }

    // Names as spelled in the file, each once, in file order.
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Names as compared: without surrounding blanks, in lower case (CP1251 letters).
    static std::string fold(std::string_view name);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;
        std::string_view ending;  // "\r\n", "\n" or "" (a last line without one)
        Kind kind = Kind::Other;
        std::string name;    // the folded section or key name
        std::size_t eq = 0;  // position of '=' in a key line
    };
    struct Range {
        std::size_t header;
        std::size_t end;  // one past the section's last line
    };

    static Line makeLine(std::string text, std::string_view ending);
    static std::string valueOf(const Line& line);
    std::optional<Range> findSection(const std::string& folded) const;
    std::vector<Range> allSections(const std::string& folded) const;
    void insertLine(std::size_t at, std::string text);

    std::vector<Line> lines_;
    bool modified_ = false;
};

// A file the store will not read or write as it stands (a link, a folder, a FIFO, a file far
// larger than any configuration); the message says why, in the operator's words.
class IniFileRefused : public ExceptionOf<IniFileRefused, platform::SystemError> {
public:
    using ExceptionOf::ExceptionOf;
};

// The INI file on disk, read and written while its cross-process lock is held.
//
// Reading is forgiving, as settings must be: a file that cannot be read as a file (missing, a
// symbolic link, a folder, a FIFO, no permission) reads as an empty document, so defaults apply.
// A write never goes through a link and never replaces what it could not read. It goes to an
// exclusive temporary file in the same folder, which is forced to disk, given the old file's
// mode, owner and group, and renamed over it, and the folder is forced to disk: a crash leaves
// the old text or the new one. Where the folder may not be written or the owner cannot be kept
// (another user's file shared through its group), the file is rewritten in place instead, so
// that it stays the file its owner and group set up. Temporary files left by writers that died
// are removed by the next writer. Files over kMaxFileSize are refused both ways: a hand-made
// giant must not hold every process of the station at the lock. Failures throw
// platform::SystemError (IniFileRefused for the refusals).
class IniFileStore {
public:
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    explicit IniFileStore(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }
    IniDocument load() const;
    // The document a write starts from: as load, but a file that is there and cannot be read
    // as a regular file throws instead of reading as empty.
    IniDocument loadForUpdate() const;
    void save(const IniDocument& document) const;
    // Forces the file and its folder entry to disk; a missing file has nothing to flush.
    void flush() const;

private:
    std::filesystem::path path_;
};

}  // namespace kvt
