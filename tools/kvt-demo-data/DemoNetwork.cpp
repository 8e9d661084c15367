#include "DemoNetwork.h"

#include <array>
#include <string>
#include <string_view>

#include "data/ParadoxTable.h"

namespace kvt::demo {

namespace {

struct DemoStation {
    std::int32_t number;
    std::string_view name;
    std::string_view address;
};

// In the order the office entered them, not by number; the demo station itself is number 7.
constexpr std::array<DemoStation, 5> kNetwork{{
    {12, "АЗС №12 «Южная»", "г. Тверь, Московское ш., 41"},
    {7, "АЗС №7 «Северная»", "г. Тверь, Петербургское ш., 118"},
    {3, "АЗС №3 «Заречная»", "г. Тверь, ул. Заречная, 2"},
    {21, "АЗС №21 «Трасса М-10»", "Калининский р-н, 171-й км"},
    {5, "АЗС №5 «Центральная»", "г. Тверь, пр. Чайковского, 9"},
}};

// The office's table has fields of its own beside the two the reports read.
const std::vector<data::ParadoxField> kOfficeFields{
    {.name = "KVTNumber", .type = data::ParadoxType::Long, .length = 0},
    {.name = "KVTName", .type = data::ParadoxType::Alpha, .length = 40},
    {.name = "KVTAddress", .type = data::ParadoxType::Alpha, .length = 60},
    {.name = "Active", .type = data::ParadoxType::Logical, .length = 0},
};

}  // namespace

void writeDemoNetwork(const std::filesystem::path& folder, const appserver::DemoOptions& station) {
    std::vector<std::vector<Variant>> records;
    for (const DemoStation& member : kNetwork) {
        records.push_back(
            {Variant(member.number), Variant(member.name), Variant(member.address), Variant(true)});
        if (member.number == station.stationNumber)
            continue;
        // Smaller stations with days of their own: another seed per station, fewer shifts.
        appserver::DemoOptions options{
            .shifts = station.shifts / 2 + 1,
            .seed = station.seed * 100 + static_cast<std::uint64_t>(member.number),
            .stationName = std::string(member.name),
            .stationNumber = member.number};
        appserver::writeDemoDatabase(folder / ("KVT" + std::to_string(member.number) + ".db"),
                                     options);
    }
    data::writeParadoxTable(folder / "Office.DB", kOfficeFields, records);
}

}  // namespace kvt::demo
