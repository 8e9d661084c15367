#include "host/kit/FormActions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>
#include <QTextEdit>

#include <string>
#include <vector>

namespace kvt::host {

namespace {

// The grid models of the plug-in (kvt::data::DataSetModel::FieldNameRole) give each column's
// field name in this header role; the column title may be a label that differs from it.
constexpr int kFieldNameRole = Qt::UserRole + 3;

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// clang before 17 deduces no template arguments for aggregates without a guide.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// What a failure is about: a component of the form, or one item of it.
QString named(const QString& name) {
    return "компонент \"" + name + "\"";
}
QString itemOf(const QString& name, int index) {
    return "пункт " + QString::number(index) + " компонента \"" + name + "\"";
}

[[noreturn]] void fail(const QString& subject, const QString& what) {
    throw DialogScriptError((subject + " " + what).toStdString());
}

QObject& component(QWidget& form, const QString& name) {
    QObject* found = form.findChild<QObject*>(name);
    if (found == nullptr)
        throw DialogScriptError(
            ("на форме " + formClassName(form) + " нет компонента \"" + name + "\"").toStdString());
    return *found;
}

// The operator reaches only what is shown and enabled.
void requireUsable(const QWidget& widget, const QString& subject) {
    if (!widget.isVisible())
        fail(subject, "скрыт");
    if (!widget.isEnabled())
        fail(subject, "недоступен");
}

template <class Widget>
Widget& usable(QWidget& form, const QString& name, const QString& kind) {
    auto* widget = qobject_cast<Widget*>(&component(form, name));
    if (widget == nullptr)
        fail(named(name), "не является " + kind);
    requireUsable(*widget, named(name));
    return *widget;
}

void click(QWidget& form, const action::Click& click) {
    QObject& target = component(form, click.name);
    if (auto* action = qobject_cast<QAction*>(&target)) {
        if (!action->isEnabled())
            fail(named(click.name), "недоступен");
        action->trigger();
        return;
    }
    usable<QAbstractButton>(form, click.name, "кнопкой или действием").click();
}

// The line an edit, spin box, date edit or editable combo box types into; null for others.
QLineEdit* lineEditOf(QWidget& widget) {
    if (auto* edit = qobject_cast<QLineEdit*>(&widget))
        return edit;
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(&widget))
        return spinBox->findChild<QLineEdit*>();
    if (auto* comboBox = qobject_cast<QComboBox*>(&widget))
        return comboBox->lineEdit();
    return nullptr;
}

// Typing over the selection passes the validator and input mask and emits textEdited, as the
// operator's keys do. False when the edit refused a character or holds a text it would not take
// (an unfinished date, a mask not filled): the form would go on with its old value.
bool typeInto(QLineEdit& edit, const QString& text, const QString& name) {
    if (edit.isReadOnly())
        fail(named(name), "только для чтения");
    bool rejected = false;
    const QMetaObject::Connection watch =
        QObject::connect(&edit, &QLineEdit::inputRejected, [&rejected] { rejected = true; });
    edit.selectAll();
    edit.insert(text);
    QObject::disconnect(watch);
    return !rejected && edit.hasAcceptableInput();
}

[[noreturn]] void refuseText(const QWidget& widget, const action::SetText& set) {
    const auto* dateTimeEdit = qobject_cast<const QDateTimeEdit*>(&widget);
    fail(named(set.name),
         "не принимает текст \"" + set.text + "\"" +
             (dateTimeEdit != nullptr ? " в формате " + dateTimeEdit->displayFormat() : QString()));
}

// Multi-line edits take the text whole.
template <class TextEdit>
bool replaceText(QWidget& widget, const action::SetText& set) {
    auto* edit = qobject_cast<TextEdit*>(&widget);
    if (edit == nullptr)
        return false;
    if (edit->isReadOnly())
        fail(named(set.name), "только для чтения");
    edit->setPlainText(set.text);
    return true;
}

// A date edit reads typed text section by section as keys arrive; text put into its line edit
// at once keeps sections of the old date. The text is read in the edit's display format instead.
bool setDateTime(QWidget& widget, const action::SetText& set) {
    auto* edit = qobject_cast<QDateTimeEdit*>(&widget);
    if (edit == nullptr)
        return false;
    if (edit->isReadOnly())
        fail(named(set.name), "только для чтения");
    QDateTime value = QDateTime::fromString(set.text, edit->displayFormat());
    if (!value.isValid())
        value = QDateTime::fromString(set.text, Qt::ISODate);
    if (!value.isValid())
        refuseText(widget, set);
    edit->setDateTime(value);
    return true;
}

void setText(QWidget& form, const action::SetText& set) {
    auto& widget = usable<QWidget>(form, set.name, "элементом формы");
    if (setDateTime(widget, set))
        return;
    if (QLineEdit* edit = lineEditOf(widget)) {
        if (!typeInto(*edit, set.text, set.name))
            refuseText(widget, set);
        if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(&widget))
            spinBox->interpretText();
    } else if (!replaceText<QPlainTextEdit>(widget, set) && !replaceText<QTextEdit>(widget, set)) {
        fail(named(set.name), "не принимает текст");
    }
}

