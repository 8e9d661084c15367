#pragma once
// Sees the keys of the whole application before the widgets they are meant for: the viewer's
// F5 wherever the focus is, and the form's own look at keys before its controls. The hook
// lives as long as its parent and unhooks itself when destroyed.
#include <QObject>

#include <functional>

class QKeyEvent;

namespace kvt::viewer {

class ApplicationKeyHook : public QObject {
    Q_OBJECT
public:
    // Gets key presses and shortcut overrides (the question asked before a key may fire a
    // shortcut) with their receiver; true when it took the key, which then goes no further.
    using Handler = std::function<bool(QObject& receiver, QKeyEvent& key)>;

    ApplicationKeyHook(const QString& name, QObject* parent, Handler handler);
    ~ApplicationKeyHook() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
};

}  // namespace kvt::viewer
