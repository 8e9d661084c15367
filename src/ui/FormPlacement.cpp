#include "ui/FormPlacement.h"

#include <QByteArray>
#include <QWidget>

#include "platform/Registry.h"

namespace kvt::ui {

TFormPlacement::TFormPlacement(std::string key, std::string valuePrefix)
    : key_(std::move(key)), valuePrefix_(std::move(valuePrefix)) {}

std::string TFormPlacement::valueName() const {
    return valuePrefix_ + ".Geometry";
}

void TFormPlacement::restore(QWidget& form) const {
    platform::Registry registry(platform::RootKey::CurrentUser);
    if (!registry.openKeyReadOnly(key_) ||
        registry.valueType(valueName()) != platform::RegValueType::String)
        return;
    form.restoreGeometry(
        QByteArray::fromHex(QByteArray::fromStdString(registry.readString(valueName()))));
}

void TFormPlacement::save(const QWidget& form) const {
    platform::Registry registry(platform::RootKey::CurrentUser);
    if (registry.openKey(key_, true))
        registry.writeString(valueName(), form.saveGeometry().toHex().toStdString());
}

}  // namespace kvt::ui