void requireItem(const QString& name, int index, int count) {
    if (index < 0 || index >= count)
        fail(named(name), "не содержит пункта " + QString::number(index));
}

// The item's check state set through the model, as a click on the item's box sets it: the
// list tells its handlers that the item changed.
void checkItem(QWidget& form, const action::CheckItem& check) {
    auto& view = usable<QListView>(form, check.name, "списком с флажками");
    QAbstractItemModel* model = view.model();
    requireItem(check.name, check.index, model != nullptr ? model->rowCount() : 0);
    const QModelIndex index = model->index(check.index, view.modelColumn());
    const QString item = itemOf(check.name, check.index);
    if (!index.flags().testFlag(Qt::ItemIsUserCheckable) ||
        !index.data(Qt::CheckStateRole).isValid())
        fail(item, "без флажка");
    if (!index.flags().testFlag(Qt::ItemIsEnabled))
        fail(item, "недоступен");
    const Qt::CheckState wanted = check.checked ? Qt::Checked : Qt::Unchecked;
    if (index.data(Qt::CheckStateRole).toInt() != wanted)
        model->setData(index, static_cast<int>(wanted), Qt::CheckStateRole);
}

void check(QWidget& form, const action::Check& check) {
    auto& box = usable<QAbstractButton>(form, check.name, "флажком");
    if (!box.isCheckable())
        fail(named(check.name), "не является флажком");
    if (box.isChecked() != check.checked)
        box.click();
}

