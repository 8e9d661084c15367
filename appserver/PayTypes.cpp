#include "appserver/PayTypes.h"

#include "appserver/StationDatabase.h"

namespace kvt::appserver {

std::vector<PayTypeRow> readPayTypes(const std::filesystem::path& database) {
    const Connection db = openStationDatabase(database);
    std::vector<PayTypeRow> rows;
    if (!hasTable(db, "VidOpl"))
        return rows;
    Statement statement(db,
                        "SELECT Position, Code, Name, Enabled, Kind FROM VidOpl ORDER BY Position");
    while (statement.step()) {
        PayTypeRow payType;
        payType.position = static_cast<int>(statement.integer(0));
        payType.code = static_cast<int>(statement.integer(1));
        payType.name = std::string(statement.text(2));
        payType.enabled = statement.integer(3) != 0;
        const std::int64_t kind = statement.integer(4);
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
