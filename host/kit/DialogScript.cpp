#include "host/kit/DialogScript.h"

#include <QApplication>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

namespace kvt::host {

namespace {

// Fast enough to act before an operator could, slow enough to cost nothing while a form waits.
constexpr int kPollIntervalMs = 10;

[[noreturn]] void bad(const std::string& where, const std::string& what) {
    throw DialogScriptError("Сценарий форм, " + where + ": " + what);
}

std::string named(const QString& name) {
    return "\"" + name.toStdString() + "\"";
}

bool isInteger(const QJsonValue& value) {
    const double number = value.toDouble();
    return value.isDouble() && number == std::floor(number) &&
           number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
}

QString textOf(const QJsonValue& value, const std::string& where) {
    if (value.isString())
        return value.toString();
    if (!value.isDouble())
        bad(where, "ожидается текст или число");
    const double number = value.toDouble();
    return number == std::floor(number) && std::abs(number) < 1e15
               ? QString::number(static_cast<qint64>(number))
               : QString::number(number, 'g', 15);
}

QString stringOf(const QJsonValue& value, const std::string& where, const std::string& what) {
    if (!value.isString() || value.toString().isEmpty())
        bad(where, what + " должен быть непустым текстом");
    return value.toString();
}

QKeyCombination keyOf(const QJsonValue& value, const std::string& where) {
    const QString text = stringOf(value, where, "\"key\"");
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
        bad(where, "неизвестная клавиша \"" + text.toStdString() + "\"");
    return sequence[0];
}

int resultOf(const QJsonValue& value, const std::string& where) {
    if (value == QJsonValue("ok"))
        return QDialog::Accepted;
    if (value == QJsonValue("cancel"))
        return QDialog::Rejected;
    if (!isInteger(value))
        bad(where, "\"close\" принимает \"ok\", \"cancel\" или номер модального результата");
    return value.toInt();
}

// {"field": F, ...} of the grid actions.
QString fieldOf(const QJsonObject& object, const std::string& where) {
    return stringOf(object.value("field"), where, "\"field\"");
}

template <class Value>
struct NamedValue {
    const char* name;
    Value value;
};

constexpr NamedValue<Qt::MouseButton> kButtons[]{
    {"left", Qt::LeftButton}, {"right", Qt::RightButton}, {"middle", Qt::MiddleButton}};
constexpr NamedValue<Qt::KeyboardModifier> kModifiers[]{{"shift", Qt::ShiftModifier},
                                                        {"ctrl", Qt::ControlModifier},
                                                        {"alt", Qt::AltModifier},
                                                        {"meta", Qt::MetaModifier}};

template <class Value, std::size_t count>
Value valueNamed(const NamedValue<Value> (&values)[count], const QJsonValue& name,
                 const std::string& where, const std::string& what) {
    for (const auto& entry : values)
        if (name == QJsonValue(entry.name))
            return entry.value;
    std::string known;
    for (const auto& entry : values)
        known += std::string(known.empty() ? "" : ", ") + "\"" + entry.name + "\"";
    bad(where, "неизвестная " + what + ", допустимы " + known);
}

int pixelsOf(const QJsonObject& object, const char* key, const std::string& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return 0;
    if (!isInteger(value))
        bad(where, "\"drag\" принимает для \"" + std::string(key) + "\" целое число пикселей");
    return value.toInt();
}

action::Drag dragOf(const QString& name, const QJsonValue& value, const std::string& where) {
    const QJsonObject object = value.toObject();
    if (!value.isObject())
        bad(where,
            R"("drag" принимает {"button": B, "dx": X, "dy": Y, "modifiers": [M, ...]} для )" +
                named(name));
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != "button" && it.key() != "dx" && it.key() != "dy" && it.key() != "modifiers")
            bad(where, "у \"drag\" нет ключа \"" + it.key().toStdString() + "\"");
    const QJsonValue modifiers = object.value("modifiers");
    if (!modifiers.isUndefined() && !modifiers.isArray())
        bad(where, "\"modifiers\" должен быть массивом названий клавиш");
    Qt::KeyboardModifiers held;
    for (const QJsonValue& modifier : modifiers.toArray())
        held |= valueNamed(kModifiers, modifier, where, "клавиша-модификатор");
    return {name,
            object.contains("button")
                ? valueNamed(kButtons, object.value("button"), where, "кнопка мыши")
                : Qt::LeftButton,
            QPoint(pixelsOf(object, "dx", where), pixelsOf(object, "dy", where)), held};
}

// {"item": I, "checked": B}: one item of a check list, ticked unless B is false.
FormAction checkOf(const QString& name, const QJsonValue& value, const std::string& where) {
    if (value.isBool())
        return action::Check{name, value.toBool()};
    const QJsonObject object = value.toObject();
    const QJsonValue item = object.value("item");
    const QJsonValue checked = object.value("checked");
    if (!value.isObject() || !isInteger(item) || item.toInt() < 0 ||
        !(checked.isUndefined() || checked.isBool()))
        bad(where,
            R"("check" принимает true, false или {"item": I, "checked": B} для )" + named(name));
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != "item" && it.key() != "checked")
            bad(where, "у \"check\" нет ключа \"" + it.key().toStdString() + "\"");
    return action::CheckItem{name, item.toInt(), checked.toBool(true)};
}

