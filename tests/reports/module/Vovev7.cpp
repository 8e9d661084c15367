// A stand-in for the station's goods module.
#include <string>

#ifdef KVT_WITH_DEPARTMENT
extern "C" void GetCurrentDepartmentPath(std::string& path) {
    path = "Магазин\\Касса 1";
}
#endif
