#include "host/station/HostServices.h"

#include <QApplication>
#include <QMessageBox>

#include "kvtreports/Host.h"

namespace kvt::station {

void MessageErrorBox::show(const QString& message) {
    try {
        QMessageBox::critical(window_, kStationTitle, message);
    } catch (...) {
        // The error box is where errors end: there is nobody left to tell.
    }
}

HostServices::HostServices(std::shared_ptr<ErrorBox> errorBox)
    : QObject(QCoreApplication::instance()), errorBox_(std::move(errorBox)) {
    setObjectName(kHostServicesObjectName);
}

// The desktop bell has neither pitch nor length.
void HostServices::beep(int, int) {
    QApplication::beep();
}

void HostServices::showException(const QString& message) {
    errorBox_->show(message);
}

}  // namespace kvt::station
