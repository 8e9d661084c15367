#include "support/host/TestHost.h"

#include <stdexcept>

namespace kvt::test {

namespace {

TestHost* gCurrent = nullptr;

TestHost& current() {
    if (gCurrent == nullptr)
        throw std::logic_error("No test host is current");
    return *gCurrent;
}

}  // namespace

TestHost::TestHost() {
    if (gCurrent != nullptr)
        throw std::logic_error("Only one test host at a time");
    gCurrent = this;
    produce = [](std::int32_t reportNo, const Variant&) {
        return "Отчет " + std::to_string(reportNo);
    };
}

TestHost::~TestHost() {
    gCurrent = nullptr;
}

KvtMenuItem* TestHost::AddMenuItem(KvtMenuItem* parent, std::int32_t index) {
    return host::addMemoryMenuItem(parent, index);
}

void TestHost::GetReport(std::string& text, std::int32_t reportNo, Variant params) {
    TestHost& host = current();
    host.reportCalls.push_back({reportNo, params.canonical()});
    text = host.produce(reportNo, params);
}

void TestHost::GetHostValue(Variant& result, std::int32_t code) {
    TestHost& host = current();
    ++host.hostValueAsks[code];
    result = host.values.value(code);
}

void TestHost::GetValue(Variant& result, std::int32_t code, std::int32_t argument) {
    TestHost& host = current();
    if (code != 57 || argument != 0)
        throw std::invalid_argument("GetValue asked for " + std::to_string(code));
    if (host.payTypeListFailure)
        host.payTypeListFailure();
    result = host.values.payTypeReference();
}

host::MemoryMenuItem& TestHost::entry(const std::string& path) {
    host::MemoryMenuItem* found = host::findMenuPath(root, path);
    if (found == nullptr)
        throw std::out_of_range("No menu entry \"" + path + "\"");
    return *found;
}

bool TestHost::hasEntry(const std::string& path) {
    return host::findMenuPath(root, path) != nullptr;
}

}  // namespace kvt::test
