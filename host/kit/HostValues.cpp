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
    throw HostValuesError("Значение консоли \"" + key.toStdString() + "\": " + what);
}

std::int32_t integerOf(const QJsonValue& value, const QString& key) {
    const double number = value.toDouble();
    if (!value.isDouble() || number != static_cast<double>(static_cast<std::int32_t>(number)))
        fail(key, "ожидается 32-битное целое число");
    return static_cast<std::int32_t>(number);
}

Variant captionsOf(const QJsonValue& value, const QString& key) {
    if (!value.isArray())
        fail(key, "ожидается массив строк с названиями");
    std::vector<Variant> captions;
    for (const QJsonValue& caption : value.toArray()) {
        if (!caption.isString())
            fail(key, "каждое название должно быть строкой");
        captions.emplace_back(caption.toString().toStdString());
    }
    return Variant::list(std::move(captions));
}

std::vector<HostPayType> payTypesOf(const QJsonValue& value, const QString& key) {
    if (!value.isArray())
        fail(key, "ожидается массив объектов {\"code\", \"enabled\", \"kind\"}");
    std::vector<HostPayType> items;
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonObject item = entry.toObject();
        if (!entry.isObject() || !item.value("code").isDouble() ||
            !item.value("enabled").isBool() || !item.value("kind").isDouble())
            fail(key,
                 "у каждого вида оплаты должны быть \"code\" (число), \"enabled\" (true или "
                 "false) и \"kind\" (число)");
        const std::int32_t kind = integerOf(item.value("kind"), key);
        if (kind < 0 || kind > 255)
            fail(key, "\"kind\" должен быть от 0 до 255");
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
    fail(key, "ожидается логическое значение, целое число или строка");
}

}  // namespace

const PayTypeItem& HostPayTypeList::item(std::int32_t position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= items_.size())
        throw std::out_of_range("Нет вида оплаты в позиции " + std::to_string(position));
    return items_[static_cast<std::size_t>(position)];
}

HostValues HostValues::fromJson(const std::string& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError)
        throw HostValuesError(
            "Значения консоли не являются правильным JSON: " + error.errorString().toStdString() +
            " в позиции " + std::to_string(error.offset));
    if (!document.isObject())
        throw HostValuesError(
            "Значения консоли должны быть объектом JSON с кодами значений в качестве ключей");
    HostValues values;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isNumber = false;
        const std::int32_t code = it.key().toInt(&isNumber);
        if (!isNumber)
            fail(it.key(), "ключом должен быть десятичный код значения консоли");
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
        throw HostValuesError("Не удалось прочитать значения консоли из " + path.string());
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
