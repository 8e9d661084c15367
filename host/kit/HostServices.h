#pragma once
// The desktop services a headless host lends the plug-in (kHostServicesObjectName in
// kvtreports/Host.h): its beeps, its standard error box and the vedFilter changes of its
// application server become event lines.
#include <QObject>
#include <QString>

#include "host/kit/HostEvents.h"

namespace kvt::host {

class HostServices : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the application object under the name the plug-in looks for; the
    // application must exist.
    explicit HostServices(EventSink sink);

    Q_INVOKABLE void beep(int frequencyHz, int durationMs);
    Q_INVOKABLE void showException(const QString& message);
    Q_INVOKABLE void vedFilterChanged(int value);

private:
    EventSink sink_;
};

}  // namespace kvt::host
