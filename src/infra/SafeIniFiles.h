#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "infra/DateTime.h"
#include "infra/IniFile.h"
#include "kvtreports/Exception.h"

namespace kvt {

namespace platform {
class NamedMutex;
}
class IniFileStore;

// An INI operation that cannot be done: a missing section or key name, a name the file cannot
// hold, or a file that cannot be read or written.
class EIniFileException : public ExceptionOf<EIniFileException> {
public:
    using ExceptionOf::ExceptionOf;
};

// Unit-wide settings shared by every TSafeIniFile of the process.
inline std::atomic<bool> SafeIniPlainModeDefault{false};
inline std::atomic<bool> SafeIniCheckHash{true};
inline constexpr std::uint32_t SafeIniWriteRetryMs = 1000;

// Dates, times and numbers in INI files are written and read the same way on every station,
// whatever the user's locale: "dd.mm.yyyy", "hh:nn:ss.zzz", '.' as decimal separator.
const FormatSettings& IniFormatSettings();

// The name of the cross-process mutex that guards an INI file (without the "Global\" prefix),
// by the station's rule for the text of the name. TSafeIniFile gives it the file's canonical
// name (platform::PathMap::canonicalName), so that every spelling of one file takes one lock.
std::string SafeIniMutexName(const std::string& fileName);

// The hash that guards a long value's first chunk (over its CP1251 bytes).
std::int32_t SafeIniHash(std::string_view bytes);

// An INI file that several processes read and write at once. Every operation holds the file's
// named mutex and re-reads the file, so a value written by another process is seen at once and
// a multi-key write (a long value) is never seen half done. Values longer than one INI line
// are split over companion keys ("__$Count", "__$Hash", "__$Line" n) and glued together on
// reading; line breaks are kept inside values.
//
// The file name is the name as given, usually a Windows path ("C:\WINDOWS\cnf.INI"); the
// messages use it, the mutex its canonical spelling, and the file itself is reached through the
// drive mapping. Reading never raises for a file that cannot be read as a file: the defaults
// apply (a file over IniFileStore::kMaxFileSize is damaged rather than missing, and raises).
// Writing never goes through a symbolic link (see IniFileStore). Strings are UTF-8; the file is
// CP1251. An instance is meant for one short series of operations in one thread.
class TSafeIniFile {
public:
    // Throws platform::SystemError when the mutex cannot be had.
    explicit TSafeIniFile(std::string fileName);
    ~TSafeIniFile();
    TSafeIniFile(const TSafeIniFile&) = delete;
    TSafeIniFile& operator=(const TSafeIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    // Writes and deletions also force the file to disk.
    bool FlushAfterWrite = false;
    // Values are kept to one INI line: no companion keys are written, read or deleted.
    bool PlainMode;

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue);
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);

    std::int32_t ReadInteger(const std::string& section, const std::string& ident,
                             std::int32_t defaultValue);
    void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    DateTime ReadDate(const std::string& section, const std::string& ident, DateTime defaultValue);
    DateTime ReadDateTime(const std::string& section, const std::string& ident,
                          DateTime defaultValue);
    DateTime ReadTime(const std::string& section, const std::string& ident, DateTime defaultValue);
    double ReadFloat(const std::string& section, const std::string& ident, double defaultValue);
    void WriteDate(const std::string& section, const std::string& ident, DateTime value);
    void WriteDateTime(const std::string& section, const std::string& ident, DateTime value);
    void WriteTime(const std::string& section, const std::string& ident, DateTime value);
    void WriteFloat(const std::string& section, const std::string& ident, double value);

    // Bytes stored as hexadecimal text, two upper-case digits each.
    void ReadHexString(const std::string& section, const std::string& ident, std::string& value,
                       const std::string& defaultValue);
    void WriteHexString(const std::string& section, const std::string& ident,
                        const std::string& value);
    // ReadString without one enclosing pair of `quote` (0 stands for the double quote).
    void ReadQuotedString(const std::string& section, const std::string& ident, std::string& value,
                          char quote, const std::string& defaultValue);

    // Key names of the section (companion keys included), "key=value" lines with each value
    // read as ReadString reads it, section names; the lists are replaced.
    void ReadSection(const std::string& section, std::vector<std::string>& strings);
    void ReadSectionValues(const std::string& section, std::vector<std::string>& strings);
    void ReadSections(std::vector<std::string>& strings);
    bool SectionExists(const std::string& section);
    bool ValueExists(const std::string& section, const std::string& ident);

    void EraseSection(const std::string& section);
    // Deletes the key with its companion keys.
    void DeleteKey(const std::string& section, const std::string& ident);
    // Forces the file to disk (every write already replaces it whole).
    void UpdateFile();

private:
    template <class Body>
    auto locked(Body&& body);
    IniFileStore store() const;
    // Reads as settings are read: a file that cannot be read as a file gives defaults.
    IniDocument load() const;
    // The document a change starts from; a file that is there and cannot be read is an error.
    IniDocument loadForUpdate() const;
    // Writes the document, retrying for a while unless the failure cannot pass; then flushes
    // when FlushAfterWrite asks for it.
    void save(const IniDocument& document) const;
    void flush() const;
    void validate(const std::string& section) const;
    void validate(const std::string& section, const std::string& ident) const;
    void validateForWriting(const std::string& section, const std::string& ident) const;
    std::string readValue(const IniDocument::SectionIndex& index, const std::string& section,
                          const std::string& ident, const std::string& defaultValue) const;

    std::string fileName_;
    std::unique_ptr<platform::NamedMutex> mutex_;
};

}  // namespace kvt