// The index becomes current and the only one selected, as a plain click makes it. Explicit,
// because what QAbstractItemView::setCurrentIndex selects depends on the modifier keys the
// application saw last, and a scripted Ctrl+key leaves Ctrl there.
void moveTo(QAbstractItemView& view, const QModelIndex& index) {
    view.scrollTo(index);
    view.selectionModel()->setCurrentIndex(
        index, view.selectionMode() == QAbstractItemView::NoSelection
                   ? QItemSelectionModel::NoUpdate
                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void select(QWidget& form, const action::Select& select) {
    auto& widget = usable<QWidget>(form, select.name, "элементом формы");
    if (auto* comboBox = qobject_cast<QComboBox*>(&widget)) {
        requireItem(select.name, select.index, comboBox->count());
        comboBox->setCurrentIndex(select.index);
        // A choice by the operator is announced as activated, unlike a change by code.
        emit comboBox->activated(select.index);
        emit comboBox->textActivated(comboBox->itemText(select.index));
    } else if (auto* view = qobject_cast<QAbstractItemView*>(&widget)) {
        QAbstractItemModel* model = view->model();
        requireItem(select.name, select.index, model != nullptr ? model->rowCount() : 0);
        moveTo(*view, model->index(select.index, 0));
    } else if (const auto radios = widget.findChildren<QRadioButton*>(); !radios.isEmpty()) {
        requireItem(select.name, select.index, static_cast<int>(radios.size()));
        QRadioButton& radio = *radios[select.index];
        requireUsable(radio, itemOf(select.name, select.index));
        radio.click();
    } else {
        fail(named(select.name), "не содержит пунктов для выбора");
    }
}

QAbstractItemView& grid(QWidget& form, const QString& name) {
    auto& view = usable<QAbstractItemView>(form, name, "таблицей");
    if (view.model() == nullptr || view.selectionModel() == nullptr)
        fail(named(name), "не показывает данных");
    return view;
}

int columnOf(const QAbstractItemModel& model, const QString& gridName, const QString& field) {
    for (const int role : {kFieldNameRole, static_cast<int>(Qt::DisplayRole)})
        for (int column = 0; column < model.columnCount(); ++column)
            if (model.headerData(column, Qt::Horizontal, role).toString() == field)
                return column;
    fail(named(gridName), "не содержит столбца \"" + field + "\"");
}

QString cellText(const QModelIndex& index) {
    const QVariant edited = index.data(Qt::EditRole);
    return (edited.isValid() ? edited : index.data(Qt::DisplayRole)).toString();
}

int rowOf(const QAbstractItemModel& model, int column, const QString& gridName,
          const QString& field, const QString& value) {
    for (int row = 0; row < model.rowCount(); ++row)
        if (cellText(model.index(row, column)) == value)
            return row;
    fail(named(gridName), "не содержит строки, где " + field + " = \"" + value + "\"");
}

void selectRows(QWidget& form, const action::SelectRows& rows) {
    QAbstractItemView& view = grid(form, rows.grid);
    const QAbstractItemModel& model = *view.model();
    const int column = columnOf(model, rows.grid, rows.field);
    const auto mode = view.selectionMode();
    if (rows.values.size() > 1 && mode != QAbstractItemView::MultiSelection &&
        mode != QAbstractItemView::ExtendedSelection)
        fail(named(rows.grid), "выделяет только одну строку за раз");
    QItemSelection marked;
    int last = -1;
    for (const QString& value : rows.values) {
        last = rowOf(model, column, rows.grid, rows.field, value);
        marked.select(model.index(last, 0), model.index(last, model.columnCount() - 1));
    }
    view.selectionModel()->select(marked, QItemSelectionModel::ClearAndSelect);
    view.selectionModel()->setCurrentIndex(model.index(last, column),
                                           QItemSelectionModel::NoUpdate);
}

void makeCurrent(QWidget& form, const action::MakeCurrent& current) {
    QAbstractItemView& view = grid(form, current.grid);
    const QAbstractItemModel& model = *view.model();
    const int column = columnOf(model, current.grid, current.field);
    moveTo(view,
           model.index(rowOf(model, column, current.grid, current.field, current.value), column));
}

// The text a key types: a printable key without Ctrl, Alt or Meta types its character.
QString typedText(QKeyCombination key) {
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const int code = static_cast<int>(key.key());
    if ((key.keyboardModifiers() & commands) != Qt::NoModifier || code >= Qt::Key_Escape)
        return {};
    const QString text(QChar(static_cast<char16_t>(code)));
    return key.keyboardModifiers().testFlag(Qt::ShiftModifier) ? text : text.toLower();
}

void pressKey(QWidget& form, const action::PressKey& press) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || (target != &form && !form.isAncestorOf(target)))
        target = form.focusWidget() != nullptr ? form.focusWidget() : &form;
    const QString text = typedText(press.key);
    // A key press sent by the program passes the shortcut map first, as a typed one does.
    QKeyEvent down(QEvent::KeyPress, press.key.key(), press.key.keyboardModifiers(), text);
    QCoreApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, press.key.key(), press.key.keyboardModifiers(), text);
    QCoreApplication::sendEvent(target, &up);
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, held, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

// The pointer stays where the operator left it on the screen while the component moves under
// it, as a handler of the move may make it. A handler may also close the form or remove the
// component on the way; the drag ends there.
void drag(QWidget& form, const action::Drag& drag) {
    const QPointer<QWidget> widget(&usable<QWidget>(form, drag.name, "элементом формы"));
    const QPoint start = widget->rect().center();
    const QPoint end = widget->mapToGlobal(start + drag.offset);
    sendMouse(*widget, QEvent::MouseButtonPress, start, drag.button, drag.button, drag.modifiers);
    if (widget)
        sendMouse(*widget, QEvent::MouseMove, widget->mapFromGlobal(end), Qt::NoButton, drag.button,
                  drag.modifiers);
    if (widget)
        sendMouse(*widget, QEvent::MouseButtonRelease, widget->mapFromGlobal(end), drag.button,
                  Qt::NoButton, drag.modifiers);
}

void close(QWidget& form, const action::Close& close) {
    auto* dialog = qobject_cast<QDialog*>(&form);
    if (dialog == nullptr)
        form.close();
    else if (close.result == QDialog::Accepted)
        dialog->accept();
    else if (close.result == QDialog::Rejected)
        dialog->reject();
    else
        dialog->done(close.result);
}

bool hasRoom(const action::List& list, std::size_t reported) {
    return !list.rows || static_cast<std::size_t>(*list.rows) > reported;
}

