// kvt-reg: reads and changes the station registry from the command line.

#include <charconv>
#include <cstdint>
#include <iostream>
#include <limits>

#include "cli/Cli.h"
#include "platform/Registry.h"

namespace {

using kvt::cli::UsageError;
using kvt::platform::Registry;
using kvt::platform::RegValueType;
using kvt::platform::RootKey;

constexpr std::string_view kUsage = R"(использование:
  kvt-reg [--user] list KEY
  kvt-reg [--user] get KEY NAME
  kvt-reg [--user] set KEY NAME (--dword N | --string TEXT)
  kvt-reg [--user] delete KEY NAME

Реестр локального компьютера, а с --user — текущего пользователя. KEY — путь вида
"SOFTWARE\Nordvik\KVT\Reports\CardRep"; "" — корень. NAME "" — значение ключа по умолчанию.

list  печатает по строке "[SUBKEY]" на каждый подключ, затем по строке на каждое значение:
      "NAME<TAB>REG_DWORD<TAB>N" или "NAME<TAB>REG_SZ<TAB>TEXT", и те и другие в порядке
      создания. Тексты печатаются так, как хранятся.
get   печатает значение и перевод строки; DWORD — десятичным числом со знаком.
set   создает ключ и его родителей, если их нет; N — десятичное, от -2147483648 до 4294967295.
delete удаляет одно значение.)";

void expectArguments(const std::vector<std::string>& args, std::size_t count) {
    if (args.size() != count)
        throw UsageError("неверное число аргументов команды " + args.front());
}

std::runtime_error missingKey(const std::string& key) {
    return std::runtime_error("Раздел реестра '" + key + "' не существует");
}

void openExisting(Registry& registry, const std::string& key, bool readOnly) {
    const bool opened = readOnly ? registry.openKeyReadOnly(key) : registry.openKey(key, false);
    if (!opened)
        throw missingKey(key);
}

std::int32_t parseDword(const std::string& text) {
    std::int64_t number = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || stop != end || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::uint32_t>::max())
        throw UsageError("не значение DWORD: " + text);
    // Values above 2^31 - 1 are the same 32 bits as the negative numbers they print as.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

void list(Registry& registry, const std::string& key) {
    openExisting(registry, key, true);
    for (const auto& name : registry.keyNames())
        std::cout << '[' << name << "]\n";
    for (const auto& name : registry.valueNames()) {
        if (registry.valueType(name) == RegValueType::DWord)
            std::cout << name << "\tREG_DWORD\t" << registry.readInteger(name) << '\n';
        else
            std::cout << name << "\tREG_SZ\t" << registry.readString(name) << '\n';
    }
}

void get(Registry& registry, const std::string& key, const std::string& name) {
    openExisting(registry, key, true);
    if (registry.valueType(name) == RegValueType::DWord)
        std::cout << registry.readInteger(name) << '\n';
    else
        std::cout << registry.readString(name) << '\n';
}

void set(Registry& registry, std::vector<std::string>& args) {
    std::string dword;
    std::string text;
    const bool isDword = kvt::cli::takeOption(args, "--dword", dword);
    const bool isString = kvt::cli::takeOption(args, "--string", text);
    if (isDword == isString)
        throw UsageError("команде set нужен ровно один из параметров --dword и --string");
    expectArguments(args, 3);
    const std::string& key = args[1];
    const std::string& name = args[2];
    if (!registry.openKey(key, true))
        throw std::runtime_error("Раздел реестра '" + key + "' не удалось создать");
    if (isDword)
        registry.writeInteger(name, parseDword(dword));
    else
        registry.writeString(name, text);
}

void remove(Registry& registry, const std::string& key, const std::string& name) {
    openExisting(registry, key, false);
    if (!registry.deleteValue(name))
        throw std::runtime_error("Значения '" + name + "' нет в разделе реестра '" + key + "'");
}

int body(std::vector<std::string>& args) {
    const RootKey root =
        kvt::cli::takeFlag(args, "--user") ? RootKey::CurrentUser : RootKey::LocalMachine;
    if (args.empty())
        throw UsageError("не указана команда");
    const std::string& command = args.front();
    Registry registry(root);
    if (command == "set") {
        set(registry, args);
    } else if (command == "list") {
        expectArguments(args, 2);
        list(registry, args[1]);
    } else if (command == "get") {
        expectArguments(args, 3);
        get(registry, args[1], args[2]);
    } else if (command == "delete") {
        expectArguments(args, 3);
        remove(registry, args[1], args[2]);
    } else {
        throw UsageError("неизвестная команда: " + command);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, kUsage, body);
}
