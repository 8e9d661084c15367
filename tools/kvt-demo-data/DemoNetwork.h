#pragma once
// The demo station's network as the office keeps it: the office table Office.DB listing the
// stations, and beside it the copies of the other stations' databases, KVT<number>.db, from
// which the console produces the network reports.
#include <filesystem>

#include "appserver/DemoData.h"

namespace kvt::demo {

// Writes Office.DB and the other stations' databases into `folder`, the folder of the station
// database made with `station` (whose number is one of the network's).
void writeDemoNetwork(const std::filesystem::path& folder, const appserver::DemoOptions& station);

}  // namespace kvt::demo
