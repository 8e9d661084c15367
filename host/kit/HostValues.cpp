#include "host/kit/HostValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <fstream>
#include <sstream>

namespace kvt::host {

namespace {

constexpr std::int32_t kCaptionsCode = 19;
constexpr std::int32_t kPayTypeListCode = 57;

[[noreturn]] void fail(const QString& key, const std::string& what) {
    throw HostValuesError("Host value \"" + key.toStdString() + "\": " + what);
}

std::int32_t integerOf(const QJsonValue& value, const QString& key) {
    const double number = value.toDouble();
    if (!value.isDouble() || number != static_cast<double>(static_cast<std::int32_t>(number)))
        fail(key, "a whole number of 32 bits is expected");
    return static_cast<std::int32_t>(number);
}

Variant captionsOf(const QJsonValue& value, const QString& key) {
    if (!value.isArray())
        fail(key, "an array of caption strings is expected");
    std::vector<Variant> captions;
    for (const QJsonValue& caption : value.toArray()) {
        if (!caption.isString())
            fail(key, "every caption must be a string");
        captions.emplace_back(caption.toString().toStdString());
    }
    return Variant::list(std::move(captions));
}

std::vector<HostPayType> payTypesOf(const QJsonValue& value, const QString& key) {
    if (!value.isArray())
        fail(key, "an array of {\"code\", \"enabled\", \"kind\"} objects is expected");
    std::vector<HostPayType> items;
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonObject item = entry.toObject();
        if (!entry.isObject() || !item.value("code").isDouble() ||
            !item.value("enabled").isBool() || !item.value("kind").isDouble())
            fail(key,
                 "every payment type needs \"code\" (number), \"enabled\" (true or false) "
                 "and \"kind\" (number)");
        const std::int32_t kind = integerOf(item.value("kind"), key);
        if (kind < 0 || kind > 255)
            fail(key, "\"kind\" must be 0 to 255");
        items.emplace_back(integerOf(item.value("code"), key), item.value("enabled").toBool(),
                           static_cast<std::uint8_t>(kind));
    }
    return items;
}

Variant scalarOf(const QJsonValue& value, const QString& key) {
    if (value.isBool())
        return Variant(value.toBool());
    if (value.isString())
        return Variant(value.toString().toStdString());
    if (value.isDouble())
        return Variant(integerOf(value, key));
    fail(key, "a boolean, a whole number or a string is expected");
}

}  // namespace

const PayTypeItem& HostPayTypeList::item(std::int32_t position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= items_.size())
        throw std::out_of_range("No payment type at position " + std::to_string(position));
    return items_[static_cast<std::size_t>(position)];
}

HostValues HostValues::fromJson(const std::string& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError)
        throw HostValuesError(
            "Host values are not valid JSON: " + error.errorString().toStdString() + " at offset " +
            std::to_string(error.offset));
    if (!document.isObject())
        throw HostValuesError("Host values must be a JSON object keyed by host value codes");
    HostValues values;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isNumber = false;
        const std::int32_t code = it.key().toInt(&isNumber);
        if (!isNumber)
            fail(it.key(), "the key must be a host value code in decimal");
        if (code == kPayTypeListCode)
            values.setPayTypes(payTypesOf(it.value(), it.key()));
        else if (code == kCaptionsCode)
            values.set(code, captionsOf(it.value(), it.key()));
        else
            values.set(code, scalarOf(it.value(), it.key()));
    }
    return values;
}

HostValues HostValues::fromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw HostValuesError("Cannot read host values from " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return fromJson(text.str());
}

Variant HostValues::value(std::int32_t code) const {
    if (const auto found = values_.find(code); found != values_.end())
        return found->second;
    switch (code) {
        case 0:
        case 5:
        case 6:
            return Variant(true);
        case 1:
        case 2:
        case 8:
        case 9:
        case 10:
            return Variant(false);
        case 11:
            return Variant(std::int32_t{1});
        case 12:
        case 15:
            return Variant(std::int32_t{0});
        case 13:
        case kCaptionsCode:
            return Variant(std::string());
        default:
            return Variant();
    }
}

void HostValues::set(std::int32_t code, Variant value) {
    values_[code] = std::move(value);
}

void HostValues::setPayTypes(std::vector<HostPayType> items) {
    payTypes_ = std::make_shared<const HostPayTypeList>(std::move(items));
}

Variant HostValues::payTypeReference() const {
    if (!payTypes_)
        return Variant(std::string());
    return hostReference(static_cast<const PayTypeList*>(payTypes_.get()));
}

}  // namespace kvt::host
