// kvt-demo-data: writes a deterministic demo station database.

#include <cstdint>
#include <string>

#include "DemoNetwork.h"
#include "appserver/DemoData.h"
#include "cli/Cli.h"
#include "infra/DateTime.h"

namespace {

using kvt::cli::UsageError;

constexpr std::string_view kUsage = R"(usage:
  kvt-demo-data --out FILE [--shifts N] [--seed S] [--network]

Writes a new station database to FILE (replacing it whole if it exists): N shifts (default 120,
1 to 1000000) from 01.03.2024 with their operators, receipts and pump-outs, pump operations
with their discounts, bonuses, cards and coupons, return certificates and returns still owed to
the card terminal, eight pumps, four fuel grades, organisations with vehicles, contractors with
cars and drivers, contracts, and the counterparty, car and driver of every statement and
contract sale. The same N and S (default 1, 0 to 18446744073709551615) always give the same
file.

--network also writes, beside FILE, the office table Office.DB of the station's network (five
stations, FILE's being number 7) and the other stations' databases KVT<number>.db, which the
console's network reports read. Copy Office.DB to C:\VEDA\OfficeDB\ for the report dialogs.)";

int parseShifts(const std::string& text) {
    std::int32_t shifts = 0;
    if (!kvt::TryStrToInt(text, shifts) || shifts < 1 || shifts > 1000000)
        throw UsageError("число смен должно быть от 1 до 1000000: " + text);
    return shifts;
}

std::uint64_t parseSeed(const std::string& text) {
    std::size_t used = 0;
    try {
        if (!text.empty() && text.front() != '-') {
            const std::uint64_t seed = std::stoull(text, &used, 10);
            if (used == text.size())
                return seed;
        }
    } catch (const std::exception&) {
    }
    throw UsageError("начальное число должно быть от 0 до 18446744073709551615: " + text);
}

int body(std::vector<std::string>& args) {
    std::string out;
    std::string text;
    kvt::appserver::DemoOptions options;
    if (!kvt::cli::takeOption(args, "--out", out))
        throw UsageError("нужен --out FILE");
    if (kvt::cli::takeOption(args, "--shifts", text))
        options.shifts = parseShifts(text);
    if (kvt::cli::takeOption(args, "--seed", text))
        options.seed = parseSeed(text);
    const bool network = kvt::cli::takeFlag(args, "--network");
    if (!args.empty())
        throw UsageError("лишний аргумент: " + args.front());
    const std::filesystem::path file = kvt::cli::localPath(out);
    kvt::appserver::writeDemoDatabase(file, options);
    if (network)
        kvt::demo::writeDemoNetwork(file.parent_path(), options);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, kUsage, body);
}
