#pragma once
// What the current operator may use: the rules that enable, show and hide report entries and
// the host's own entries that go with them.
#include <cstdint>
#include <functional>

#include "kvtreports/Host.h"

namespace kvt::plugin {

struct UserRights {
    bool StatementsEnabled = false;
    bool UserLevel3 = false;
    bool ShowDaySmenaFin = false;
    // A host value as a boolean, asked afresh at each use.
    std::function<bool(std::int32_t code)> hostFlag;
};

// Applies the rules to the children of the main menu root and to the children of its
// "&Журналы/Отчеты" and "&Настройка" menus; the first rule that matches an entry applies.
void ApplyUserRights(KvtMenuItem& root, const UserRights& rights);

}  // namespace kvt::plugin
