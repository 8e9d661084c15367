#pragma once
// What a dialog script can do on a modal form, as the operator would: the actions, and doing
// one on a form. Components are found by their component name (objectName).
#include <QKeyCombination>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <variant>

#include "host/kit/HostEvents.h"

class QObject;
class QWidget;

namespace kvt::host {

// A script that cannot be read, or an action the form cannot take; the message says which.
class DialogScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace action {
// A button pressed, or an action triggered.
struct Click {
    QString name;
};
// Text typed over the whole content of an edit, spin box, date edit or editable combo box; a
// masked edit places it as its mask does, a date edit reads it in its display format or, to set
// what the format does not show (a time of day), as an ISO 8601 date-time.
struct SetText {
    QString name;
    QString text;
};
// A check box clicked when it is not already in the wanted state.
struct Check {
    QString name;
    bool checked = true;
};
// Item `index` (from 0) of a check list ticked or unticked, as a click on its box does.
struct CheckItem {
    QString name;
    int index = 0;
    bool checked = true;
};
// Item `index` (from 0) chosen in a combo box, a list or a radio group.
struct Select {
    QString name;
    int index = 0;
};
// The grid rows whose `field` shows one of `values` marked, the last one the current row.
struct SelectRows {
    QString grid;
    QString field;
    QStringList values;
};
// The grid row whose `field` shows `value` made current, as the cursor keys do.
struct MakeCurrent {
    QString grid;
    QString field;
    QString value;
};
// The keyboard focus given to a component, as the operator tabs to it.
struct Focus {
    QString name;
};
// A key pressed and released where the form has its focus; shortcuts see it first.
struct PressKey {
    QKeyCombination key;
};
// A mouse button pressed at the component's centre, the pointer moved by `offset` with the
// button held, and the button released there, `modifiers` held throughout: the mouse events
// reach the component itself.
struct Drag {
    QString name;
    Qt::MouseButton button = Qt::LeftButton;
    QPoint offset;
    Qt::KeyboardModifiers modifiers;
};
// The form closed with a modal result: QDialog::Accepted (1) accepts, Rejected (0) rejects.
struct Close {
    int result = 0;
};
// What a combo box, list or grid shows, reported as one List line, or a Columns line and one Row
// line per grid row: from the first item or row, at most `rows` of them (none: all it holds).
struct List {
    QString name;
    std::optional<int> rows;
};
}  // namespace action

using FormAction =
    std::variant<action::Click, action::SetText, action::Check, action::CheckItem, action::Select,
                 action::SelectRows, action::MakeCurrent, action::Focus, action::PressKey,
                 action::Drag, action::Close, action::List>;

// Does the action on the form, reporting what it reads to `report`; throws DialogScriptError
// when the form cannot take it (no such component, a disabled or hidden one, one of another
// kind, no such row or item, a text the edit refuses).
void perform(QWidget& form, const FormAction& action, const EventSink& report);

// Closes the form as Esc does: a dialog is rejected, another window closed.
void cancelForm(QWidget& form);

// The class name without namespaces: "kvt::dialogs::TSmenaListFrm" -> "TSmenaListFrm".
QString formClassName(const QObject& object);

}  // namespace kvt::host
