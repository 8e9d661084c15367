#include "data/MConnect.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "data/ClientDataSet.h"
#include "tests/data/FakeAppServer.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldType;

class ConnectionTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        server.ServerFactory = [this] {
            ++created;
            test::FakeTable numbers{{{"N", FieldType::Integer, 0}}, {{Variant(1)}, {Variant(2)}}};
            return std::make_unique<test::FakeAppServer>(
                std::map<std::string, test::FakeTable>{{"Numbers", numbers}}, log);
        };
    }

    std::string connectError() {
        try {
            server.SetConnected(true);
        } catch (const ConnectionError& error) {
            return error.what();
        }
        return "connected";
    }

    std::shared_ptr<test::FakeLog> log = std::make_shared<test::FakeLog>();
    KVTServer server;
    int created = 0;
};

TEST_F(ConnectionTest, DefaultsNameTheStationServer) {
    EXPECT_EQ(server.Name(), "KVTServer");
    EXPECT_EQ(server.ServerGUID(), "{D7D34493-E6FD-11D4-97BA-00C0DFF6EEA1}");
    EXPECT_EQ(server.ServerName(), "KVTServer.ServerKVTDCOM");
    EXPECT_EQ(server.ComputerName(), "");
    EXPECT_FALSE(server.Connected());
    EXPECT_EQ(server.AppServer(), nullptr);
}

TEST_F(ConnectionTest, ConnectCreatesAndDisconnectReleasesTheServerObject) {
    server.Open();
    ASSERT_TRUE(server.Connected());
    EXPECT_NE(server.AppServer(), nullptr);
    server.Open();
    EXPECT_EQ(created, 1);
    server.Close();
    EXPECT_FALSE(server.Connected());
    EXPECT_EQ(server.AppServer(), nullptr);
    server.SetConnected(true);
    EXPECT_EQ(created, 2);
}

TEST_F(ConnectionTest, BeforeConnectRunsBeforeEveryConnect) {
    std::vector<bool> connectedWhenCalled;
    server.BeforeConnect = [&](KVTServer& connection) {
        connectedWhenCalled.push_back(connection.Connected());
        connection.SetComputerName("localhost");
    };
    server.Open();
    server.Close();
    server.Open();
    EXPECT_EQ(connectedWhenCalled, (std::vector<bool>{false, false}));
    EXPECT_EQ(server.ComputerName(), "localhost");
    EXPECT_TRUE(server.Connected());

    server.BeforeConnect = [](KVTServer&) { throw std::runtime_error("host refused"); };
    server.Close();
    EXPECT_THROW(server.Open(), std::runtime_error);
    EXPECT_FALSE(server.Connected());
}

TEST_F(ConnectionTest, ChangingTheComputerNameDisconnects) {
    server.Open();
    server.SetComputerName("");
    EXPECT_TRUE(server.Connected());
    server.SetComputerName("127.0.0.1");
    EXPECT_FALSE(server.Connected());
    server.Open();
    EXPECT_TRUE(server.Connected());
}

TEST_F(ConnectionTest, ThisMachineByAnyNameConnectsInProcess) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    for (const std::string& name :
         {std::string("."), std::string("LocalHost"), std::string(host)}) {
        server.SetComputerName(name);
        EXPECT_EQ(connectError(), "connected") << name;
    }
}

TEST_F(ConnectionTest, AnotherComputersServerIsCreatedByTheRemoteFactory) {
    server.BeforeConnect = [](KVTServer& connection) {
        connection.SetComputerName("AZS-SERVER-7");
    };
    std::vector<std::string> asked;
    const std::vector<std::pair<std::function<void()>, std::string>> faults{
        {[] { throw appserver::ServerUnreachable("сервер базы данных не отвечает"); },
         "Сервер RPC недоступен (AZS-SERVER-7)"},
        {[] { throw appserver::ServerError("база: нет доступа: неверный пароль"); },
         "база: нет доступа: неверный пароль"},
    };
    for (const auto& [fault, message] : faults) {
        const auto raise = fault;
        server.RemoteServerFactory = [&](const std::string& computer) {
            asked.push_back(computer);
            raise();
            return std::unique_ptr<appserver::AppServer>();
        };
        EXPECT_EQ(connectError(), message);
        EXPECT_FALSE(server.Connected());
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"AZS-SERVER-7", "AZS-SERVER-7"}));
    EXPECT_EQ(created, 0);
}

TEST_F(ConnectionTest, ServerNameDecidesTheClassId) {
    server.Open();
    server.SetServerName("Other.Server");
    EXPECT_FALSE(server.Connected());
    EXPECT_EQ(server.ServerGUID(), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(connectError(), "Недопустимая строка с указанием класса");

    server.SetServerName("");
    EXPECT_EQ(
        connectError(),
        "Невозможно подключиться, KVTServer должен содержать правильное ServerName или ServerGUID");

    server.SetServerName("kvtserver.serverkvtdcom");
    EXPECT_EQ(server.ServerGUID(), "{D7D34493-E6FD-11D4-97BA-00C0DFF6EEA1}");
    EXPECT_EQ(connectError(), "connected");

    server.SetServerGUID("{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(connectError(), "Класс не зарегистрирован");
}

TEST_F(ConnectionTest, OpeningADataSetConnectsAndDisconnectClosesIt) {
    int beforeConnect = 0;
    server.BeforeConnect = [&](KVTServer&) { ++beforeConnect; };
    ClientDataSet numbers("Numbers");
    numbers.ProviderName = "Numbers";
    numbers.SetRemoteServer(&server);
    numbers.Open();
    EXPECT_TRUE(server.Connected());
    EXPECT_EQ(beforeConnect, 1);
    EXPECT_EQ(numbers.RecordCount(), 2);

    ClientDataSet clone("Clone");
    clone.CloneCursor(numbers, true);
    server.Close();
    EXPECT_FALSE(numbers.Active());
    EXPECT_TRUE(clone.Active());  // a clone holds its records, not the connection
    EXPECT_EQ(clone.RecordCount(), 2);

    numbers.Open();
    EXPECT_EQ(beforeConnect, 2);
}

TEST_F(ConnectionTest, DataSetsOutliveTheirConnection) {
    ClientDataSet numbers("Numbers");
    numbers.ProviderName = "Numbers";
    {
        KVTServer shortLived;
        shortLived.ServerFactory = server.ServerFactory;
        numbers.SetRemoteServer(&shortLived);
        numbers.Open();
    }
    EXPECT_FALSE(numbers.Active());
    EXPECT_EQ(numbers.RemoteServer(), nullptr);
    EXPECT_THROW(numbers.Open(), DataSetError);
}

}  // namespace
}  // namespace kvt::data
