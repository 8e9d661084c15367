#include "host/reports/NetworkStations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/OfficeDB.h"
#include "data/ParadoxTable.h"
#include "host/reports/StationQuery.h"
#include "platform/PathMap.h"

namespace kvt::host {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNumberField = "KVTNumber";
constexpr std::string_view kNameField = "KVTName";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string tableProblem(std::string_view why) {
    return "Таблица станций сети " + std::string(data::kOfficeTablePath) +
           " не прочитана: " + std::string(why);
}

// A station number as the table may hold it: an integer field, or a number field of whole
// values.
std::optional<std::int32_t> stationNumber(const Variant& value) {
    double number = 0;
    if (isIntegerType(value.type()))
        number = static_cast<double>(value.toInt64());
    else if (value.type() == VarType::R8)
        number = value.rawDouble();
    else
        return std::nullopt;
    if (number != std::trunc(number) || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

std::string nameOf(const Variant& value) {
    return std::string(trimmed(value.type() == VarType::Str ? value.rawString() : ""));
}

}  // namespace

std::vector<std::string> listedLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        if (!line.empty())
            lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool listsEvery(std::string_view text) {
    return listedLines(text) == std::vector<std::string>{"*"};
}

std::string stationTitle(const NetworkStation& station) {
    const std::string number = "KVT №" + std::to_string(station.number);
    return station.name.empty() ? number : station.name + " (" + number + ")";
}

Network::Network(const fs::path& ownDatabase) : ownDatabase_(ownDatabase) {
    ownNumber_ = readStationIdentity(appserver::openStationDatabase(ownDatabase)).number;
    try {
        const data::ParadoxTable table = data::ParadoxTable::read(
            platform::PathMap::toLocal(std::string(data::kOfficeTablePath)));
        const auto numberField = table.fieldIndex(kNumberField);
        const auto nameField = table.fieldIndex(kNameField);
        if (!numberField || !nameField) {
            tableNotices_.push_back(tableProblem(
                "в ней нет поля " + std::string(numberField ? kNameField : kNumberField)));
            return;
        }
        std::size_t record = 0;
        for (const std::vector<Variant>& values : table.records()) {
            ++record;
            const auto number = stationNumber(values[*numberField]);
            if (number)
                stations_.push_back({*number, nameOf(values[*nameField])});
            else
                tableNotices_.push_back("Запись " + std::to_string(record) +
                                        " таблицы станций сети без номера KVT пропущена");
        }
    } catch (const data::ParadoxError& error) {
        tableNotices_.push_back(tableProblem(error.what()));
    }
}

StationSelection Network::selection() const {
    return {{}, tableNotices_};
}

StationSelection Network::byNames(std::string_view names) const {
    StationSelection chosen = selection();
    if (listsEvery(names)) {
        chosen.stations = stations_;
        return chosen;
    }
    const std::vector<std::string> listed = listedLines(names);
    if (listed.empty())
        chosen.notices.emplace_back("Станции сети не выбраны");
    for (const std::string& name : listed) {
        const auto found = std::ranges::find(stations_, name, &NetworkStation::name);
        if (found != stations_.end())
            chosen.stations.push_back(*found);
        else
            chosen.notices.push_back("Станции «" + name + "» нет в таблице станций сети");
    }
    return chosen;
}

StationSelection Network::byNumbers(const std::vector<std::int32_t>& numbers) const {
    StationSelection chosen = selection();
    if (numbers.empty())
        chosen.notices.emplace_back("Станции сети не выбраны");
    for (const std::int32_t number : numbers) {
        const auto found = std::ranges::find(stations_, number, &NetworkStation::number);
        chosen.stations.push_back(found != stations_.end() ? *found : NetworkStation{number, {}});
    }
    return chosen;
}

fs::path Network::databaseOf(std::int32_t number) const {
    if (number == ownNumber_)
        return ownDatabase_;
    return ownDatabase_.parent_path() / ("KVT" + std::to_string(number) + ".db");
}

OpenStation Network::open(const NetworkStation& station) const {
    OpenStation opened{station, databaseOf(station.number), {}, {}};
    std::error_code error;
    if (!fs::exists(opened.file, error)) {
        opened.problem = stationTitle(station) + ": нет базы данных станции (файл " +
                         opened.file.filename().string() + " не найден)";
        return opened;
    }
    try {
        opened.db = appserver::openStationDatabase(opened.file);
        if (opened.station.name.empty())
            opened.station.name = readStationIdentity(opened.db).name;
    } catch (const appserver::ServerError& failure) {
        opened.db.reset();
        opened.problem =
            stationTitle(station) + ": база данных станции не читается: " + failure.what();
    }
    return opened;
}

}  // namespace kvt::host
