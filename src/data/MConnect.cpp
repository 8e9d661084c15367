#include "data/MConnect.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>

#include "appserver/StationServer.h"
#include "data/ClientDataSet.h"
#include "platform/Text.h"

namespace kvt::data {

namespace {

struct ProgramId {
    std::string_view programId;
    std::string_view classId;
};

// The application servers this client knows: the station server only.
constexpr std::array kProgramIds{ProgramId{kStationServerName, kStationServerGUID}};

std::string hostName() {
    std::array<char, HOST_NAME_MAX + 1> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0)
        return {};
    return buffer.data();
}

bool isNullId(std::string_view guid) {
    return guid.empty() || guid == kNullGUID;
}

}  // namespace

std::string classIdOfProgramId(std::string_view programId) {
    for (const auto& entry : kProgramIds)
        if (platform::equalsIgnoreCase(entry.programId, programId))
            return std::string(entry.classId);
    return std::string(kNullGUID);
}

bool isLocalComputer(std::string_view computerName) {
    if (computerName.empty())
        return true;
    for (std::string_view local : {".", "localhost", "127.0.0.1"})
        if (platform::equalsIgnoreCase(computerName, local))
            return true;
    const std::string host = hostName();
    if (host.empty())
        return false;
    if (platform::equalsIgnoreCase(computerName, host))
        return true;
    // A fully qualified name of this machine, or this machine's short name.
    const auto dot = host.find('.');
    return dot != std::string::npos &&
           platform::equalsIgnoreCase(computerName, host.substr(0, dot));
}

KVTServer::KVTServer(std::string name) : name_(std::move(name)) {
    ServerFactory = [] {
        return appserver::createStationServer(appserver::defaultStationDatabase());
    };
    RemoteServerFactory = [](const std::string& computerName) {
        return appserver::createStationServer(appserver::remoteStationDatabase(computerName));
    };
}

KVTServer::~KVTServer() {
    disconnect();
    const auto dataSets = dataSets_;
    for (auto* dataSet : dataSets)
        dataSet->remoteServerGone();
}

void KVTServer::SetServerGUID(std::string guid) {
    if (guid == serverGUID_)
        return;
    disconnect();
    serverGUID_ = std::move(guid);
}

void KVTServer::SetServerName(std::string programId) {
    disconnect();
    serverGUID_ = classIdOfProgramId(programId);
    serverName_ = std::move(programId);
}

void KVTServer::SetComputerName(std::string computerName) {
    if (computerName == computerName_)
        return;
    disconnect();
    computerName_ = std::move(computerName);
}

void KVTServer::SetConnected(bool connected) {
    if (connected == Connected())
        return;
    if (connected)
        connect();
    else
        disconnect();
}

std::string KVTServer::classIdForConnect() const {
    if (!isNullId(serverGUID_))
        return serverGUID_;
    if (serverName_.empty())
        throw ConnectionError("Невозможно подключиться, " + name_ +
                              " должен содержать правильное ServerName или ServerGUID");
    const std::string classId = classIdOfProgramId(serverName_);
    if (isNullId(classId))
        throw ConnectionError("Недопустимая строка с указанием класса");
    return classId;
}

void KVTServer::connect() {
    if (BeforeConnect)
        BeforeConnect(*this);
    const std::string classId = classIdForConnect();
    if (!platform::equalsIgnoreCase(classId, kStationServerGUID))
        throw ConnectionError("Класс не зарегистрирован");
    auto server = isLocalComputer(computerName_) ? createLocal() : createRemote();
    if (!server)
        throw ConnectionError("Класс не зарегистрирован");
    appServer_ = std::move(server);
}

std::unique_ptr<appserver::AppServer> KVTServer::createLocal() const {
    if (!ServerFactory)
        throw ConnectionError("Класс не зарегистрирован");
    return ServerFactory();
}

// The workplace meets the other computer's faults as the platform reports an unreachable
// server; a refusal (a wrong password or role, no station service) says what was refused.
std::unique_ptr<appserver::AppServer> KVTServer::createRemote() const {
    if (!RemoteServerFactory)
        throw ConnectionError("Сервер RPC недоступен (" + computerName_ + ")");
    try {
        return RemoteServerFactory(computerName_);
    } catch (const appserver::ServerUnreachable&) {
        throw ConnectionError("Сервер RPC недоступен (" + computerName_ + ")");
    } catch (const appserver::ServerError& e) {
        throw ConnectionError(e.what());
    }
}

// The datasets go first: their records are the server's, and a closed connection serves none.
void KVTServer::disconnect() {
    if (!appServer_)
        return;
    const auto dataSets = dataSets_;
    for (auto* dataSet : dataSets)
        dataSet->Close();
    appServer_.reset();
}

void KVTServer::attach(ClientDataSet& dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), &dataSet) == dataSets_.end())
        dataSets_.push_back(&dataSet);
}

void KVTServer::detach(ClientDataSet& dataSet) {
    std::erase(dataSets_, &dataSet);
}

}  // namespace kvt::data
