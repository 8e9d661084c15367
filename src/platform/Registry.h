#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Exception.h"

namespace kvt::platform {

// A registry operation failed: a missing value, a value of another type, a store that cannot
// be opened. Messages follow the platform's registry class in its Russian edition ("Ошибка
// получения данных для '%s'", "Неверный тип данных для '%s'", "Ошибка установки данных для
// '%s'").
class ERegistryException : public ExceptionOf<ERegistryException> {
public:
    using ExceptionOf::ExceptionOf;
};

enum class RootKey { LocalMachine, CurrentUser };

enum class RegValueType { None, DWord, String };

// The registry of the station software, kept in SQLite: the local-machine store is
// $KVT_ROOT/registry/machine.db, the current user's $XDG_CONFIG_HOME/kvt/user-registry.db.
// Key paths use backslashes ("SOFTWARE\Nordvik\KVT\Reports"); key and value names are
// case-insensitive (Cyrillic included) and keep the spelling they were created with. Values are
// typed, and reading a value as another type throws, as the Windows registry class does.
// Several processes may use one store at once; every write is its own transaction.
class Registry {
public:
    explicit Registry(RootKey root = RootKey::CurrentUser);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The file that holds a root's keys, from the environment at the time of the call.
    static std::filesystem::path storePath(RootKey root);

    RootKey rootKey() const { return root_; }
    // Changes the root and closes the current key.
    void setRootKey(RootKey root);

    // Opens a key, relative to the current key unless it begins with a backslash; with
    // canCreate a missing key (and its parents) is created. False when the key does not exist
    // and may not be created.
    bool openKey(std::string_view key, bool canCreate);
    bool openKeyReadOnly(std::string_view key);
    void closeKey();
    // The current key's path, without a leading backslash; empty at the root.
    const std::string& currentPath() const { return currentPath_; }

    bool keyExists(std::string_view key) const;
    bool valueExists(std::string_view name) const;
    RegValueType valueType(std::string_view name) const;
    // Names of the current key's values and subkeys, in the order they were first created.
    std::vector<std::string> valueNames() const;
    std::vector<std::string> keyNames() const;

    std::int32_t readInteger(std::string_view name) const;
    void writeInteger(std::string_view name, std::int32_t value);
    std::string readString(std::string_view name) const;
    void writeString(std::string_view name, std::string_view value);
    // A DWORD read as non-zero.
    bool readBool(std::string_view name) const;
    void writeBool(std::string_view name, bool value);

    // True when the value existed. A key opened read-only refuses it with an exception.
    bool deleteValue(std::string_view name);
    // Deletes a key with its subkeys and values; true when it existed.
    bool deleteKey(std::string_view key);

    class Store;

private:
    std::string absolute(std::string_view key) const;
    // Throws `failure` when the current key was opened read-only.
    void requireWritable(const std::string& failure) const;

    RootKey root_;
    std::shared_ptr<Store> store_;
    std::string currentPath_;
    bool keyOpen_ = false;
    bool readOnly_ = false;
};

}  // namespace kvt::platform
