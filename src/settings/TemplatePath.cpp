#include "settings/TemplatePath.h"

#include <filesystem>
#include <system_error>

#include "platform/PathMap.h"
#include "platform/Text.h"

namespace kvt::settings {

namespace {

constexpr std::string_view kFolderDelimiters = "\\:";

std::size_t nameStart(std::string_view path) {
    const auto last = path.find_last_of(kFolderDelimiters);
    return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

bool HasTemplateFolder(std::string_view path) {
    return path.find_first_of("\\/:") != std::string_view::npos;
}

std::string ReplaceFirstIgnoringCase(std::string_view text, std::string_view from,
                                     std::string_view to) {
    std::string result(text);
    const std::string lowered = platform::lowerUtf8(text);
    if (const auto at = lowered.find(platform::lowerUtf8(from)); at != std::string::npos)
        result.replace(at, from.size(), to);
    return result;
}

std::string WorkplaceTemplatePath(std::string_view path, std::string_view folder, int userLevel) {
    if (path.empty())
        return {};
    std::string reached =
        HasTemplateFolder(path) ? std::string(path) : std::string(folder) + std::string(path);
    if (userLevel != 0 && userLevel != 3)
        reached = ReplaceFirstIgnoringCase(reached, "C:\\", "S:\\");
    return reached;
}

std::string ServerTemplatePath(std::string_view path) {
    return ReplaceFirstIgnoringCase(path, "S:\\", "C:\\");
}

std::string TemplateFolderOf(std::string_view path) {
    return std::string(path.substr(0, nameStart(path)));
}

std::string TemplateFileName(std::string_view path) {
    return std::string(path.substr(nameStart(path)));
}

bool TemplateExists(std::string_view path) {
    std::error_code error;
    return std::filesystem::is_regular_file(platform::PathMap::resolve(path), error);
}

}  // namespace kvt::settings
