#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Exception.h"

namespace kvt::cli {

// Wrong arguments; the message is followed by the tool's usage text.
class UsageError : public ExceptionOf<UsageError> {
public:
    using ExceptionOf::ExceptionOf;
};

// Runs a tool's body with its arguments (without the program name), after making the station
// root's fixed folders (platform/StationFolders.h; a folder that cannot be made is told on
// standard error and the body runs all the same). Any exception is printed on standard error as
// the message alone (a UsageError with the usage text after it), and the exit code is then 1.
// The body returns the exit code of a normal end.
int run(int argc, char** argv, std::string_view usage,
        const std::function<int(std::vector<std::string>&)>& body);

// Takes the option `name` (a flag) out of args; true when it was there.
bool takeFlag(std::vector<std::string>& args, std::string_view name);
// Takes `name VALUE` out of args; empty optional-like result as false when absent.
bool takeOption(std::vector<std::string>& args, std::string_view name, std::string& value);

// A path given on the command line: a drive-letter path is a Windows path of the station and
// goes through the drive mapping; anything else is a local path.
std::filesystem::path localPath(std::string_view argument);

// Standard input to its end.
std::string readStandardInput();

}  // namespace kvt::cli
