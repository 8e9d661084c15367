// kvt-demo-data: writes a deterministic demo station database.

#include <cstdint>
#include <string>

#include "DemoNetwork.h"
#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"
#include "cli/Cli.h"
#include "infra/DateTime.h"

namespace {

using kvt::cli::UsageError;

constexpr std::string_view kUsage = R"(использование:
  kvt-demo-data --out FILE|CONNINFO [--shifts N] [--seed S] [--network]

Записывает в FILE новую станционную базу (заменяя файл целиком, если он есть) или в базу
PostgreSQL CONNINFO (URI "postgresql://..." или строка соединения, например
"service=kvt-station"), в которой еще нет станционных таблиц: N смен (по
умолчанию 120, от 1 до 1000000) с 01.03.2024 с их операторами, поступлениями и откачками
топлива, операции ТРК с их скидками, бонусами, картами и талонами, акты возвратов и
непроизведенные возвраты на терминал, восемь ТРК, четыре марки топлива, организации с
автомобилями, контрагентов с машинами и водителями, договоры, а также контрагента, машину и
водителя каждой продажи по ведомости и по договору. Одни и те же N и S (по умолчанию 1, от 0 до
18446744073709551615) всегда дают один и тот же файл.

--network записывает также, рядом с FILE, офисную таблицу Office.DB сети станций (пять станций,
станция FILE — номер 7) и базы других станций KVT<number>.db, которые читают сетевые отчеты
консоли. Для диалогов отчетов скопируйте Office.DB в C:\VEDA\OfficeDB\.)";

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
    if (network && kvt::appserver::isPostgresLocation(out))
        throw UsageError("--network пишет рядом с файлом базы, а не в PostgreSQL");
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
