#include "host/station/HostCallbacks.h"

#include <stdexcept>

namespace kvt::station {

namespace {

StationHost* gHost = nullptr;

StationHost& installedHost() {
    if (gHost == nullptr)
        throw std::logic_error("Обратный вызов консоли пришел, когда консоль не работает");
    return *gHost;
}

}  // namespace

InstalledHost::InstalledHost(StationHost& host) : previous_(gHost) {
    gHost = &host;
}

InstalledHost::~InstalledHost() {
    gHost = previous_;
}

void getReport(std::string& text, std::int32_t reportNo, Variant params) {
    text = installedHost().produceReport(reportNo, params);
}

void getHostValue(Variant& result, std::int32_t code) {
    result = installedHost().hostValue(code);
}

void getValue(Variant& result, std::int32_t code, std::int32_t argument) {
    result = installedHost().value(code, argument);
}

}  // namespace kvt::station
