// kvt-log: writes lines to a station event log as the plug-in and the station software do,
// sharing their cross-process lock, line format and trimming.

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "infra/DateTime.h"
#include "infra/RVKLogger.h"
#include "platform/PathMap.h"

namespace {

constexpr std::string_view Usage =
    "использование: kvt-log FILE [--tag TEXT] [--level N] [--max-size BYTES] [--keep-days D]\n"
    "                       [--rotate] [--max-backups N] [--pid] [--tid] [--create-folder]\n"
    "                       MESSAGE...\n"
    "  Пишет по строке на каждый MESSAGE; при '-' как единственном сообщении — по строке на\n"
    "  каждую строку стандартного ввода. Уровень от 0 до 7 (по умолчанию 1). --rotate хранит\n"
    "  нумерованные резервные копии вместо обрезки начала файла. --create-folder создает\n"
    "  папку лога, если при записи строки ее нет.";

struct Options {
    std::string file;
    std::vector<std::string> messages;
    std::string tag;
    std::int64_t level = 1;
    std::optional<std::int64_t> maxSize;
    double keepDays = 0;
    bool rotate = false;
    std::optional<std::int64_t> maxBackups;
    bool processId = false;
    bool threadId = false;
    bool createFolder = false;
};

std::optional<std::int64_t> integerOption(std::vector<std::string>& args, std::string_view name) {
    std::string text;
    if (!kvt::cli::takeOption(args, name, text))
        return std::nullopt;
    std::int64_t value = 0;
    if (!kvt::TryStrToInt64(text, value) || value < 0)
        throw kvt::cli::UsageError("неверное число для " + std::string(name) + ": " + text);
    return value;
}

double daysOption(std::vector<std::string>& args) {
    std::string text;
    if (!kvt::cli::takeOption(args, "--keep-days", text))
        return 0;
    double value = 0;
    if (!kvt::TryStrToFloat(text, value, kvt::LogFormatSettings()))
        throw kvt::cli::UsageError("неверное число дней: " + text);
    return value;
}

Options parse(std::vector<std::string>& args) {
    Options options;
    kvt::cli::takeOption(args, "--tag", options.tag);
    options.level = integerOption(args, "--level").value_or(options.level);
    if (options.level > 255)
        throw kvt::cli::UsageError("уровень вне диапазона от 0 до 255: " +
                                   std::to_string(options.level));
    options.maxSize = integerOption(args, "--max-size");
    options.keepDays = daysOption(args);
    options.rotate = kvt::cli::takeFlag(args, "--rotate");
    options.maxBackups = integerOption(args, "--max-backups");
    options.processId = kvt::cli::takeFlag(args, "--pid");
    options.threadId = kvt::cli::takeFlag(args, "--tid");
    options.createFolder = kvt::cli::takeFlag(args, "--create-folder");
    if (args.size() < 2)
        throw kvt::cli::UsageError("нужны файл и хотя бы одно сообщение");
    options.file = args.front();
    options.messages.assign(args.begin() + 1, args.end());
    return options;
}

// A station path stays as given, so that the lock is the one the station software takes for
// the same file; a local path is made absolute, as a bare name would otherwise land next to
// this program.
std::string logFileName(const std::string& argument) {
    if (kvt::platform::PathMap::isWindowsPath(argument))
        return argument;
    return std::filesystem::absolute(argument).string();
}

void configure(kvt::TRVKLogger& logger, const Options& options) {
    if (!options.tag.empty())
        logger.SetTag(options.tag);
    logger.MaxSize = options.maxSize.value_or(logger.MaxSize);
    logger.KeepDays = options.keepDays;
    logger.TruncateInPlace = !options.rotate;
    logger.MaxBackups = static_cast<int>(options.maxBackups.value_or(logger.MaxBackups));
    logger.ShowProcessId = options.processId;
    logger.ShowThreadId = options.threadId;
    logger.CreateFolder = options.createFolder;
}

int writeLog(std::vector<std::string>& args) {
    const Options options = parse(args);
    kvt::TRVKLogger logger(logFileName(options.file));
    configure(logger, options);
    std::vector<std::string> failures;
    logger.OnWriteError = [&failures](const std::string& failure) { failures.push_back(failure); };

    const auto level = static_cast<std::uint8_t>(options.level);
    if (options.messages.size() == 1 && options.messages.front() == "-") {
        for (std::string line; std::getline(std::cin, line);)
            logger.Log(line, level);
    } else {
        for (const auto& message : options.messages)
            logger.Log(message, level);
    }
    for (const auto& failure : failures)
        std::cerr << failure << "\n";
    return failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, Usage, writeLog);
}
