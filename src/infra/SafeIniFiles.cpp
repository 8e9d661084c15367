#include "infra/SafeIniFiles.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <stdexcept>

#include "infra/Format.h"
#include "infra/IniFile.h"
#include "infra/RVKLogger.h"
#include "infra/SharedFileLock.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/NamedMutex.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

namespace kvt {

namespace {

constexpr std::size_t kChunkLength = 65532;
constexpr std::string_view kLineFeedMarker = "<@\\n@>";
constexpr std::string_view kCountSuffix = "__$Count";
constexpr std::string_view kHashSuffix = "__$Hash";
constexpr std::string_view kLineSuffix = "__$Line";
constexpr std::int32_t kNoCount = -65535;
constexpr std::uint32_t kRetrySleepMs = 20;
// The log level of what an administrator should look at (" [вним]").
constexpr std::uint8_t kWarningLevel = 4;

std::string withSuffix(std::string_view key, std::string_view suffix) {
    return std::string(key) + std::string(suffix);
}

std::string lineKey(std::string_view key, std::int64_t number) {
    return withSuffix(key, kLineSuffix) + std::to_string(number);
}

// Replaces the exception leaving `body` by one of the same class whose message names the
// operation: "TSafeIniFile.ReadString -> <message>".
template <class Body>
auto wrapped(std::string_view operation, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& error) {
        std::rethrow_exception(
            sameClassWithMessage(error, std::string(operation) + " -> " + error.what()));
    }
}

// Chunks of a value as stored: CR dropped, LF written as the marker, at most kChunkLength
// characters each, a marker never split. `firstOnly` stops at the end of the first chunk.
std::vector<std::string> encodeChunks(std::string_view value, bool firstOnly) {
    std::vector<std::string> chunks(1);
    for (const char& c : value) {
        if (c == '\r')
            continue;
        const std::string_view piece = c == '\n' ? kLineFeedMarker : std::string_view(&c, 1);
        if (chunks.back().size() + piece.size() > kChunkLength) {
            if (firstOnly)
                break;
            chunks.emplace_back();
        }
        chunks.back() += piece;
    }
    return chunks;
}

std::string decodeChunk(std::string_view chunk) {
    std::string result;
    result.reserve(chunk.size());
    for (auto marker = chunk.find(kLineFeedMarker); marker != std::string_view::npos;
         marker = chunk.find(kLineFeedMarker)) {
        result.append(chunk.substr(0, marker)).append("\r\n");
        chunk.remove_prefix(marker + kLineFeedMarker.size());
    }
    return result.append(chunk);
}

// The reader strips blanks and one pair of double quotes around a value; quotes keep them.
bool needsQuote(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '"';
}

std::string quoted(const std::string& chunk) {
    if (chunk.empty() || !(needsQuote(chunk.front()) || needsQuote(chunk.back())))
        return chunk;
    return '"' + chunk + '"';
}

bool isCanonicalNumber(std::string_view digits) {
    return !digits.empty() && digits.size() <= 10 && digits.front() != '0' &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::int32_t> toInteger(const std::optional<std::string>& text) {
    std::int32_t value = 0;
    if (text && TryStrToInt(*text, value))
        return value;
    return std::nullopt;
}

// The companion keys of the value under `key`: the count, the hash and the chunk keys 2 .. the
// count the value had.
void deleteCompanions(IniDocument& document, const std::string& section, const std::string& key) {
    const auto countText = document.value(section, withSuffix(key, kCountSuffix));
    if (!countText)
        return;
    const std::int64_t count = toInteger(countText).value_or(0);
    const std::string countName = IniDocument::fold(withSuffix(key, kCountSuffix));
    const std::string hashName = IniDocument::fold(withSuffix(key, kHashSuffix));
    const std::string linePrefix = IniDocument::fold(withSuffix(key, kLineSuffix));
    document.deleteKeysWhere(section, [&](const std::string& name) {
        if (name == countName || name == hashName)
            return true;
        if (!name.starts_with(linePrefix))
            return false;
        const std::string_view digits = std::string_view(name).substr(linePrefix.size());
        if (!isCanonicalNumber(digits))
            return false;
        const std::int64_t number = std::stoll(std::string(digits));
        return number >= 2 && number <= count;
    });
}

void writeLongValue(IniDocument& document, const std::string& section, const std::string& key,
                    std::string_view value, bool plain) {
    const auto chunks = encodeChunks(value, plain);
    if (!plain)
        deleteCompanions(document, section, key);
    document.setValue(section, key, quoted(chunks.front()));
    if (chunks.size() < 2)
        return;
    document.setValue(section, withSuffix(key, kCountSuffix), std::to_string(chunks.size()));
    document.setValue(section, withSuffix(key, kHashSuffix),
                      std::to_string(SafeIniHash(chunks.front())));
    for (std::size_t n = 2; n <= chunks.size(); ++n)
        document.setValue(section, lineKey(key, static_cast<std::int64_t>(n)),
                          quoted(chunks[n - 1]));
}

// A count that claims more chunk keys than the section holds was not written by this scheme;
// following it would only read missing keys. The value degrades to its first chunk, as for a
// chunk 1 rewritten by hand, and the administrator hears of it.
void reportImpossibleCount(const std::string& fileName, const std::string& section,
                           const std::string& key, std::int32_t count, std::size_t keys) {
    ErrorsWriter().Log(
        Format("TSafeIniFile.ReadString: значение [%s] %s файла %s объявляет %d частей, а в "
               "секции всего %d ключей; прочитана только первая часть",
               {platform::cp1251ToUtf8(section), platform::cp1251ToUtf8(key), fileName, count,
                static_cast<std::int32_t>(keys)}),
        kWarningLevel);
}

std::string readLongValue(const IniDocument::SectionIndex& index, const std::string& key,
                          const std::string& defaultValue, bool plain,
                          const std::function<void(std::int32_t count)>& onImpossibleCount) {
    const std::string first = index.value(key).value_or(defaultValue);
    if (plain)
        return decodeChunk(first);
    const std::int32_t count =
        toInteger(index.value(withSuffix(key, kCountSuffix))).value_or(kNoCount);
    std::string result = decodeChunk(first);
    if (count <= 1)
        return result;
    const bool checkHash = SafeIniCheckHash;
    const std::int32_t stored =
        checkHash
            ? toInteger(index.value(withSuffix(key, kHashSuffix))).value_or(~SafeIniHash(first))
            : 0;
    if (stored != (checkHash ? SafeIniHash(first) : 0))
        return result;
    if (static_cast<std::size_t>(count) > index.keyCount()) {
        onImpossibleCount(count);
        return result;
    }
    for (std::int32_t n = 2; n <= count; ++n)
        result += decodeChunk(index.value(lineKey(key, n)).value_or(""));
    return result;
}

std::string toHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string fromHex(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        bytes += high < 0 || low < 0 ? '?' : static_cast<char>(high * 16 + low);
    }
    return bytes;
}

// Failures that waiting does not cure: a missing folder, a name the system refuses, a full disk,
// and a file or folder we may not write (waiting a second for a read-only file to become
// writable would only stall the operator).
bool isPermanent(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ENOSPC:
        case EDQUOT:
        case EINVAL:
        case EACCES:
        case EPERM:
        case EROFS:
        case ELOOP:
        case EISDIR:
        case EFBIG:
            return true;
        default:
            return false;
    }
}

