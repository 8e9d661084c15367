#include "cli/Cli.h"

#include <algorithm>
#include <clocale>
#include <iostream>
#include <iterator>
#include <sstream>

#include "platform/PathMap.h"
#include "platform/StationFolders.h"

namespace kvt::cli {

namespace {

// The system's own texts of its errors (strerror) in the administrator's language, as the
// console has them; numbers and everything else stay in the C locale the tools print in.
void useSystemLanguageForMessages() {
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
}

// A folder that cannot be made is told, and the tool still does what it can without it.
void prepareStationFolders() {
    try {
        platform::makeStationFolders();
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
    }
}

}  // namespace

int run(int argc, char** argv, std::string_view usage,
        const std::function<int(std::vector<std::string>&)>& body) {
    std::vector<std::string> args(argv + 1, argv + argc);
    useSystemLanguageForMessages();
    prepareStationFolders();
    try {
        return body(args);
    } catch (const UsageError& error) {
        std::cerr << error.what() << "\n" << usage << std::endl;
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
    }
    return 1;
}

bool takeFlag(std::vector<std::string>& args, std::string_view name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

bool takeOption(std::vector<std::string>& args, std::string_view name, std::string& value) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    if (std::next(it) == args.end())
        throw UsageError("нет значения после " + std::string(name));
    value = *std::next(it);
    args.erase(it, it + 2);
    return true;
}

std::filesystem::path localPath(std::string_view argument) {
    return platform::PathMap::resolve(argument);
}

std::string readStandardInput() {
    std::ostringstream text;
    text << std::cin.rdbuf();
    return text.str();
}

}  // namespace kvt::cli
