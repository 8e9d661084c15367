#pragma once

// An application server held in memory: providers are tables of rows, and the fake records what
// the clients asked for, so that tests can see packets, command texts and parameters.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "appserver/AppServer.h"
#include "appserver/RecordStore.h"

namespace kvt::test {

struct FakeTable {
    std::vector<appserver::FieldDef> fields;
    std::vector<appserver::Row> rows;
};

struct FakeLog {
    std::vector<int> fetches;  // maxRows of every fetch call
    std::vector<std::pair<std::string, appserver::ProviderRequest>> requests;
    int rowsDelivered = 0;
};

class FakeCursor : public appserver::RecordCursor {
public:
    FakeCursor(FakeTable table, std::shared_ptr<FakeLog> log)
        : table_(std::move(table)), log_(std::move(log)) {}
    const std::vector<appserver::FieldDef>& fields() const override { return table_.fields; }
    std::size_t fetch(int maxRows, appserver::RecordStore& into) override {
        log_->fetches.push_back(maxRows);
        std::size_t count = 0;
        while (next_ < table_.rows.size() && (maxRows < 0 || count < std::size_t(maxRows))) {
            into.appendRow(table_.rows[next_++]);
            ++count;
        }
        log_->rowsDelivered += static_cast<int>(count);
        return count;
    }
    bool finished() const override { return next_ >= table_.rows.size(); }

private:
    FakeTable table_;
    std::shared_ptr<FakeLog> log_;
    std::size_t next_ = 0;
};

class FakeAppServer : public appserver::AppServer {
public:
    FakeAppServer(std::map<std::string, FakeTable> tables, std::shared_ptr<FakeLog> log)
        : tables_(std::move(tables)), log_(std::move(log)) {}

    std::unique_ptr<appserver::RecordCursor> openProvider(
        const std::string& provider, const appserver::ProviderRequest& request) override {
        log_->requests.emplace_back(provider, request);
        const auto found = tables_.find(provider);
        if (found == tables_.end())
            throw appserver::ServerError("Провайдер \"" + provider + "\" не найден");
        return std::make_unique<FakeCursor>(found->second, log_);
    }
    Variant GetKVTConfig() override { return Variant::list({}); }
    std::int32_t vedFilter() const override { return vedFilter_; }
    void setVedFilter(std::int32_t value) override { vedFilter_ = value; }

private:
    std::map<std::string, FakeTable> tables_;
    std::shared_ptr<FakeLog> log_;
    std::int32_t vedFilter_ = 0;
};

}  // namespace kvt::test