// The store's own refusals say why in their message; for the rest the system's text does.
std::string reasonOf(const platform::SystemError& error) {
    if (dynamic_cast<const IniFileRefused*>(&error) != nullptr)
        return error.what();
    return platform::systemErrorText(error.errorNumber());
}

void retried(const std::string& failure, const std::function<void()>& attempt) {
    const std::uint32_t start = platform::tickCount();
    for (;;) {
        try {
            attempt();
            return;
        } catch (const platform::SystemError& error) {
            if (isPermanent(error.errorNumber()) ||
                platform::ticksSince(start) >= SafeIniWriteRetryMs)
                throw EIniFileException(reasonOf(error) + " -> " + failure);
            platform::sleepMs(kRetrySleepMs);
        }
    }
}

// Names and values as the file holds them.
std::string toFile(const std::string& text) {
    return platform::utf8ToCp1251(text);
}
std::string fromFile(const std::string& bytes) {
    return platform::cp1251ToUtf8(bytes);
}

// Every spelling of one file takes one lock.
std::unique_ptr<platform::NamedMutex> openMutex(const std::string& fileName) {
    return OpenSharedFileLock(SafeIniMutexName(platform::PathMap::canonicalName(fileName)));
}

}  // namespace

const FormatSettings& IniFormatSettings() {
    static const FormatSettings settings = fileFormatSettings("dd.mm.yyyy", "hh:nn:ss.zzzz");
    return settings;
}

