#pragma once
// Template paths of the shift report as cnf.INI keeps them: a bare file name in its format's
// template folder, or a full path on the server's computer. Workplaces other than the server's
// own see the server's disk C: as their drive S:.
#include <string>
#include <string_view>

namespace kvt::settings {

bool HasTemplateFolder(std::string_view path);

// `text` with the first `from` (ASCII letters in any case) replaced by `to`.
std::string ReplaceFirstIgnoringCase(std::string_view text, std::string_view from,
                                     std::string_view to);

// A kept path as this workplace reaches the file: a bare name taken from `folder`, and at a
// workplace whose operator level is neither 0 nor 3 the first "C:\" read as "S:\". An empty path
// stays empty.
std::string WorkplaceTemplatePath(std::string_view path, std::string_view folder, int userLevel);
// A path as the server's computer names it: the first "S:\" read as "C:\".
std::string ServerTemplatePath(std::string_view path);

// The folder part with its closing backslash ("C:\VEDA\" of "C:\VEDA\x.frm"), and the rest.
std::string TemplateFolderOf(std::string_view path);
std::string TemplateFileName(std::string_view path);

// A file at the drive-letter path, through the drive mapping.
bool TemplateExists(std::string_view path);

}  // namespace kvt::settings
