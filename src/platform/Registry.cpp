#include "platform/Registry.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

#include "platform/PathMap.h"
#include "platform/SqliteText.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

namespace kvt::platform {

namespace fs = std::filesystem;

namespace {

// Several processes write one store; a writer waits this long for another's transaction.
constexpr int kBusyTimeoutMs = 10000;

std::string quoted(std::string_view name) {
    return "'" + std::string(name) + "'";
}

std::string getFailure(std::string_view name) {
    return "Ошибка получения данных для " + quoted(name);
}
std::string setFailure(std::string_view name) {
    return "Ошибка установки данных для " + quoted(name);
}

// Key paths are kept without empty components, so "\A\\B\" and "A\B" name the same key.
std::string normalizedPath(std::string_view path) {
    std::string result;
    while (!path.empty()) {
        const auto slash = path.find('\\');
        const auto part = path.substr(0, slash);
        if (!part.empty()) {
            if (!result.empty())
                result += '\\';
            result += part;
        }
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash + 1);
    }
    return result;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

fs::path configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute())
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        throw ERegistryException(
            "Не найдена папка настроек пользователя: не задана переменная HOME");
    return fs::path(home) / ".config";
}

bool isSymlink(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void refuseSymlink(const fs::path& path) {
    if (isSymlink(path))
        throw ERegistryException(path.string() +
                                 " — символическая ссылка, реестр через ссылки не открывается");
}

// The folder of a store: the configured base may itself be reached through links, but the
// folders and the file the registry creates below it never are.
fs::path storeFolder(const fs::path& file, mode_t mode) {
    const fs::path folder = file.parent_path();
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    const fs::path base = fs::weakly_canonical(folder.parent_path(), error);
    if (error)
        throw ERegistryException("Не удалось создать папку реестра " +
                                 folder.parent_path().string() + ": " + error.message());
    const fs::path result = base / folder.filename();
    if (mkdir(result.c_str(), mode) != 0 && errno != EEXIST)
        throw ERegistryException("Не удалось создать папку реестра " + result.string() + ": " +
                                 systemErrorText(errno));
    refuseSymlink(result);
    return result;
}

struct Value {
    RegValueType type = RegValueType::None;
    std::int32_t dword = 0;
    std::string text;
};

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) : db_(db) {
        sqlite3_stmt* raw = nullptr;
        check(sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr));
        statement_.reset(raw);
    }

    Statement& bind(int index, std::string_view text) {
        check(sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int index, std::int64_t number) {
        check(sqlite3_bind_int64(statement_.get(), index, number));
        return *this;
    }

    // True while a row is available.
    bool step() {
        const int result = sqlite3_step(statement_.get());
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            check(result);
        return false;
    }
    void run() {
        while (step()) {
        }
    }

    std::int64_t integer(int column) const {
        return sqlite3_column_int64(statement_.get(), column);
    }
    std::string text(int column) const {
        const auto* bytes = sqlite3_column_text(statement_.get(), column);
        const int size = sqlite3_column_bytes(statement_.get(), column);
        return bytes == nullptr ? std::string()
                                : std::string(reinterpret_cast<const char*>(bytes),
                                              static_cast<std::size_t>(size));
    }

private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };

    void check(int result) const {
        if (result != SQLITE_OK)
            throw ERegistryException(sqliteErrorText(db_));
    }

    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

// One write transaction, rolled back unless committed. BEGIN IMMEDIATE takes the write lock
// first, so a writer waits for another process's write instead of failing halfway through.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { Statement(db, "BEGIN IMMEDIATE").run(); }
    ~Transaction() {
        if (!committed_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        Statement(db_, "COMMIT").run();
        committed_ = true;
    }

private:
    sqlite3* db_;
    bool committed_ = false;
};

}  // namespace

