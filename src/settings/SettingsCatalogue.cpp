#include "settings/SettingsCatalogue.h"

namespace kvt::settings {

namespace {

std::string rowKey(std::string_view prefix, int group, int row) {
    return std::string(prefix) + std::to_string(group) + "_" + std::to_string(row);
}

}  // namespace

std::string ShiftRowKey(int group, int row) {
    return rowKey("Rep", group, row);
}

std::string ShiftRowPathKey(int group, int row) {
    return rowKey("RepPath", group, row);
}

std::string ShiftRowWebPathKey(int group, int row) {
    return rowKey("WebRepPath", group, row);
}

std::string PayTypeValueName(std::int32_t code) {
    return std::string(kPayTypePrefix) + std::to_string(code);
}

}  // namespace kvt::settings
