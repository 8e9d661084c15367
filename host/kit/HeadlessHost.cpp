#include "host/kit/HeadlessHost.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "appserver/StationServer.h"
#include "platform/CodePage.h"

namespace kvt::host {

namespace {

constexpr std::int32_t kPayTypeListCode = 57;
constexpr std::int32_t kCurrentShiftCode = 12;

}  // namespace

HeadlessHost* HeadlessHost::current_ = nullptr;

HeadlessHost::HeadlessHost(HostValues values, EventSink sink)
    : values_(std::move(values)),
      sink_(std::move(sink)),
      services_(sink_),
      reports_(appserver::defaultStationDatabase, [this]() -> std::optional<std::int32_t> {
          const std::int32_t current = values_.value(kCurrentShiftCode).toInt();
          return current > 0 ? std::optional(current) : std::nullopt;
      }) {
    if (current_ != nullptr)
        throw std::logic_error("Одновременно может работать только одна консоль без окна");
    addStationMenus(root_);
    current_ = this;
}

HeadlessHost::~HeadlessHost() {
    current_ = nullptr;
}

HeadlessHost& HeadlessHost::current() {
    if (current_ == nullptr)
        throw std::logic_error("Отчетный модуль обратился к консоли, которой уже нет");
    return *current_;
}

void HeadlessHost::connect(const PluginLibrary& plugin) {
    reportingErrors([&] { plugin.InitReportMenu(0, &root_, addMemoryMenuItem, getReport); });
    reportingErrors([&] { plugin.SetGetValue(getValue); });
    reportingErrors([&] { plugin.SetNewUserPriv(&root_, getHostValue); });
}

// A loop of its own rather than the application's: QCoreApplication::exec would quit as soon as
// the last form of the click closes, ending the loops of the forms still to come.
void HeadlessHost::click(MemoryMenuItem& entry) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [this, &entry, &loop] {
        reportingErrors([&entry] { entry.click(); });
        loop.quit();
    });
    loop.exec();
}

void HeadlessHost::reportingErrors(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& error) {
        sink_(event::error(error.what()));
    } catch (...) {
        sink_(event::error("Неизвестная ошибка дошла до консоли"));
    }
}

void HeadlessHost::getReport(std::string& text, std::int32_t reportNo, Variant params) {
    HeadlessHost& host = current();
    host.sink_(event::getReport(reportNo, params));
    text = host.reports_.produce(reportNo, params);
    host.saveReport(reportNo, text);
}

void HeadlessHost::saveReportsTo(std::filesystem::path folder) {
    std::filesystem::create_directories(folder);
    reportFolder_ = std::move(folder);
}

void HeadlessHost::saveReport(std::int32_t reportNo, const std::string& text) {
    if (reportFolder_.empty())
        return;
    char name[40];
    std::snprintf(name, sizeof name, "%02d-report%d.%s", ++reportsSaved_, reportNo,
                  reportNo == kNewFormatReport ? "html" : "txt");
    const std::filesystem::path file = reportFolder_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << platform::utf8ToCp1251(text);
    out.close();
    if (!out)
        throw std::runtime_error("Не удалось записать файл отчета " + file.string());
}

void HeadlessHost::getHostValue(Variant& result, std::int32_t code) {
    result = current().values_.value(code);
}

void HeadlessHost::getValue(Variant& result, std::int32_t code, std::int32_t) {
    result = code == kPayTypeListCode ? current().values_.payTypeReference() : Variant();
}

}  // namespace kvt::host
