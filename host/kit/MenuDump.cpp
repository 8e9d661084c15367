#include "host/kit/MenuDump.h"

namespace kvt::host {

namespace {

void dumpItem(const KvtMenuItem& item, int depth, std::string& out) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += item.caption();
    if (!item.name().empty())
        out += " [" + item.name() + "]";
    if (!item.visible())
        out += " hidden";
    if (!item.enabled())
        out += " disabled";
    if (item.shortCut() != 0)
        out += " shortcut=" + std::to_string(item.shortCut());
    out += '\n';
    for (std::int32_t i = 0; i < item.count(); ++i)
        dumpItem(*item.item(i), depth + 1, out);
}

}  // namespace

std::string dumpMenu(const KvtMenuItem& root) {
    std::string out;
    for (std::int32_t i = 0; i < root.count(); ++i)
        dumpItem(*root.item(i), 0, out);
    return out;
}

}  // namespace kvt::host
