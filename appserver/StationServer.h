#pragma once

// The station application server object: the providers, GetKVTConfig and vedFilter over the
// station database. It runs in-process; the connection creates one per connect.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "appserver/AppServer.h"
#include "appserver/StationDatabase.h"

namespace kvt::appserver {

// vedFilter bits. The statement reports set 1 before they open the organisation list, 17 before
// the vehicle list, 16 after closing the vehicles and 0 after closing the organisations.
inline constexpr std::int32_t kVedStatementOrganisations = 1;  // "Organization": only
                                                               // organisations buying on statement
inline constexpr std::int32_t kVedVehiclesOfListedOrganisations = 16;  // "AutoMobil": only
                                                                       // vehicles of those listed

class StationServer : public AppServer {
public:
    // Opens the station database read-only. A missing file, a file that is not a station
    // database or a database a writer keeps locked longer than busyTimeout throws ServerError.
    explicit StationServer(const std::filesystem::path& database,
                           std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);

    std::unique_ptr<RecordCursor> openProvider(const std::string& provider,
                                               const ProviderRequest& request) override;
    Variant GetKVTConfig() override;
    std::int32_t vedFilter() const override { return vedFilter_; }
    // Also tells the vedFilter observer.
    void setVedFilter(std::int32_t value) override;

private:
    Connection connection_;
    std::int32_t vedFilter_ = 0;
};

// Told of every vedFilter the station servers of this process are set to, in the order set, a
// value equal to the one before included: an integrator follows the statement reports by it,
// since the server object lives inside the plug-in, out of the host's reach.
using VedFilterObserver = std::function<void(std::int32_t value)>;

// The observer of every station server of this process from now on; an empty one tells nobody.
void setVedFilterObserver(VedFilterObserver observer);

// A provider's own query (the statement it runs without a command text); throws ServerError for
// an unknown provider.
std::string_view providerQuery(const std::string& provider);

std::unique_ptr<AppServer> createStationServer(const std::filesystem::path& database);

// The libpq service that names a station's database, its user, port and TLS mode on a workplace
// (pg_service.conf); the password comes from ~/.pgpass.
inline constexpr std::string_view kStationService = "kvt-station";

// The station database of another computer: the station service on that host.
std::string remoteStationDatabase(std::string_view computerName);

// KVT_STATION_DB when set and not empty, else $KVT_ROOT/station/station.db.
std::filesystem::path defaultStationDatabase();

}  // namespace kvt::appserver
