#pragma once
// A host for tests: the station menus in memory, scripted host values and payment types, and a
// record of every report request. Its callbacks are plain functions, as the host contract
// wants, so one TestHost at a time is the current host.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/kit/HostValues.h"
#include "host/kit/MemoryMenu.h"
#include "kvtreports/Host.h"

namespace kvt::test {

class TestHost {
public:
    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    struct ReportCall {
        std::int32_t reportNo;
        std::string params;  // canonical Variant text
    };

    host::MemoryMenuItem root;
    host::HostValues values;
    std::vector<ReportCall> reportCalls;
    // How many times each host value code was asked.
    std::map<std::int32_t, int> hostValueAsks;
    // Produces the text of a report; by default "Отчет N". May throw, as a host does.
    std::function<std::string(std::int32_t reportNo, const Variant& params)> produce;
    // Thrown by GetValue(57) when set.
    std::function<void()> payTypeListFailure;

    static KvtMenuItem* AddMenuItem(KvtMenuItem* parent, std::int32_t index);
    static void GetReport(std::string& text, std::int32_t reportNo, Variant params);
    static void GetHostValue(Variant& result, std::int32_t code);
    static void GetValue(Variant& result, std::int32_t code, std::int32_t argument);

    // The entry at a "/"-joined caption path; fails the test when missing.
    host::MemoryMenuItem& entry(const std::string& path);
    bool hasEntry(const std::string& path);
};

}  // namespace kvt::test
