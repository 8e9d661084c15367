#pragma once
// The host callbacks handed to the plug-in. The exports take plain function pointers, so the
// callbacks reach the console through the one host installed at a time.
#include <cstdint>
#include <string>

#include "kvtreports/Host.h"

namespace kvt::station {

// What the callbacks ask of the console.
class StationHost {
public:
    virtual ~StationHost() = default;
    virtual std::string produceReport(std::int32_t reportNo, const Variant& params) = 0;
    virtual Variant hostValue(std::int32_t code) = 0;
    virtual Variant value(std::int32_t code, std::int32_t argument) = 0;
};

// Makes `host` the one the callbacks reach for as long as it lives; the host installed before
// comes back afterwards.
class InstalledHost {
public:
    explicit InstalledHost(StationHost& host);
    ~InstalledHost();
    InstalledHost(const InstalledHost&) = delete;
    InstalledHost& operator=(const InstalledHost&) = delete;

private:
    StationHost* previous_;
};

// The callbacks. Without an installed host they throw std::logic_error.
void getReport(std::string& text, std::int32_t reportNo, Variant params);
void getHostValue(Variant& result, std::int32_t code);
void getValue(Variant& result, std::int32_t code, std::int32_t argument);

}  // namespace kvt::station
