// kvt-ini: reads and writes the station's INI files (cnf.INI) under the same cross-process lock
// and in the same long-value form as the station software, so that administrators and scripts
// can change settings while the station runs.

#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "infra/SafeIniFiles.h"

namespace {

constexpr std::string_view kUsage =
    "использование: kvt-ini [--plain] FILE get SECTION KEY [DEFAULT]\n"
    "               kvt-ini [--plain] FILE set SECTION KEY VALUE   (VALUE -: стандартный ввод)\n"
    "               kvt-ini [--plain] FILE delete SECTION KEY\n"
    "               kvt-ini FILE erase SECTION\n"
    "               kvt-ini FILE sections\n"
    "               kvt-ini FILE keys SECTION\n"
    "FILE — локальный путь или путь станции, например C:\\WINDOWS\\cnf.INI.\n"
    "--plain держит значения в одной строке, без сопутствующих ключей длинных значений.";

void requireArguments(const std::vector<std::string>& args, std::size_t least, std::size_t most) {
    if (args.size() < least || args.size() > most)
        throw kvt::cli::UsageError("неверное число аргументов команды " + args[1]);
}

void printLines(const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        std::cout << line << '\n';
}

int runCommand(std::vector<std::string>& args) {
    const bool plain = kvt::cli::takeFlag(args, "--plain");
    if (args.size() < 2)
        throw kvt::cli::UsageError("не указаны FILE и команда");
    // The file name goes on as given: a station path keeps its spelling, so that the lock is the
    // one the station software takes for the same file.
    kvt::TSafeIniFile file(args[0]);
    file.PlainMode = plain;
    const std::string& command = args[1];
    if (command == "get") {
        requireArguments(args, 4, 5);
        std::cout << file.ReadString(args[2], args[3], args.size() > 4 ? args[4] : "") << '\n';
    } else if (command == "set") {
        requireArguments(args, 5, 5);
        const std::string value = args[4] == "-" ? kvt::cli::readStandardInput() : args[4];
        file.WriteString(args[2], args[3], value);
    } else if (command == "delete") {
        requireArguments(args, 4, 4);
        file.DeleteKey(args[2], args[3]);
    } else if (command == "erase") {
        requireArguments(args, 3, 3);
        file.EraseSection(args[2]);
    } else if (command == "sections") {
        requireArguments(args, 2, 2);
        std::vector<std::string> names;
        file.ReadSections(names);
        printLines(names);
    } else if (command == "keys") {
        requireArguments(args, 3, 3);
        std::vector<std::string> names;
        file.ReadSection(args[2], names);
        printLines(names);
    } else {
        throw kvt::cli::UsageError("неизвестная команда " + command);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, kUsage, runCommand);
}
