#pragma once
// The Qt platform of a host that shows no window of its own (kvt-hostsim, kvt-station
// --dump-menu): on a machine without a display the forms still run, off screen.

namespace kvt::host {

// Chooses Qt's "offscreen" platform when neither a display nor a platform (QT_QPA_PLATFORM) is
// given. Call before the application object is made.
void chooseHeadlessPlatform();

}  // namespace kvt::host
