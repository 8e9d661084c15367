#pragma once

// A deterministic demo station: shifts with their operators, the payment types, eight pumps,
// four fuel grades and their tanks, fuel receipts and pump-outs, pump operations with their
// discounts, bonuses, cards and coupons, return certificates and returns still owed to the card
// terminal, organisations with vehicles, contractors with cars and drivers, the contracts, and
// for every sale on a statement or a contract who took the fuel. The same options always give
// the same file.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kvt::appserver {

struct DemoOptions {
    int shifts = 120;
    std::uint64_t seed = 1;
    // The station the database belongs to, as its Station record names it.
    std::string stationName = "АЗС №7 «Северная»";
    std::int32_t stationNumber = 7;
};

// Writes a new station database to `location`. A file is built beside it under a temporary name
// and renamed into place, so an existing file is replaced whole or not at all; a PostgreSQL
// database must hold no station yet and is filled in one transaction.
void writeDemoDatabase(const std::filesystem::path& location, const DemoOptions& options = {});

}  // namespace kvt::appserver
