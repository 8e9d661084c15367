#include "ui/SpinEdit.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

namespace kvt::ui {

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::changed);
}

void TSpinEdit::setMaxLength(int length) {
    lineEdit()->setMaxLength(length);
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
    static const QRegularExpression kNumber(QStringLiteral("^\\s*-?\\d*\\s*$"));
    return kNumber.match(input).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
}

int TSpinEdit::valueFromText(const QString& text) const {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::clamp(value, minimum(), maximum()) : minimum();
}

}  // namespace kvt::ui
