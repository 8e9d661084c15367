#pragma once

// A fresh station root with a demo station database generated into it.

#include <filesystem>
#include <string>
#include <vector>

#include "appserver/DemoData.h"
#include "appserver/StationServer.h"
#include "support/TestRoot.h"

namespace kvt::test {

class StationTest : public FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        database_ = base() / "station.db";
        appserver::writeDemoDatabase(database_);
    }

    const std::filesystem::path& database() const { return database_; }

    // Every record of a provider call.
    static std::vector<appserver::Row> records(appserver::AppServer& server,
                                               const std::string& provider,
                                               const appserver::ProviderRequest& request = {}) {
        return appserver::fetchRows(*server.openProvider(provider, request), -1);
    }

    // One column of every record.
    static std::vector<Variant> column(const std::vector<appserver::Row>& rows, std::size_t index) {
        std::vector<Variant> values;
        for (const auto& row : rows)
            values.push_back(row.at(index));
        return values;
    }

private:
    std::filesystem::path database_;
};

}  // namespace kvt::test