FormAction namedAction(const QString& kind, const QString& name, const QJsonValue& value,
                       const std::string& where) {
    if (kind == "drag")
        return dragOf(name, value, where);
    if (kind == "set")
        return action::SetText{name, textOf(value, where)};
    if (kind == "check")
        return checkOf(name, value, where);
    if (kind == "select") {
        if (!isInteger(value) || value.toInt() < 0)
            bad(where, "\"select\" принимает номер пункта от 0 для " + named(name));
        return action::Select{name, value.toInt()};
    }
    if (kind == "list") {
        if (!isInteger(value) || value.toInt() < 0)
            bad(where, "\"list\" принимает число строк от 0 для " + named(name));
        return action::List{name, value.toInt()};
    }
    const QJsonObject object = value.toObject();
    if (kind == "selectRows") {
        const QJsonArray values = object.value("values").toArray();
        if (!value.isObject() || values.isEmpty())
            bad(where,
                "\"selectRows\" принимает {\"field\": F, \"values\": [V, ...]} для " + named(name));
        QStringList texts;
        for (const QJsonValue& item : values)
            texts.append(textOf(item, where));
        return action::SelectRows{name, fieldOf(object, where), texts};
    }
    if (!value.isObject() || !object.contains("value"))
        bad(where, "\"current\" принимает {\"field\": F, \"value\": V} для " + named(name));
    return action::MakeCurrent{name, fieldOf(object, where), textOf(object.value("value"), where)};
}

void appendActions(const QJsonValue& entry, const std::string& where,
                   std::vector<FormAction>& actions) {
    const QJsonObject object = entry.toObject();
    if (!entry.isObject() || object.size() != 1)
        bad(where, "действие — объект ровно с одним ключом");
    const QString kind = object.begin().key();
    const QJsonValue value = object.begin().value();
    if (kind == "click")
        actions.emplace_back(action::Click{stringOf(value, where, "\"click\"")});
    else if (kind == "focus")
        actions.emplace_back(action::Focus{stringOf(value, where, "\"focus\"")});
    else if (kind == "key")
        actions.emplace_back(action::PressKey{keyOf(value, where)});
    else if (kind == "close")
        actions.emplace_back(action::Close{resultOf(value, where)});
    else if (kind == "list" && value.isString())
        actions.emplace_back(action::List{stringOf(value, where, "\"list\""), std::nullopt});
    else if (kind == "set" || kind == "check" || kind == "select" || kind == "selectRows" ||
             kind == "current" || kind == "list" || kind == "drag") {
        const QJsonObject targets = value.toObject();
        if (!value.isObject() || targets.isEmpty())
            bad(where, "\"" + kind.toStdString() +
                           "\" принимает объект с именами компонентов в качестве ключей");
        for (auto it = targets.begin(); it != targets.end(); ++it)
            actions.push_back(namedAction(kind, it.key(), it.value(), where));
    } else {
        bad(where, "неизвестное действие \"" + kind.toStdString() + "\"");
    }
}

DialogStep stepOf(const QJsonValue& entry, const std::string& where) {
    const QJsonObject object = entry.toObject();
    if (!entry.isObject())
        bad(where, "шаг — объект {\"form\": КЛАСС, \"do\": [ДЕЙСТВИЕ, ...]}");
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != "form" && it.key() != "do")
            bad(where, "неизвестный ключ \"" + it.key().toStdString() + "\"");
    DialogStep step{stringOf(object.value("form"), where, "\"form\""), {}};
    const QJsonValue actions = object.value("do");
    if (!actions.isUndefined() && !actions.isArray())
        bad(where, "\"do\" должен быть массивом действий");
    const QJsonArray list = actions.toArray();
    for (qsizetype i = 0; i < list.size(); ++i)
        appendActions(list[i], where + ", действие " + std::to_string(i + 1), step.actions);
    return step;
}

}  // namespace

