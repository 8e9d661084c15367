#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt::ui {

TRadioGroup::TRadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
    new QVBoxLayout(this);
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

QStringList TRadioGroup::items() const {
    QStringList captions;
    for (QAbstractButton* button : buttons_->buttons())
        captions.append(button->text());
    return captions;
}

void TRadioGroup::setItems(const QStringList& items) {
    const bool hadSelection = itemIndex() >= 0;
    for (QAbstractButton* button : buttons_->buttons()) {
        buttons_->removeButton(button);
        delete button;
    }
    for (int index = 0; index < items.size(); ++index) {
        auto* radio = new QRadioButton(items[index], this);
        buttons_->addButton(radio, index);
        layout()->addWidget(radio);
    }
    if (hadSelection)
        emit itemIndexChanged(-1);
}

int TRadioGroup::count() const {
    return static_cast<int>(buttons_->buttons().size());
}

int TRadioGroup::itemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (index < 0 || index >= count())
        index = -1;
    if (index == itemIndex())
        return;
    if (QAbstractButton* button = buttons_->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps its checked button; unchecking needs the exclusivity off.
    buttons_->setExclusive(false);
    buttons_->checkedButton()->setChecked(false);
    buttons_->setExclusive(true);
    emit itemIndexChanged(-1);
}

}  // namespace kvt::ui
