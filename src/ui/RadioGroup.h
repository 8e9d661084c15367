#pragma once
// A framed group of radio buttons chosen by index, as the station's forms use them: one item or
// none selected, the index as the form's state (-1 = none). The buttons are the group's direct
// children in item order, so that a script (or the operator) picks an item by clicking it.
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace kvt::ui {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
    Q_PROPERTY(QStringList items READ items WRITE setItems)
public:
    explicit TRadioGroup(const QString& caption, QWidget* parent = nullptr);

    QStringList items() const;
    // Replaces the items; none is selected afterwards.
    void setItems(const QStringList& items);
    int count() const;

    int itemIndex() const;
    // An index outside the items selects none.
    void setItemIndex(int index);

signals:
    // Every change of the selection, by the operator or by the program.
    void itemIndexChanged(int index);

private:
    QButtonGroup* buttons_;
};

}  // namespace kvt::ui
