#include "plugin/Privileges.h"

#include <string_view>
#include <vector>

#include "plugin/RepConsts.h"

namespace kvt::plugin {

namespace {

enum class Action {
    SetEnabled,  // enabled = condition, visibility unchanged
    EnableBy,    // enabled = condition, then visible = enabled
    Hide,        // invisible, enabled state unchanged
};

enum class Match { Caption, Name };

struct Rule {
    std::string_view menu;  // the root's own children when empty
    Match match;
    std::string_view text;
    Action action;
    std::function<bool(const UserRights&)> condition;
};

bool statements(const UserRights& rights) {
    return rights.StatementsEnabled;
}
bool settingsRight(const UserRights& rights) {
    return rights.hostFlag(HostCode::ReportSettingsRight);
}

const std::vector<Rule>& rules() {
    static const std::vector<Rule> table{
        {"", Match::Caption, kStatementsCaption, Action::SetEnabled, statements},
        {kReportMenuCaption, Match::Caption, kBonusCaption, Action::EnableBy,
         [](const UserRights& r) { return r.hostFlag(HostCode::BonusReports); }},
        {kReportMenuCaption, Match::Caption, kTerminalReturnsCaption, Action::EnableBy,
         [](const UserRights& r) {
             return r.hostFlag(HostCode::TerminalReturnsA) ||
                    r.hostFlag(HostCode::TerminalReturnsB);
         }},
        {kReportMenuCaption, Match::Caption, kStatementShiftCaption, Action::EnableBy, statements},
        {kReportMenuCaption, Match::Caption, kContractorShiftCaption, Action::EnableBy, statements},
        {kReportMenuCaption, Match::Caption, kStatementPeriodCaption, Action::EnableBy, statements},
        {kReportMenuCaption, Match::Caption, kContractorPeriodCaption, Action::EnableBy,
         statements},
        {kReportMenuCaption, Match::Caption, kCarPeriodCaption, Action::EnableBy, statements},
        {kReportMenuCaption, Match::Caption, kDriverPeriodCaption, Action::EnableBy, statements},
        {kReportMenuCaption, Match::Caption, kCurrentShiftCaption, Action::Hide, nullptr},
        {kReportMenuCaption, Match::Name, kHostStatementSeparatorName, Action::EnableBy,
         statements},
        {kReportMenuCaption, Match::Caption, kHostTankExportCaption, Action::EnableBy,
         settingsRight},
        {kReportMenuCaption, Match::Caption, kDiscountCardListCaption, Action::EnableBy,
         [](const UserRights& r) { return r.UserLevel3; }},
        {kReportMenuCaption, Match::Caption, kDaySmenaFinCaption, Action::EnableBy,
         [](const UserRights& r) { return r.UserLevel3 && r.ShowDaySmenaFin; }},
        {kSettingsMenuCaption, Match::Caption, kSettingsEntryCaption, Action::EnableBy,
         settingsRight},
    };
    return table;
}

bool matches(const Rule& rule, std::string_view menu, const KvtMenuItem& entry) {
    if (rule.menu != menu)
        return false;
    return rule.match == Match::Caption ? entry.caption() == rule.text : entry.name() == rule.text;
}

void apply(const Rule& rule, KvtMenuItem& entry, const UserRights& rights) {
    switch (rule.action) {
        case Action::SetEnabled:
            entry.setEnabled(rule.condition(rights));
            break;
        case Action::EnableBy:
            entry.setEnabled(rule.condition(rights));
            entry.setVisible(entry.enabled());
            break;
        case Action::Hide:
            entry.setVisible(false);
            break;
    }
}

void applyFirstMatch(std::string_view menu, KvtMenuItem& entry, const UserRights& rights) {
    for (const Rule& rule : rules())
        if (matches(rule, menu, entry)) {
            apply(rule, entry, rights);
            return;
        }
}

}  // namespace

void ApplyUserRights(KvtMenuItem& root, const UserRights& rights) {
    for (std::int32_t i = 0; i < root.count(); ++i) {
        KvtMenuItem& child = *root.item(i);
        applyFirstMatch("", child, rights);
        const std::string caption = child.caption();
        if (caption != kReportMenuCaption && caption != kSettingsMenuCaption)
            continue;
        for (std::int32_t j = 0; j < child.count(); ++j)
            applyFirstMatch(caption, *child.item(j), rights);
    }
}

}  // namespace kvt::plugin
