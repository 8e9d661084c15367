#pragma once
// The plug-in's module loaded as the library would be, with a test host whose station menus
// are in memory, a recording beep and a station server of a given number of pumps.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

#include "appserver/AppServer.h"
#include "data/DBForm.h"
#include "infra/RVKLogger.h"
#include "platform/Beep.h"
#include "platform/CodePage.h"
#include "plugin/KVTRep.h"
#include "support/TestRoot.h"
#include "support/host/TestHost.h"

namespace kvt::test {

// A station server that only knows its configuration.
class ConfigOnlyServer : public appserver::AppServer {
public:
    explicit ConfigOnlyServer(Variant config) : config_(std::move(config)) {}
    std::unique_ptr<appserver::RecordCursor> openProvider(
        const std::string& provider, const appserver::ProviderRequest&) override {
        throw appserver::ServerError("Провайдер \"" + provider + "\" не найден");
    }
    Variant GetKVTConfig() override {
        if (config_.isNull())
            throw appserver::ServerError("Ошибка GetKVTConfig: станция не описана");
        return config_;
    }
    std::int32_t vedFilter() const override { return 0; }
    void setVedFilter(std::int32_t) override {}

private:
    Variant config_;
};

// A configuration with pumps named "1", "2", ...
inline Variant stationConfigWithPumps(int pumps) {
    std::vector<Variant> list;
    for (int i = 1; i <= pumps; ++i)
        list.push_back(Variant::list({Variant(std::to_string(i)), Variant(std::int32_t{i})}));
    return Variant::list({Variant("АЗС"), Variant(std::int32_t{7}), Variant::list({}),
                          Variant::list(std::move(list)), Variant::list({})});
}

class PluginTest : public FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        plugin::LoadModule();
        previousBeep_ = platform::setBeepService(beeps_);
        host_ = std::make_unique<TestHost>();
    }
    void TearDown() override {
        host_.reset();
        plugin::UnloadModule();
        platform::setBeepService(previousBeep_);
        FreshRoot::TearDown();
    }

    TestHost& host() { return *host_; }
    plugin::Module& module() { return plugin::module(); }

    void initMenu() {
        plugin::InitReportMenu(0, &host().root, TestHost::AddMenuItem, TestHost::GetReport);
    }
    // The station menus, the report menu, the station server, payment types and rights, in
    // the order a host calls them.
    void startHost(int pumps = 2) {
        host::addStationMenus(host().root);
        initMenu();
        useServerConfig(stationConfigWithPumps(pumps));
        plugin::SetGetValue(TestHost::GetValue);
        plugin::SetNewUserPriv(&host().root, TestHost::GetHostValue);
    }
    void useServerConfig(Variant config) {
        module().DBFrm->KVTServer.ServerFactory = [config] {
            return std::make_unique<ConfigOnlyServer>(config);
        };
    }
    std::vector<std::string> logLines() {
        const std::string text =
            platform::cp1251ToUtf8(readFile(driveC() / "VEDA" / "LogFiles" / "Reports.log"));
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end - start));
            start = end == std::string::npos ? text.size() : end + 2;
        }
        return lines;
    }
    std::vector<platform::RecordingBeep::Call> beeps() const { return beeps_->calls(); }

private:
    std::shared_ptr<platform::RecordingBeep> beeps_ = std::make_shared<platform::RecordingBeep>();
    std::shared_ptr<platform::BeepService> previousBeep_;
    std::unique_ptr<TestHost> host_;
};

}  // namespace kvt::test
