#pragma once

// KVTServer: the connection to the station's application server. It creates the server object
// when it connects, always in this process: over the station database of this machine when
// ComputerName names this machine or nothing, else over the station database the named computer
// keeps in PostgreSQL. It releases the object when it disconnects, closing the datasets that use
// it.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/AppServer.h"
#include "kvtreports/Exception.h"

namespace kvt::data {

class ClientDataSet;

// The server object could not be created: no server name, a class that is not registered, or a
// computer that cannot be reached. Messages are the platform's.
class ConnectionError : public ExceptionOf<ConnectionError> {
public:
    using ExceptionOf::ExceptionOf;
};

inline constexpr std::string_view kNullGUID = "{00000000-0000-0000-0000-000000000000}";
inline constexpr std::string_view kStationServerGUID = "{D7D34493-E6FD-11D4-97BA-00C0DFF6EEA1}";
inline constexpr std::string_view kStationServerName = "KVTServer.ServerKVTDCOM";

// The class id registered for a program id, or the null id.
std::string classIdOfProgramId(std::string_view programId);

// True for an empty name, ".", "localhost", "127.0.0.1" and this machine's host name, without
// regard to case.
bool isLocalComputer(std::string_view computerName);

class KVTServer {
public:
    using Factory = std::function<std::unique_ptr<appserver::AppServer>()>;
    using RemoteFactory =
        std::function<std::unique_ptr<appserver::AppServer>(const std::string& computerName)>;

    explicit KVTServer(std::string name = "KVTServer");
    ~KVTServer();
    KVTServer(const KVTServer&) = delete;
    KVTServer& operator=(const KVTServer&) = delete;

    const std::string& Name() const { return name_; }

    const std::string& ServerGUID() const { return serverGUID_; }
    void SetServerGUID(std::string guid);
    const std::string& ServerName() const { return serverName_; }
    // Disconnects and takes the class id registered for the program id (the null id if none).
    void SetServerName(std::string programId);
    const std::string& ComputerName() const { return computerName_; }
    // A different name disconnects first.
    void SetComputerName(std::string computerName);

    bool Connected() const { return appServer_ != nullptr; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    // The server object while connected, else nullptr.
    appserver::AppServer* AppServer() const { return appServer_.get(); }

    // Runs before every connect; may set ComputerName.
    std::function<void(KVTServer&)> BeforeConnect;
    // Creates the in-process server object; by default the station server on the station
    // database (KVT_STATION_DB, else $KVT_ROOT/station/station.db).
    Factory ServerFactory;
    // Creates the server object for another computer: by default the station server, in this
    // process, on the station database that computer keeps in PostgreSQL.
    RemoteFactory RemoteServerFactory;

    // Datasets register so that a disconnect closes them.
    void attach(ClientDataSet& dataSet);
    void detach(ClientDataSet& dataSet);

private:
    void connect();
    void disconnect();
    std::string classIdForConnect() const;
    std::unique_ptr<appserver::AppServer> createLocal() const;
    std::unique_ptr<appserver::AppServer> createRemote() const;

    std::string name_;
    std::string serverGUID_{kStationServerGUID};
    std::string serverName_{kStationServerName};
    std::string computerName_;
    std::unique_ptr<appserver::AppServer> appServer_;
    std::vector<ClientDataSet*> dataSets_;
};

// The server connection for one menu operation or one runner: closed when it ends, however.
class ServerSession {
public:
    explicit ServerSession(KVTServer& server) : server_(server) { server_.Open(); }
    ~ServerSession() {
        if (server_.Connected())
            server_.Close();
    }
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    appserver::AppServer& appServer() const { return *server_.AppServer(); }

private:
    KVTServer& server_;
};

}  // namespace kvt::data