std::string SafeIniMutexName(const std::string& fileName) {
    std::string name = "ini file lock mutex" + platform::lowerUtf8(fileName);
    for (auto at = name.find("\\\\"); at != std::string::npos; at = name.find("\\\\"))
        name.erase(at, 1);
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos; },
        '_');
    return name;
}

std::int32_t SafeIniHash(std::string_view bytes) {
    std::uint32_t hash = 0;
    for (const char c : bytes) {
        hash += static_cast<unsigned char>(c);
        hash -= (hash << 13) | (hash >> 19);
    }
    return static_cast<std::int32_t>(hash);
}

TSafeIniFile::TSafeIniFile(std::string fileName)
    : PlainMode(SafeIniPlainModeDefault),
      fileName_(std::move(fileName)),
      mutex_(openMutex(fileName_)) {}

TSafeIniFile::~TSafeIniFile() = default;

template <class Body>
auto TSafeIniFile::locked(Body&& body) {
    SharedFileLockHold hold(*mutex_);
    return body();
}

IniFileStore TSafeIniFile::store() const {
    return IniFileStore(platform::PathMap::resolve(fileName_));
}

IniDocument TSafeIniFile::load() const {
    try {
        return store().load();
    } catch (const platform::SystemError& error) {
        throw EIniFileException(reasonOf(error) + " -> Не удалось прочитать файл " + fileName_);
    }
}

IniDocument TSafeIniFile::loadForUpdate() const {
    try {
        return store().loadForUpdate();
    } catch (const platform::SystemError& error) {
        throw EIniFileException(reasonOf(error) + " -> Не удалось записать в файл " + fileName_);
    }
}

void TSafeIniFile::save(const IniDocument& document) const {
    const IniFileStore file = store();
    retried("Не удалось записать в файл " + fileName_, [&] { file.save(document); });
    if (FlushAfterWrite)
        flush();
}

void TSafeIniFile::flush() const {
    const IniFileStore file = store();
    retried("Не удалось записать изменения в файл " + fileName_, [&] { file.flush(); });
}

void TSafeIniFile::validate(const std::string& section) const {
    if (section.empty())
        throw EIniFileException("Не указано название секции. Имя файла: " + fileName_);
}

void TSafeIniFile::validate(const std::string& section, const std::string& ident) const {
    validate(section);
    if (ident.empty())
        throw EIniFileException("Не указано название переменной. Имя файла: " + fileName_);
}

// Names that would read back as another line's: a line break, a section name closed early by
// ']', a key cut short by '=' or taken for a section header or a comment.
void TSafeIniFile::validateForWriting(const std::string& section, const std::string& ident) const {
    validate(section, ident);
    const std::string sectionName = IniDocument::fold(toFile(section));
    const std::string keyName = IniDocument::fold(toFile(ident));
    if (sectionName.empty() || sectionName.find_first_of("]\r\n") != std::string::npos)
        throw EIniFileException("Недопустимое название секции \"" + section +
                                "\". Имя файла: " + fileName_);
    if (keyName.empty() || keyName.find_first_of("=\r\n") != std::string::npos ||
        keyName.front() == '[' || keyName.front() == ';')
        throw EIniFileException("Недопустимое название переменной \"" + ident +
                                "\". Имя файла: " + fileName_);
}

