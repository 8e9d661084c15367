// A stand-in for the report plug-in: one entry that asks for a report and its HTML page and
// shows both through the host's error box, then beeps; one entry that fails. SetNewUserPriv
// fails when host value 13 names the server "DOWN", and when the host called out of order.
#include <QCoreApplication>
#include <QMetaObject>
#include <QString>

#include <stdexcept>

#include "kvtreports/Host.h"

namespace {

kvt::GetReportFunc gGetReport = nullptr;
kvt::GetValueFunc gGetValue = nullptr;
kvt::GetHostValueFunc gGetHostValue = nullptr;

QObject& hostServices() {
    auto* services = QCoreApplication::instance()->findChild<QObject*>(kvt::kHostServicesObjectName,
                                                                       Qt::FindDirectChildrenOnly);
    if (services == nullptr)
        throw std::runtime_error("the host lends no services");
    return *services;
}

void show(const std::string& text) {
    QMetaObject::invokeMethod(&hostServices(), "showException", Qt::DirectConnection,
                              Q_ARG(QString, QString::fromStdString(text)));
}

void runReport(kvt::KvtMenuItem&) {
    kvt::Variant level;
    gGetHostValue(level, 15);
    std::string text;
    gGetReport(text, 99, kvt::Variant::list({kvt::Variant(12), kvt::Variant("a\"b"), level}));
    show(text);
    gGetReport(text, 55, kvt::Variant::array(0, -1));
    show(text);
    QMetaObject::invokeMethod(&hostServices(), "beep", Qt::DirectConnection, Q_ARG(int, 400),
                              Q_ARG(int, 100));
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void InitReportMenu(std::intptr_t,
                                                           kvt::KvtMenuItem* parentItem,
                                                           kvt::AddMenuItemFunc addMenuItem,
                                                           kvt::GetReportFunc getReport) {
    gGetReport = getReport;
    kvt::KvtMenuItem* journals = parentItem->item(1);
    journals->setCaption("&Журналы/Отчеты");
    kvt::KvtMenuItem* report = addMenuItem(journals, 0);
    report->setCaption("Сменный отчет");
    report->setOnClick(runReport);
    kvt::KvtMenuItem* failing = addMenuItem(journals, 1);
    failing->setCaption("Сбой");
    failing->setOnClick([](kvt::KvtMenuItem&) { throw std::runtime_error("Нет открытой смены"); });
}

__attribute__((visibility("default"))) void SetGetValue(kvt::GetValueFunc getValue) {
    gGetValue = getValue;
}

__attribute__((visibility("default"))) void SetNewUserPriv(kvt::KvtMenuItem*,
                                                           kvt::GetHostValueFunc getHostValue) {
    if (gGetReport == nullptr || gGetValue == nullptr)
        throw std::runtime_error("SetNewUserPriv before InitReportMenu and SetGetValue");
    gGetHostValue = getHostValue;
    kvt::Variant server;
    getHostValue(server, 13);
    if (server.toString() == "DOWN")
        throw std::runtime_error("Сервер DOWN недоступен");
}

__attribute__((visibility("default"))) void UpdateVidOpl() {}
}
