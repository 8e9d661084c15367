#include "host/kit/HostServices.h"

#include <QCoreApplication>

#include "kvtreports/Host.h"

namespace kvt::host {

HostServices::HostServices(EventSink sink)
    : QObject(QCoreApplication::instance()), sink_(std::move(sink)) {
    setObjectName(kHostServicesObjectName);
}

void HostServices::beep(int frequencyHz, int durationMs) {
    sink_(event::beep(frequencyHz, durationMs));
}

void HostServices::showException(const QString& message) {
    sink_(event::error(message.toStdString()));
}

void HostServices::vedFilterChanged(int value) {
    sink_(event::vedFilter(value));
}

}  // namespace kvt::host