// One SQLite connection per store file and process, shared by every Registry on that file.
class Registry::Store {
public:
    static std::shared_ptr<Store> forFile(const fs::path& file, mode_t folderMode) {
        static std::mutex openStoresMutex;
        static std::map<fs::path, std::weak_ptr<Store>> openStores;
        const fs::path path = storeFolder(file, folderMode) / file.filename();
        std::lock_guard lock(openStoresMutex);
        auto& slot = openStores[path];
        auto store = slot.lock();
        if (!store) {
            store = std::make_shared<Store>(path);
            slot = store;
        }
        return store;
    }

    explicit Store(const fs::path& path) : path_(path) {
        refuseSymlink(path);
        sqlite3* raw = nullptr;
        const int result = sqlite3_open_v2(
            path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
            nullptr);
        db_.reset(raw);
        if (result != SQLITE_OK)
            fail(raw == nullptr ? sqliteErrorText(result) : sqliteErrorText(raw));
        sqlite3_busy_timeout(raw, kBusyTimeoutMs);
        initialise();
    }

    bool keyExists(const std::string& fold) {
        return fold.empty() || locked([&] {
                   return Statement(db(), "SELECT 1 FROM keys WHERE path_fold = ?1")
                       .bind(1, fold)
                       .step();
               });
    }

    // Creates the key and every missing parent, keeping the spelling of keys that exist.
    void createKey(const std::string& path) {
        locked([&] {
            transaction([&] {
                for (std::string key = path; !key.empty(); key = parentOf(key)) {
                    Statement(db(),
                              "INSERT INTO keys(path_fold, parent_fold, name) VALUES(?1, ?2, ?3)"
                              " ON CONFLICT(path_fold) DO NOTHING")
                        .bind(1, lowerUtf8(key))
                        .bind(2, lowerUtf8(parentOf(key)))
                        .bind(3, lastComponent(key))
                        .run();
                }
                return true;
            });
        });
    }

    std::vector<std::string> keyNames(const std::string& fold) {
        return names("SELECT name FROM keys WHERE parent_fold = ?1 ORDER BY id", fold);
    }
    std::vector<std::string> valueNames(const std::string& fold) {
        return names("SELECT name FROM key_values WHERE key_fold = ?1 ORDER BY id", fold);
    }

    std::optional<Value> read(const std::string& keyFold, const std::string& nameFold) {
        return locked([&]() -> std::optional<Value> {
            Statement query(db(),
                            "SELECT type, dword, text FROM key_values"
                            " WHERE key_fold = ?1 AND name_fold = ?2");
            if (!query.bind(1, keyFold).bind(2, nameFold).step())
                return std::nullopt;
            return Value{static_cast<RegValueType>(query.integer(0)),
                         static_cast<std::int32_t>(query.integer(1)), query.text(2)};
        });
    }

    // False when the key is gone (deleted by someone else while open): its values would
    // otherwise live on unseen under a key that no longer exists.
    bool writeValue(const std::string& keyFold, std::string_view name, const Value& value) {
        return locked([&] {
            return transaction([&] {
                Statement(db(),
                          "INSERT INTO key_values(key_fold, name_fold, name, type, dword, text)"
                          " SELECT ?1, ?2, ?3, ?4, ?5, ?6"
                          " WHERE ?1 = '' OR EXISTS(SELECT 1 FROM keys WHERE path_fold = ?1)"
                          " ON CONFLICT(key_fold, name_fold) DO UPDATE SET"
                          " type = excluded.type, dword = excluded.dword, text = excluded.text")
                    .bind(1, keyFold)
                    .bind(2, lowerUtf8(name))
                    .bind(3, name)
                    .bind(4, static_cast<std::int64_t>(value.type))
                    .bind(5, value.dword)
                    .bind(6, value.text)
                    .run();
                return sqlite3_changes(db()) > 0;
            });
        });
    }

    bool deleteValue(const std::string& keyFold, const std::string& nameFold) {
        return locked([&] {
            return transaction([&] {
                Statement(db(), "DELETE FROM key_values WHERE key_fold = ?1 AND name_fold = ?2")
                    .bind(1, keyFold)
                    .bind(2, nameFold)
                    .run();
                return sqlite3_changes(db()) > 0;
            });
        });
    }