std::vector<std::string> comboItems(const QComboBox& comboBox, const action::List& list) {
    std::vector<std::string> items;
    for (int i = 0; i < comboBox.count() && hasRoom(list, items.size()); ++i)
        items.push_back(comboBox.itemText(i).toStdString());
    return items;
}

// The model rows a list or grid shows, from the first, as many as the action asks.
template <class View>
std::vector<int> shownRows(const View& view, const action::List& list) {
    std::vector<int> rows;
    for (int row = 0; row < view.model()->rowCount() && hasRoom(list, rows.size()); ++row)
        if (!view.isRowHidden(row))
            rows.push_back(row);
    return rows;
}

std::vector<std::string> listItems(const QListView& view, const action::List& list) {
    std::vector<std::string> items;
    for (const int row : shownRows(view, list))
        items.push_back(
            view.model()->index(row, view.modelColumn()).data().toString().toStdString());
    return items;
}

// The model columns the grid shows, left to right as it draws them.
std::vector<int> shownColumns(const QTableView& grid) {
    const QHeaderView& header = *grid.horizontalHeader();
    std::vector<int> columns;
    for (int visual = 0; visual < header.count(); ++visual)
        if (const int column = header.logicalIndex(visual); !grid.isColumnHidden(column))
            columns.push_back(column);
    return columns;
}

// A grid's model holds one row per record in the dataset's order, so a row's record number is
// the row plus one.
void reportGrid(const QTableView& grid, const action::List& list, const EventSink& report) {
    const QAbstractItemModel& model = *grid.model();
    const std::string name = list.name.toStdString();
    const std::vector<int> columns = shownColumns(grid);
    std::vector<std::string> texts;
    for (const int column : columns)
        texts.push_back(model.headerData(column, Qt::Horizontal).toString().toStdString());
    report(event::columns(name, texts));
    for (const int row : shownRows(grid, list)) {
        texts.clear();
        for (const int column : columns)
            texts.push_back(model.index(row, column).data().toString().toStdString());
        report(event::row(name, row + 1, texts));
    }
}

// What the operator sees needs no enabled list: a disabled one still shows its items.
void listShown(QWidget& form, const action::List& list, const EventSink& report) {
    QObject& target = component(form, list.name);
    const auto* widget = qobject_cast<QWidget*>(&target);
    if (widget != nullptr && !widget->isVisible())
        fail(named(list.name), "скрыт");
    const std::string name = list.name.toStdString();
    const auto* view = qobject_cast<QAbstractItemView*>(&target);
    const bool hasModel = view != nullptr && view->model() != nullptr;
    if (const auto* comboBox = qobject_cast<QComboBox*>(&target))
        report(event::list(name, comboItems(*comboBox, list)));
    else if (const auto* grid = qobject_cast<QTableView*>(&target); grid && hasModel)
        reportGrid(*grid, list, report);
    else if (const auto* listView = qobject_cast<QListView*>(&target); listView && hasModel)
        report(event::list(name, listItems(*listView, list)));
    else
        fail(named(list.name), "не показывает списка");
}

}  // namespace

void perform(QWidget& form, const FormAction& action, const EventSink& report) {
    std::visit(
        Overloaded{
            [&](const action::Click& a) { click(form, a); },
            [&](const action::SetText& a) { setText(form, a); },
            [&](const action::Check& a) { check(form, a); },
            [&](const action::CheckItem& a) { checkItem(form, a); },
            [&](const action::Select& a) { select(form, a); },
            [&](const action::SelectRows& a) { selectRows(form, a); },
            [&](const action::MakeCurrent& a) { makeCurrent(form, a); },
            [&](const action::Focus& a) {
                usable<QWidget>(form, a.name, "элементом формы").setFocus(Qt::TabFocusReason);
            },
            [&](const action::PressKey& a) { pressKey(form, a); },
            [&](const action::Drag& a) { drag(form, a); },
            [&](const action::Close& a) { close(form, a); },
            [&](const action::List& a) { listShown(form, a, report); }},
        action);
}

void cancelForm(QWidget& form) {
    close(form, action::Close{QDialog::Rejected});
}

QString formClassName(const QObject& object) {
    const QString name = QString::fromLatin1(object.metaObject()->className());
    return name.mid(name.lastIndexOf(':') + 1);
}

}  // namespace kvt::host
