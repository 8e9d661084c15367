#pragma once
// The console's standard error box, and the desktop services it lends the plug-in (see
// kHostServicesObjectName in kvtreports/Host.h): the plug-in's error boxes and beeps become the
// console's.
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QWidget;

namespace kvt::station {

// The title of the console's message boxes.
inline constexpr const char* kStationTitle = "BLM KVT";

class ErrorBox {
public:
    virtual ~ErrorBox() = default;
    // Shows the message; never throws.
    virtual void show(const QString& message) = 0;
};

// A critical message box over the console's window.
class MessageErrorBox final : public ErrorBox {
public:
    explicit MessageErrorBox(QWidget* window) : window_(window) {}
    void show(const QString& message) override;

private:
    QPointer<QWidget> window_;
};

// A child of the application object named kHostServicesObjectName, for as long as it lives.
class HostServices final : public QObject {
    Q_OBJECT
public:
    explicit HostServices(std::shared_ptr<ErrorBox> errorBox);

    Q_INVOKABLE void beep(int frequencyHz, int durationMs);
    Q_INVOKABLE void showException(const QString& message);

private:
    std::shared_ptr<ErrorBox> errorBox_;
};

}  // namespace kvt::station