    // Subkeys are the paths that begin with the key's path and a backslash: in byte order
    // exactly those from "path\" up to, not including, "path]".
    bool deleteKey(const std::string& fold) {
        return locked([&] {
            return transaction([&] {
                Statement(db(),
                          "DELETE FROM key_values WHERE key_fold = ?1"
                          " OR (key_fold >= ?1 || '\\' AND key_fold < ?1 || ']')")
                    .bind(1, fold)
                    .run();
                Statement(db(),
                          "DELETE FROM keys WHERE path_fold = ?1"
                          " OR (path_fold >= ?1 || '\\' AND path_fold < ?1 || ']')")
                    .bind(1, fold)
                    .run();
                return sqlite3_changes(db()) > 0;
            });
        });
    }

private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };

    sqlite3* db() const { return db_.get(); }

    [[noreturn]] void fail(const std::string& message) const {
        throw ERegistryException("Хранилище реестра " + path_.string() + ": " + message);
    }

    // Runs body under the connection's mutex; store failures name the store file.
    template <class Body>
    std::invoke_result_t<Body> locked(Body body) {
        std::lock_guard lock(mutex_);
        return guarded(body);
    }

    template <class Body>
    std::invoke_result_t<Body> guarded(Body body) {
        try {
            return body();
        } catch (const ERegistryException& error) {
            fail(error.what());
        }
    }

    // Runs body as one write transaction; body says what to report.
    template <class Body>
    bool transaction(Body body) {
        Transaction transaction(db());
        const bool result = body();
        transaction.commit();
        return result;
    }

    // Processes that open a new store at the same moment race to switch it to WAL and to
    // create the tables; some of those steps report "busy" at once instead of waiting, so the
    // whole set-up is retried until the busy timeout.
    void initialise() {
        static constexpr const char* kSetUp =
            "PRAGMA journal_mode=WAL;"
            "BEGIN IMMEDIATE;"
            "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY,"
            " path_fold TEXT NOT NULL UNIQUE, parent_fold TEXT NOT NULL, name TEXT NOT NULL);"
            "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent_fold, id);"
            "CREATE TABLE IF NOT EXISTS key_values(id INTEGER PRIMARY KEY,"
            " key_fold TEXT NOT NULL, name_fold TEXT NOT NULL, name TEXT NOT NULL,"
            " type INTEGER NOT NULL, dword INTEGER, text TEXT, UNIQUE(key_fold, name_fold));"
            "COMMIT;";
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
        for (;;) {
            const int result = sqlite3_exec(db(), kSetUp, nullptr, nullptr, nullptr);
            if (result == SQLITE_OK)
                return;
            const std::string message = sqliteErrorText(db());
            if (sqlite3_get_autocommit(db()) == 0)
                sqlite3_exec(db(), "ROLLBACK", nullptr, nullptr, nullptr);
            if (result != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline)
                fail(message);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::vector<std::string> names(std::string_view sql, const std::string& fold) {
        return locked([&] {
            std::vector<std::string> result;
            Statement query(db(), sql);
            query.bind(1, fold);
            while (query.step())
                result.push_back(query.text(0));
            return result;
        });
    }

    fs::path path_;
    std::mutex mutex_;
    std::unique_ptr<sqlite3, Close> db_;
};

namespace {

std::shared_ptr<Registry::Store> storeFor(RootKey root) {
    // The user's store is private to the user; the machine's is shared by the station's users.
    const mode_t folderMode = root == RootKey::CurrentUser ? 0700 : 0777;
    return Registry::Store::forFile(Registry::storePath(root), folderMode);
}

}  // namespace

fs::path Registry::storePath(RootKey root) {
    if (root == RootKey::LocalMachine)
        return PathMap::root() / "registry" / "machine.db";
    return configHome() / "kvt" / "user-registry.db";
}

Registry::Registry(RootKey root) : root_(root), store_(storeFor(root)) {}

Registry::~Registry() = default;

void Registry::setRootKey(RootKey root) {
    store_ = storeFor(root);
    root_ = root;
    closeKey();
}

bool Registry::openKey(std::string_view key, bool canCreate) {
    const std::string path = absolute(key);
    if (canCreate) {
        try {
            store_->createKey(path);
        } catch (const ERegistryException&) {
            return false;
        }
    } else if (!store_->keyExists(lowerUtf8(path))) {
        return false;
    }
    currentPath_ = path;
    keyOpen_ = true;
    readOnly_ = false;
    return true;
}

bool Registry::openKeyReadOnly(std::string_view key) {
    if (!openKey(key, false))
        return false;
    readOnly_ = true;
    return true;
}

void Registry::closeKey() {
    currentPath_.clear();
    keyOpen_ = false;
    readOnly_ = false;
}

bool Registry::keyExists(std::string_view key) const {
    return store_->keyExists(lowerUtf8(absolute(key)));
}

bool Registry::valueExists(std::string_view name) const {
    return valueType(name) != RegValueType::None;
}

RegValueType Registry::valueType(std::string_view name) const {
    const auto value = store_->read(lowerUtf8(currentPath_), lowerUtf8(name));
    return value ? value->type : RegValueType::None;
}

std::vector<std::string> Registry::valueNames() const {
    return store_->valueNames(lowerUtf8(currentPath_));
}

std::vector<std::string> Registry::keyNames() const {
    return store_->keyNames(lowerUtf8(currentPath_));
}

namespace {

Value typedValue(std::optional<Value> value, RegValueType type, std::string_view name) {
    if (!value)
        throw ERegistryException(getFailure(name));
    if (value->type != type)
        throw ERegistryException("Неверный тип данных для " + quoted(name));
    return std::move(*value);
}

// Whatever stops a write, the caller sees the registry class's one message for it.
void storeValue(Registry::Store& store, const std::string& keyFold, std::string_view name,
                const Value& value) {
    bool written = false;
    try {
        written = store.writeValue(keyFold, name, value);
    } catch (const ERegistryException&) {
    }
    if (!written)
        throw ERegistryException(setFailure(name));
}

}  // namespace

std::int32_t Registry::readInteger(std::string_view name) const {
    return typedValue(store_->read(lowerUtf8(currentPath_), lowerUtf8(name)), RegValueType::DWord,
                      name)
        .dword;
}

std::string Registry::readString(std::string_view name) const {
    return typedValue(store_->read(lowerUtf8(currentPath_), lowerUtf8(name)), RegValueType::String,
                      name)
        .text;
}

bool Registry::readBool(std::string_view name) const {
    return readInteger(name) != 0;
}

void Registry::writeInteger(std::string_view name, std::int32_t value) {
    requireWritable(setFailure(name));
    storeValue(*store_, lowerUtf8(currentPath_), name, Value{RegValueType::DWord, value, {}});
}

void Registry::writeString(std::string_view name, std::string_view value) {
    requireWritable(setFailure(name));
    storeValue(*store_, lowerUtf8(currentPath_), name,
               Value{RegValueType::String, 0, std::string(value)});
}

void Registry::writeBool(std::string_view name, bool value) {
    writeInteger(name, value ? 1 : 0);
}

bool Registry::deleteValue(std::string_view name) {
    requireWritable("Ошибка удаления значения " + quoted(name));
    return store_->deleteValue(lowerUtf8(currentPath_), lowerUtf8(name));
}

bool Registry::deleteKey(std::string_view key) {
    const std::string path = absolute(key);
    // The root is not a key of its own and cannot go.
    return !path.empty() && store_->deleteKey(lowerUtf8(path));
}

std::string Registry::absolute(std::string_view key) const {
    if (key.starts_with('\\'))
        return normalizedPath(key);
    return normalizedPath(currentPath_ + "\\" + std::string(key));
}

void Registry::requireWritable(const std::string& failure) const {
    if (keyOpen_ && readOnly_)
        throw ERegistryException(failure);
}

}  // namespace kvt::platform