std::string TSafeIniFile::readValue(const IniDocument::SectionIndex& index,
                                    const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const {
    const std::string key = toFile(ident);
    return fromFile(
        readLongValue(index, key, toFile(defaultValue), PlainMode, [&](std::int32_t count) {
            reportImpossibleCount(fileName_, toFile(section), key, count, index.keyCount());
        }));
}

std::string TSafeIniFile::ReadString(const std::string& section, const std::string& ident,
                                     const std::string& defaultValue) {
    return wrapped("TSafeIniFile.ReadString", [&] {
        validate(section, ident);
        return locked([&] {
            const IniDocument document = load();
            return readValue(document.index(toFile(section)), section, ident, defaultValue);
        });
    });
}

void TSafeIniFile::WriteString(const std::string& section, const std::string& ident,
                               const std::string& value) {
    wrapped("TSafeIniFile.WriteString", [&] {
        validateForWriting(section, ident);
        locked([&] {
            IniDocument document = loadForUpdate();
            writeLongValue(document, toFile(section), toFile(ident), toFile(value), PlainMode);
            save(document);
        });
    });
}

std::int32_t TSafeIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                       std::int32_t defaultValue) {
    std::int32_t value = 0;
    return TryStrToInt(ReadString(section, ident, ""), value) ? value : defaultValue;
}

void TSafeIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                std::int32_t value) {
    WriteString(section, ident, std::to_string(value));
}

bool TSafeIniFile::ReadBool(const std::string& section, const std::string& ident,
                            bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TSafeIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

namespace {

template <class Value, class Reader>
Value readConverted(TSafeIniFile& file, const std::string& section, const std::string& ident,
                    Value defaultValue, Reader reader) {
    const std::string text = file.ReadString(section, ident, "");
    Value value{};
    return !text.empty() && reader(text, value, IniFormatSettings()) ? value : defaultValue;
}

std::string dateText(DateTime value) {
    return FormatDateTime(IniFormatSettings().shortDateFormat, value, IniFormatSettings());
}

std::string timeText(DateTime value) {
    return FormatDateTime(IniFormatSettings().longTimeFormat, value, IniFormatSettings());
}

}  // namespace

DateTime TSafeIniFile::ReadDate(const std::string& section, const std::string& ident,
                                DateTime defaultValue) {
    return wrapped("TSafeIniFile.ReadDate", [&] {
        return readConverted(*this, section, ident, defaultValue, TryStrToDate);
    });
}

DateTime TSafeIniFile::ReadDateTime(const std::string& section, const std::string& ident,
                                    DateTime defaultValue) {
    return wrapped("TSafeIniFile.ReadDateTime", [&] {
        return readConverted(*this, section, ident, defaultValue, TryStrToDateTime);
    });
}

DateTime TSafeIniFile::ReadTime(const std::string& section, const std::string& ident,
                                DateTime defaultValue) {
    return wrapped("TSafeIniFile.ReadTime", [&] {
        return readConverted(*this, section, ident, defaultValue, TryStrToTime);
    });
}

double TSafeIniFile::ReadFloat(const std::string& section, const std::string& ident,
                               double defaultValue) {
    return wrapped("TSafeIniFile.ReadFloat", [&] {
        return readConverted(*this, section, ident, defaultValue, TryStrToFloat);
    });
}

void TSafeIniFile::WriteDate(const std::string& section, const std::string& ident, DateTime value) {
    wrapped("TSafeIniFile.WriteDate", [&] { WriteString(section, ident, dateText(value)); });
}

void TSafeIniFile::WriteDateTime(const std::string& section, const std::string& ident,
                                 DateTime value) {
    wrapped("TSafeIniFile.WriteDateTime",
            [&] { WriteString(section, ident, dateText(value) + " " + timeText(value)); });
}

void TSafeIniFile::WriteTime(const std::string& section, const std::string& ident, DateTime value) {
    wrapped("TSafeIniFile.WriteTime", [&] { WriteString(section, ident, timeText(value)); });
}

void TSafeIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
    wrapped("TSafeIniFile.WriteFloat",
            [&] { WriteString(section, ident, FloatToStr(value, IniFormatSettings())); });
}

