// kvt-provider: prints a provider's record set, or the station configuration, of the station
// application server.

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "appserver/StationServer.h"
#include "cli/Cli.h"
#include "infra/DateTime.h"

namespace {

using kvt::Variant;
using kvt::appserver::FieldDef;
using kvt::appserver::FieldType;
using kvt::cli::UsageError;

constexpr std::string_view kUsage = R"(использование:
  kvt-provider [--db DB] [--ved-filter N] PROVIDER [--command-text SQL] [--param NAME=VALUE]...
  kvt-provider [--db DB] --config

DB — станционная база: файл или база PostgreSQL (URI postgresql://... или строка соединения,
например "service=kvt-station host=SERVER"); по умолчанию KVT_STATION_DB, иначе
$KVT_ROOT/station/station.db.
Первая строка называет поля в виде NAME:TYPE, для строк NAME:TYPE:SIZE, через табуляцию;
TYPE — Integer, SmallInt, String, Float, Currency, Date, DateTime или Boolean. Затем по строке
на запись, поля через табуляцию: числа с '.' в качестве десятичного разделителя (Currency — от
двух до четырех знаков после него), даты как dd.mm.yyyy, дата и время как dd.mm.yyyy hh:nn:ss,
логические значения как True или False, NULL — пустым местом; табуляции и переводы строк внутри
текста печатаются пробелами.
--ved-filter задает vedFilter сервера до открытия провайдера. --config печатает
GetKVTConfig каноническим текстом варианта.)";

const kvt::FormatSettings& printSettings() {
    static const kvt::FormatSettings settings = kvt::fileFormatSettings("dd.mm.yyyy", "hh:nn:ss");
    return settings;
}

std::string currencyText(std::int64_t tenThousandths) {
    const bool negative = tenThousandths < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                             : static_cast<std::uint64_t>(tenThousandths);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (fraction.size() > 2 && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

std::string plainText(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

std::string valueText(const Variant& value, FieldType type) {
    if (value.isNull())
        return {};
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
            return std::to_string(value.toInt());
        case FieldType::Float:
            return kvt::FloatToStr(value.toDouble(), printSettings());
        case FieldType::Currency:
            return currencyText(value.rawInteger());
        case FieldType::Date:
            return kvt::FormatDateTime("dd.mm.yyyy", value.toDate(), printSettings());
        case FieldType::DateTime:
            return kvt::FormatDateTime("dd.mm.yyyy hh:nn:ss", value.toDate(), printSettings());
        case FieldType::Boolean:
            return value.toBool() ? "True" : "False";
        case FieldType::String:
            break;
    }
    return plainText(value.toString());
}

std::string fieldText(const FieldDef& field) {
    std::string text = field.name + ":" + std::string(kvt::appserver::fieldTypeName(field.type));
    if (field.type == FieldType::String)
        text += ":" + std::to_string(field.size);
    return text;
}

void printRecords(kvt::appserver::RecordCursor& cursor) {
    const auto& fields = cursor.fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        std::cout << (i ? "\t" : "") << fieldText(fields[i]);
    std::cout << '\n';
    constexpr int kPacket = 1000;
    while (!cursor.finished()) {
        for (const auto& row : kvt::appserver::fetchRows(cursor, kPacket)) {
            for (std::size_t i = 0; i < row.size(); ++i)
                std::cout << (i ? "\t" : "") << valueText(row[i], fields[i].type);
            std::cout << '\n';
        }
    }
}

std::pair<std::string, Variant> parseParam(const std::string& text) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw UsageError("не NAME=VALUE: " + text);
    return {text.substr(0, equals), Variant(text.substr(equals + 1))};
}

int body(std::vector<std::string>& args) {
    std::string text;
    const std::filesystem::path database = kvt::cli::takeOption(args, "--db", text)
                                               ? kvt::cli::localPath(text)
                                               : kvt::appserver::defaultStationDatabase();
    std::int32_t vedFilter = 0;
    const bool setsVedFilter = kvt::cli::takeOption(args, "--ved-filter", text);
    if (setsVedFilter && !kvt::TryStrToInt(text, vedFilter))
        throw UsageError("не целое число: " + text);
    const bool config = kvt::cli::takeFlag(args, "--config");
    kvt::appserver::ProviderRequest request;
    kvt::cli::takeOption(args, "--command-text", request.commandText);
    while (kvt::cli::takeOption(args, "--param", text))
        request.params.push_back(parseParam(text));

    if (config) {
        if (!args.empty() || setsVedFilter || !request.commandText.empty() ||
            !request.params.empty())
            throw UsageError("--config не принимает провайдер, текст команды и параметры");
        kvt::appserver::StationServer server(database);
        std::cout << server.GetKVTConfig().canonical() << '\n';
        return 0;
    }
    if (args.size() != 1)
        throw UsageError(args.empty() ? "не указан провайдер" : "лишний аргумент: " + args[1]);
    kvt::appserver::StationServer server(database);
    server.setVedFilter(vedFilter);
    printRecords(*server.openProvider(args.front(), request));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return kvt::cli::run(argc, argv, kUsage, body);
}
