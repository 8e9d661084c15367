#pragma once
// The console's demo report templates (host/templates) for tests, laid out as scripts/demo.sh
// lays them for the demo station.
#include <string>
#include <utility>
#include <vector>

namespace kvt::test {

// A template on the station's drive at a Windows path, kept in CP1251 as the station keeps them.
void writeTemplate(const std::string& windowsPath, const std::string& text);

// Copies host/templates/REPORT and WEBREP into $KVT_ROOT/drive_c/VEDA/FORMS/REPORT and WEBREP,
// converted to CP1251 as the station keeps them.
void layDemoTemplates();

// The cnf.INI "SmenaRep" rows that scripts/demo.sh writes for the demo
// (host/templates/SmenaRep-demo.txt), in file order.
std::vector<std::pair<std::string, std::string>> demoTemplateRows();

}  // namespace kvt::test
