#include "appserver/PayTypes.h"

#include <sqlite3.h>

#include "appserver/StationDatabase.h"

namespace kvt::appserver {

namespace {

std::string textColumn(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::vector<PayTypeRow> readPayTypes(const std::filesystem::path& database) {
    const Connection db = openStationDatabase(database);
    std::vector<PayTypeRow> rows;
    if (!hasTable(db, "VidOpl"))
        return rows;
    Statement statement(db,
                        "SELECT Position, Code, Name, Enabled, Kind FROM VidOpl ORDER BY Position");
    while (statement.step()) {
        sqlite3_stmt* row = statement.get();
        PayTypeRow payType;
        payType.position = sqlite3_column_int(row, 0);
        payType.code = sqlite3_column_int(row, 1);
        payType.name = textColumn(row, 2);
        payType.enabled = sqlite3_column_int(row, 3) != 0;
        const sqlite3_int64 kind = sqlite3_column_int64(row, 4);
        if (kind < 0 || kind > 255)
            throw ServerError("Станционная база данных " + database.string() +
                              ": у вида оплаты в позиции " + std::to_string(payType.position) +
                              " тип " + std::to_string(kind) + ", а ожидается байт (от 0 до 255)");
        payType.kind = static_cast<std::uint8_t>(kind);
        rows.push_back(std::move(payType));
    }
    return rows;
}

}  // namespace kvt::appserver
