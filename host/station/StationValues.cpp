#include "host/station/StationValues.h"

#include <string>

namespace kvt::station {

namespace {

constexpr std::int32_t kShiftOpen = 0;
constexpr std::int32_t kServerHere = 11;
constexpr std::int32_t kCurrentShift = 12;
constexpr std::int32_t kOperatorLevel = 15;
constexpr std::int32_t kPayTypeCaptions = 19;
constexpr std::int32_t kPayTypeList = 57;

// The console always runs the application server in its own process.
constexpr std::int32_t kInProcessServer = 1;

}  // namespace

StationValues::StationValues(host::HostValues settings) : settings_(std::move(settings)) {
    setOperatorLevel(settings_.value(kOperatorLevel).toInt());
}

void StationValues::usePayTypes(const std::vector<appserver::PayTypeRow>& payTypes) {
    if (payTypes.empty())
        return;
    std::vector<Variant> captions;
    std::vector<host::HostPayType> items;
    for (const appserver::PayTypeRow& row : payTypes) {
        captions.emplace_back(row.name);
        items.emplace_back(row.code, row.enabled, row.kind);
    }
    settings_.set(kPayTypeCaptions, Variant::list(std::move(captions)));
    settings_.setPayTypes(std::move(items));
}

Variant StationValues::hostValue(std::int32_t code) const {
    switch (code) {
        case kShiftOpen:
            return Variant(shift_.open);
        case kServerHere:
            return Variant(kInProcessServer);
        case kCurrentShift:
            return Variant(shift_.current);
        case kOperatorLevel:
            return Variant(level_);
        default:
            return settings_.value(code);
    }
}

Variant StationValues::value(std::int32_t code, std::int32_t argument) const {
    if (code == kPayTypeList && argument == 0)
        return settings_.payTypeReference();
    return Variant();
}

void StationValues::setOperatorLevel(std::int32_t level) {
    if (level < 0 || level > kHighestOperatorLevel)
        throw StationStateError("Уровень оператора должен быть от 0 до 3, а не " +
                                std::to_string(level));
    level_ = level;
}

void StationValues::openShift() {
    if (shift_.open)
        throw StationStateError("Смена №" + std::to_string(shift_.current) + " уже открыта");
    shift_.last += 1;
    shift_.current = shift_.last;
    shift_.open = true;
}

void StationValues::closeShift() {
    if (!shift_.open)
        throw StationStateError("Нет открытой смены");
    shift_.open = false;
}

}  // namespace kvt::station
