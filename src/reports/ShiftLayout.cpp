#include "reports/ShiftLayout.h"

#include <vector>

#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "settings/SettingsCatalogue.h"
#include "settings/TemplatePath.h"

namespace kvt::reports {

namespace {

struct LayoutRow {
    std::int32_t position;
    std::int32_t section;
    std::string path;
};

// The positions decide the order; among equal positions the order is the one this selection
// produces (the first smallest is taken, and a swap moves the row it displaces), which is the
// order the host has always been given.
void sortByPosition(std::vector<LayoutRow>& rows) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::size_t smallest = k;
        for (std::size_t i = k + 1; i < rows.size(); ++i)
            if (rows[i].position < rows[smallest].position)
                smallest = i;
        if (smallest != k)
            std::swap(rows[k], rows[smallest]);
    }
}

Variant layoutArray(const std::vector<LayoutRow>& rows) {
    std::vector<Variant> elements;
    elements.reserve(rows.size() * 3 + 1);
    for (const LayoutRow& row : rows) {
        elements.emplace_back(row.position);
        elements.emplace_back(row.section);
        elements.emplace_back(row.path);
    }
    elements.emplace_back();
    return Variant::list(std::move(elements));
}

}  // namespace

std::string AbsoluteTemplatePath(std::string_view path, std::string_view folder) {
    if (path.empty())
        return {};
    if (!settings::HasTemplateFolder(path))
        return std::string(folder) + std::string(path);
    return settings::ServerTemplatePath(path);
}

ShiftLayout ReadShiftLayout() {
    using namespace settings;
    TSafeIniFile ini(ConfigFileName());
    const std::string section(kSmenaRepSection);
    std::vector<LayoutRow> rows;
    for (int group = 0; group < static_cast<int>(kShiftReportGroups.size()); ++group) {
        for (int row = 0; ini.ValueExists(section, ShiftRowKey(group, row)); ++row) {
            const std::int32_t position = ini.ReadInteger(section, ShiftRowKey(group, row), 1);
            if (position <= 0)
                continue;
            rows.push_back(
                {position, group,
                 AbsoluteTemplatePath(ini.ReadString(section, ShiftRowPathKey(group, row), ""),
                                      kOldTemplateFolder)});
            rows.push_back(
                {position, kNewFormatSection + group,
                 AbsoluteTemplatePath(ini.ReadString(section, ShiftRowWebPathKey(group, row), ""),
                                      kNewTemplateFolder)});
        }
    }
    sortByPosition(rows);
    return ShiftLayout{layoutArray(rows), ini.ReadInteger(section, std::string(kRoundRVal.key), 0),
                       ini.ReadInteger(section, std::string(kSiloReportSortField.key),
                                       kSiloReportSortField.defaultValue)};
}

}  // namespace kvt::reports
