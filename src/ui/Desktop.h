#pragma once
// The plug-in's footing on the host's desktop: the Qt application object, the host's main window
// that the plug-in's forms belong to, the standard error box and the beeps. A host may lend its
// own error box and beep (see kHostServicesObjectName in kvtreports/Host.h); the plug-in uses
// them when it finds them.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

class QApplication;
class QWidget;

namespace kvt::ui {

// A QApplication for a host that has none yet; empty when one exists already. The caller keeps
// it for as long as the plug-in's forms may be used.
std::unique_ptr<QApplication> ensureApplication();

// The native window id of the host's main window (0: none). The plug-in's forms are transient
// for it.
void setApplicationHandle(std::intptr_t handle);
std::intptr_t applicationHandle();
// The host's main window as a widget of this process, or nullptr when the handle names none.
QWidget* hostWindow();

// The application's standard error box: the host's, when it lends one, else a critical message
// box over the host's window. Never throws.
void showException(const std::string& message);
void showException(const std::exception& error);

// Makes every beep of the system (platform::Beep) go to the host's beep when it lends one, else
// to the desktop's.
void installDesktopBeep();

// Tells the host every vedFilter the in-process application server is set to, when it lends the
// service for it (kvtreports/Host.h).
void installVedFilterTrace();

}  // namespace kvt::ui