void TSafeIniFile::ReadHexString(const std::string& section, const std::string& ident,
                                 std::string& value, const std::string& defaultValue) {
    value = wrapped("TSafeIniFile.ReadHexString",
                    [&] { return fromHex(ReadString(section, ident, toHex(defaultValue))); });
}

void TSafeIniFile::WriteHexString(const std::string& section, const std::string& ident,
                                  const std::string& value) {
    wrapped("TSafeIniFile.WriteHexString", [&] { WriteString(section, ident, toHex(value)); });
}

void TSafeIniFile::ReadQuotedString(const std::string& section, const std::string& ident,
                                    std::string& value, char quote,
                                    const std::string& defaultValue) {
    const char q = quote == '\0' ? '"' : quote;
    value = wrapped("TSafeIniFile.ReadQuotedString", [&] {
        std::string text = ReadString(section, ident, defaultValue);
        if (!text.empty() && text.front() == q && text.back() == q)
            text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
        return text;
    });
}

void TSafeIniFile::ReadSection(const std::string& section, std::vector<std::string>& strings) {
    strings = wrapped("TSafeIniFile.ReadSection", [&] {
        validate(section);
        std::vector<std::string> names = locked([&] { return load().keyNames(toFile(section)); });
        for (auto& name : names)
            name = fromFile(name);
        return names;
    });
}

void TSafeIniFile::ReadSectionValues(const std::string& section,
                                     std::vector<std::string>& strings) {
    strings = wrapped("TSafeIniFile.ReadSectionValues", [&] {
        validate(section);
        return locked([&] {
            const IniDocument document = load();
            const IniDocument::SectionIndex index = document.index(toFile(section));
            std::vector<std::string> lines;
            for (const auto& key : document.keyNames(toFile(section))) {
                const std::string name = fromFile(key);
                lines.push_back(name + "=" + readValue(index, section, name, ""));
            }
            return lines;
        });
    });
}

void TSafeIniFile::ReadSections(std::vector<std::string>& strings) {
    strings = locked([&] { return load().sectionNames(); });
    for (auto& name : strings)
        name = fromFile(name);
}

bool TSafeIniFile::SectionExists(const std::string& section) {
    return locked([&] { return load().hasSection(toFile(section)); });
}

bool TSafeIniFile::ValueExists(const std::string& section, const std::string& ident) {
    return locked([&] { return load().value(toFile(section), toFile(ident)).has_value(); });
}

void TSafeIniFile::EraseSection(const std::string& section) {
    wrapped("TSafeIniFile.EraseSection", [&] {
        validate(section);
        locked([&] {
            IniDocument document = loadForUpdate();
            document.eraseSection(toFile(section));
            if (document.modified())
                save(document);
        });
    });
}

void TSafeIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    wrapped("TSafeIniFile.DeleteKey", [&] {
        validate(section, ident);
        locked([&] {
            IniDocument document = loadForUpdate();
            const std::string sectionName = toFile(section);
            const std::string key = toFile(ident);
            if (!PlainMode)
                deleteCompanions(document, sectionName, key);
            document.deleteKey(sectionName, key);
            if (document.modified())
                save(document);
        });
    });
}

void TSafeIniFile::UpdateFile() {
    locked([&] { flush(); });
}

}  // namespace kvt
