#pragma once
// Drives the modal forms of the plug-in from a script, so that a headless host or a test can
// run a menu entry to its end. Each modal form shown takes the next step of the script; a step
// names the form's class and lists actions on its components by component name:
//
//   [{"form": "TSmenaListFrm", "do": [
//        {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [12, 13]}}},
//        {"close": "ok"}]},
//    {"form": "TRptFrm", "do": [{"key": "F5"}, {"close": "cancel"}]}]
//
// Actions: {"click": NAME}, {"set": {NAME: TEXT}}, {"check": {NAME: true}},
// {"check": {NAME: {"item": INDEX, "checked": false}}},
// {"select": {NAME: INDEX}}, {"selectRows": {GRID: {"field": F, "values": [V, ...]}}},
// {"current": {GRID: {"field": F, "value": V}}}, {"focus": NAME}, {"key": "F4"},
// {"close": "ok" | "cancel" | N},
// {"list": NAME}, {"list": {NAME: COUNT}},
// {"drag": {NAME: {"button": "right", "dx": 0, "dy": -25, "modifiers": ["shift"]}}}.
// An object naming several components acts on them in the order of their names; grid values
// match a cell's editing text, numbers written without a fraction as whole numbers. Every action
// finds also components the form made after it was built (the shift list's pump buttons
// "TrkBtn1", ...); a toggle button toggles as under the mouse.
//
// "set" types the text as the operator would: a date edit reads it in its display format
// ("01.03.2024" for dd.MM.yyyy), a masked edit places it as its mask does ("08:30"); a text the
// edit refuses, or leaves unfinished, is an Error. A date edit also takes an ISO 8601 date-time
// ("2024-03-01T23:59:00"), for a time of day its format does not show.
//
// "check" with an object ticks (or, with "checked": false, unticks) item INDEX, from 0, of a
// check list, as a click on the item's box does; "checked" is true when left out.
//
// "drag" presses a mouse button ("left", the default, "right" or "middle") at the component's
// centre, moves the pointer by dx and dy pixels (0 by default) with the button held and releases
// it there, the modifier keys ("shift", "ctrl", "alt", "meta") held throughout; the press, the
// move and the release are mouse events to the component itself.
//
// "list" reports what a shown list holds, as the operator reads it, from its first item and at
// most COUNT items or rows: a combo box or list as one line List NAME "ITEM" ..., every item in
// order and the current one not marked (the selection is what "select" and "current" set); a
// grid as Columns NAME "HEADING" ... with its visible columns, then Row NAME N "TEXT" ... per
// row, N the record number and each text as the cell shows it (display format, get-text
// handler). Without COUNT, every row the grid holds.
//
// Every event is reported as a line (host/kit/HostEvents.h): each form as Shown; a message box
// as MessageBox, answered with its default (or Escape) button without taking a step; a form
// after the last step, or of another class than its step names, is cancelled as Esc does and
// reported as Cancelled. An action the form cannot take is an Error; the form is cancelled and
// the rest of the script dropped, since the forms that follow would no longer match it.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "host/kit/FormActions.h"
#include "host/kit/HostEvents.h"

class QMessageBox;

namespace kvt::host {

struct DialogStep {
    QString form;  // the class name, without namespaces
    std::vector<FormAction> actions;
};

class DialogScript : public QObject {
    Q_OBJECT
public:
    // Watches for modal forms from now on until destroyed. Needs the application object.
    DialogScript(std::vector<DialogStep> steps, EventSink sink);

    // The steps of a script in its JSON form; throws DialogScriptError naming the step and
    // action at fault.
    static std::vector<DialogStep> parse(const std::string& json);
    static std::vector<DialogStep> load(const std::filesystem::path& path);

    // The steps no form has taken yet.
    std::size_t remainingSteps() const { return steps_.size() - next_; }
    // Reports steps that no form took as an Error, so that a script expecting more forms than
    // came does not pass unnoticed.
    void finish();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void poll();
    bool handled(const QWidget& form) const;
    // Reports a modal form and gives it the next step, or cancels it.
    void take(QWidget& form);
    void answer(QMessageBox& box);
    void run(QWidget* form, const DialogStep& step, std::size_t number);
    void cancel(QWidget& form);
    void later(std::function<void()> work);

    std::vector<DialogStep> steps_;
    std::size_t next_ = 0;
    EventSink sink_;
    QTimer poller_;
    // The modal forms seen and not hidden since: each showing is taken once.
    std::vector<QPointer<QWidget>> handled_;
};

}  // namespace kvt::host
