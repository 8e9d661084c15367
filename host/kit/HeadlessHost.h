#pragma once
// A station console without a window, for integrators and tests: the main menu kept in memory
// with the console's own menus, the host values of HostValues, the desktop services (the
// vedFilter changes of the plug-in's server among them) and every GetReport_ call reported as
// event lines (host/kit/HostEvents.h). GetReport_ is answered by StationReports over the station
// database the plug-in's in-process server reads (KVT_STATION_DB, else
// $KVT_ROOT/station/station.db); the current shift is host value 12, or the latest shift of the
// log while that is 0. The host callbacks are plain functions, so one HeadlessHost exists at a
// time.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "host/kit/HostEvents.h"
#include "host/kit/HostServices.h"
#include "host/kit/HostValues.h"
#include "host/kit/MemoryMenu.h"
#include "host/kit/PluginLibrary.h"
#include "host/reports/StationReports.h"

namespace kvt::host {

class HeadlessHost {
public:
    // Builds the console's menus: "&Файл", "&Журналы" (with the console's "Экспорт журнала по
    // резервуарам" and the separator "VedSep"), "&Ведомости", "&Настройка", "&Справка".
    // Needs the application object; throws std::logic_error while another one exists.
    HeadlessHost(HostValues values, EventSink sink);
    ~HeadlessHost();
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    MemoryMenuItem& menu() { return root_; }

    // InitReportMenu, SetGetValue and SetNewUserPriv, in this order. As a console does, an
    // error of one call is reported and the next call made. The plug-in's menu entries refer
    // to its code: unload it only after this host is gone.
    void connect(const PluginLibrary& plugin);

    // From now on every report the console produces is also written into `folder` (created if
    // needed), in code page 1251 as the station keeps reports: "01-report45.txt" for the old
    // format, "02-report55.html" for report 55, numbered in the order asked.
    void saveReportsTo(std::filesystem::path folder);

    // Clicks the entry from the application's event loop, as the operator does, and returns
    // when the click has run; an error that reaches the host is reported.
    void click(MemoryMenuItem& entry);

private:
    static HeadlessHost& current();
    static void getReport(std::string& text, std::int32_t reportNo, Variant params);
    static void getHostValue(Variant& result, std::int32_t code);
    static void getValue(Variant& result, std::int32_t code, std::int32_t argument);
    void reportingErrors(const std::function<void()>& call);

    void saveReport(std::int32_t reportNo, const std::string& text);

    HostValues values_;
    std::filesystem::path reportFolder_;
    int reportsSaved_ = 0;
    EventSink sink_;
    MemoryMenuItem root_;
    HostServices services_;
    StationReports reports_;

    static HeadlessHost* current_;
};

}  // namespace kvt::host
