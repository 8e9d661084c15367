// kvt-station-db: moves a station from its SQLite file into PostgreSQL and gives the roles of
// the workplaces and of the console their rights there.

#include <iostream>
#include <string>

#include "appserver/StationCopy.h"
#include "appserver/StationDatabase.h"
#include "cli/Cli.h"

namespace {

using kvt::cli::UsageError;

constexpr std::string_view kUsage = R"(использование:
  kvt-station-db copy --from FILE --to CONNINFO
  kvt-station-db grant --db CONNINFO --workplace ROLE --console ROLE

copy переносит станционную базу FILE в базу PostgreSQL CONNINFO (URI "postgresql://..." или
строка соединения, например "service=kvt-station"), в которой еще нет станционных таблиц: все
таблицы одной транзакцией, так что при ошибке в CONNINFO станции не остается. Печатает каждую
таблицу и число перенесенных записей.

grant дает роли ROLE рабочих мест право только читать станционные таблицы, а роли консоли —
читать их и вести журнал смен; остальные права на эти таблицы отзываются.)";

std::string required(std::vector<std::string>& args, std::string_view option) {
    std::string value;
    if (!kvt::cli::takeOption(args, option, value))
        throw UsageError("нужен " + std::string(option));
    return value;
}

std::filesystem::path postgres(const std::string& location) {
    if (!kvt::appserver::isPostgresLocation(location))
        throw UsageError("нужна база PostgreSQL (URI postgresql:// или строка соединения): " +
                         location);
    return location;
}

void noMore(const std::vector<std::string>& args) {
    if (!args.empty())
        throw UsageError("лишний аргумент: " + args.front());
}

int copy(std::vector<std::string>& args) {
    const auto from = kvt::cli::localPath(required(args, "--from"));
    const auto to = postgres(required(args, "--to"));
    noMore(args);
    std::int64_t total = 0;
    for (const auto& [table, rows] : kvt::appserver::copyStationDatabase(from, to)) {
        std::cout << table << ": " << rows << "\n";
        total += rows;
    }
    std::cout << "всего записей: " << total << "\n";
    return 0;
}

int grant(std::vector<std::string>& args) {
    const auto db = postgres(required(args, "--db"));
    const std::string workplace = required(args, "--workplace");
    const std::string console = required(args, "--console");
    noMore(args);
    kvt::appserver::grantStationRoles(
        kvt::appserver::openStationDatabase(db, kvt::appserver::kDefaultBusyTimeout,
                                            kvt::appserver::Access::ReadWrite),
        workplace, console);
    std::cout << "права выданы: " << workplace << " читает, " << console
              << " читает и ведет журнал смен\n";
    return 0;
}

int body(std::vector<std::string>& args) {
    if (args.empty())
        throw UsageError("нужна команда copy или grant");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "copy")
        return copy(args);
    if (command == "grant")
        return grant(args);
    throw UsageError("неизвестная команда: " + command);
}

}  // namespace

int main(int argc, char** argv) {
    return kvt::cli::run(argc, argv, kUsage, body);
}
