#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    std::optional<Range> findSection(const std::string& folded) const;
    std::vector<Range> allSections(const std::string& folded) const;
    void insertLine(std::size_t at, std::string text);

    std::vector<Line> lines_;
    bool modified_ = false;
};

// The INI file on disk. Reads and writes never follow a symbolic link at the file's own name.
// A write replaces the whole file at once (a temporary file in the same folder renamed over the
// original), so a crash or a full disk leaves the old text or the new one, never half a file; the
// original's permissions are kept. Writes are not forced to disk one by one, as the profile
// functions never did: the file is written many times a minute by several processes, and a
// caller that needs it on disk asks for flush (FlushAfterWrite). Failures throw
// platform::SystemError.
class IniFileStore {
public:
    explicit IniFileStore(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }
    // A missing file reads as an empty document.
    IniDocument load() const;
    // Fails (EACCES, EROFS ...) when the file itself may not be written, as an in-place write
    // would, even where the folder would allow the rename.
    void save(const IniDocument& document) const;
    // Forces the file and its folder entry to disk; a missing file has nothing to flush.
    void flush() const;

private:
    std::filesystem::path path_;
};

}  // namespace kvt
