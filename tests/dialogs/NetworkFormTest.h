#pragma once
// What the tests of the station-network dialogs share: a test root with an office table, the
// error box as event lines, and a report request that records its parameters and can fail.
#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/OfficeDB.h"
#include "dialogs/ReportRequest.h"
#include "dialogs/SmenaListForm.h"
#include "host/kit/HostEvents.h"
#include "host/kit/HostServices.h"
#include "platform/PathMap.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::dialogs::test {

// Where the office table of the test's own root lies.
inline std::filesystem::path officeTable() {
    return platform::PathMap::toLocal(std::string(data::kOfficeTablePath));
}

class NetworkFormTest : public kvt::test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        std::filesystem::create_directories(officeTable().parent_path());
        services_ = std::make_unique<host::HostServices>(
            [this](const std::string& line) { errors.push_back(line); });
    }
    void TearDown() override {
        services_.reset();
        FreshRoot::TearDown();
    }

    static void writeStations(data::ParadoxType numbers,
                              const std::vector<std::vector<Variant>>& rows) {
        data::writeParadoxTable(
            officeTable(),
            {{.name = "KVTNumber", .type = numbers, .length = 0},
             {.name = "KVTName", .type = data::ParadoxType::Alpha, .length = 40}},
            rows);
    }

    RequestReport recorder() {
        return [this](const Variant& params) {
            requests.push_back(params.canonical());
            if (failure)
                throw std::runtime_error(failure);
        };
    }

    // The form asks for a report, then for one that fails, and is still open after both.
    template <class Form, class Button>
    void expectOpenAfterReports(Button Form::*produce, Button Form::*close) {
        Form form(recorder());
        QTimer::singleShot(0, &form, [this, &form, produce, close] {
            (form.*produce).click();
            failure = "Отчет не построен";
            (form.*produce).click();
            EXPECT_TRUE(form.isVisible());
            (form.*close).click();
        });
        EXPECT_EQ(form.exec(), kResultCancel);
        EXPECT_EQ(requests.size(), 2u);
        EXPECT_EQ(errors, std::vector<std::string>{host::event::error("Отчет не построен")});
    }

    // The error box's messages as event lines (host::event::error).
    std::vector<std::string> errors;
    std::vector<std::string> requests;
    const char* failure = nullptr;

private:
    std::unique_ptr<host::HostServices> services_;
};

}  // namespace kvt::dialogs::test