DialogScript::DialogScript(std::vector<DialogStep> steps, EventSink sink)
    : steps_(std::move(steps)), sink_(std::move(sink)) {
    poller_.setInterval(kPollIntervalMs);
    connect(&poller_, &QTimer::timeout, this, &DialogScript::poll);
    poller_.start();
}

std::vector<DialogStep> DialogScript::parse(const std::string& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (error.error != QJsonParseError::NoError)
        throw DialogScriptError(
            "Сценарий форм не является правильным JSON: " + error.errorString().toStdString() +
            " в позиции " + std::to_string(error.offset));
    if (!document.isArray())
        throw DialogScriptError("Сценарий форм должен быть массивом шагов JSON");
    std::vector<DialogStep> steps;
    const QJsonArray list = document.array();
    for (qsizetype i = 0; i < list.size(); ++i)
        steps.push_back(stepOf(list[i], "шаг " + std::to_string(i + 1)));
    return steps;
}

std::vector<DialogStep> DialogScript::load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DialogScriptError("Не удалось прочитать сценарий форм " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

void DialogScript::finish() {
    if (remainingSteps() == 0)
        return;
    sink_(event::error("Шаг " + std::to_string(next_ + 1) + " (" +
                       steps_[next_].form.toStdString() +
                       ") сценария форм не дождался своей формы"));
    next_ = steps_.size();
}

bool DialogScript::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide) {
        std::erase_if(handled_,
                      [watched](const QPointer<QWidget>& form) { return form == watched; });
        watched->removeEventFilter(this);
    }
    return false;
}

bool DialogScript::handled(const QWidget& form) const {
    return std::any_of(handled_.begin(), handled_.end(),
                       [&form](const QPointer<QWidget>& seen) { return seen == &form; });
}

// Work on a form runs out of the poller's slot: an action may open another modal form, and its
// event loop needs the poller free to fire (a timer never re-enters its own slot).
void DialogScript::later(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void DialogScript::poll() {
    std::erase_if(handled_, [](const QPointer<QWidget>& form) { return form.isNull(); });
    QWidget* form = QApplication::activeModalWidget();
    if (form == nullptr || handled(*form))
        return;
    handled_.emplace_back(form);
    form->installEventFilter(this);
    if (auto* box = qobject_cast<QMessageBox*>(form)) {
        sink_(event::messageBox(box->windowTitle().toStdString(), box->text().toStdString()));
        later([this, box = QPointer<QMessageBox>(box)] {
            if (box)
                answer(*box);
        });
        return;
    }
    take(*form);
}

void DialogScript::take(QWidget& form) {
    const QString className = formClassName(form);
    sink_(event::shown(className.toStdString(), form.windowTitle().toStdString()));
    const QPointer<QWidget> guarded(&form);
    if (remainingSteps() > 0 && steps_[next_].form == className) {
        const std::size_t number = ++next_;
        later([this, guarded, step = steps_[number - 1], number] { run(guarded, step, number); });
        return;
    }
    if (remainingSteps() > 0) {
        sink_(event::error("Шаг " + std::to_string(next_ + 1) + " сценария форм ждет форму " +
                           steps_[next_].form.toStdString() + ", а не " + className.toStdString()));
        next_ = steps_.size();
    }
    later([this, guarded] {
        if (guarded)
            cancel(*guarded);
    });
}

// As the operator's Enter would: the default button, which a box without an explicit one
// chooses when shown; without any, Esc, which takes the box's escape button.
void DialogScript::answer(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        auto* push = qobject_cast<QPushButton*>(button);
        if (push != nullptr && push->isDefault() && push->isVisible() && push->isEnabled()) {
            push->click();
            return;
        }
    }
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &escape);
}

void DialogScript::run(QWidget* form, const DialogStep& step, std::size_t number) {
    const QPointer<QWidget> guarded(form);
    const std::string where =
        "Шаг " + std::to_string(number) + " (" + step.form.toStdString() + ")";
    for (std::size_t i = 0; i < step.actions.size(); ++i) {
        std::string failure;
        try {
            if (!guarded || !guarded->isVisible())
                throw DialogScriptError("форма закрылась до действия " + std::to_string(i + 1));
            perform(*guarded, step.actions[i], sink_);
        } catch (const DialogScriptError& error) {
            failure = where + ": " + error.what();
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = where + ": неизвестная ошибка";
        }
        if (failure.empty())
            continue;
        sink_(event::error(failure));
        next_ = steps_.size();
        if (guarded && guarded->isVisible())
            cancel(*guarded);
        return;
    }
}

void DialogScript::cancel(QWidget& form) {
    sink_(event::cancelled(formClassName(form).toStdString()));
    cancelForm(form);
}

}  // namespace kvt::host
