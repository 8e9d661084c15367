#pragma once
// A number edit whose text is the operator's: any digits up to the maximum length may stand in
// it, and its value is that text read as an integer and held to the range (text that is no
// number reads as the minimum). Every change of the text is announced, so that a form can act on
// the text as typed rather than on the corrected value only.
#include <QSpinBox>

namespace kvt::ui {

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    void setMaxLength(int length);

signals:
    // The text changed, by typing or because the value was set.
    void changed(const QString& text);

protected:
    QValidator::State validate(QString& input, int& position) const override;
    int valueFromText(const QString& text) const override;
};

}  // namespace kvt::ui
