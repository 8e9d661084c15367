#pragma once
// The station's goods module (libVovev7.so, "C:\VEDA\Vovev7.dll" on the station) knows the
// current department. The reports ask it only when the console has already loaded it; they never
// load it themselves. Its entry point, for the module's implementers:
//   extern "C" void GetCurrentDepartmentPath(std::string& path);
#include <string>

namespace kvt::reports {

inline constexpr const char* kGoodsModule = "C:\\VEDA\\Vovev7.dll";

// The current department's path, or empty when the module is not loaded or lacks the entry
// point.
std::string GetCurrentDepartmentPath();

}  // namespace kvt::reports
