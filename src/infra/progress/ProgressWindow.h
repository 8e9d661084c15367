#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <memory>
#include <vector>

#include "infra/progress/Xcb.h"

namespace kvt::infra {

// The progress window on the X server: borderless, above other windows, without a task bar
// entry (override-redirect), named "ProgressWnd". It has a connection of its own, so that it
// lives on while the application's GUI thread is blocked, and it belongs to the thread that
// opened it: every call must come from that thread.
//
// The window manager does not stack an override-redirect window; raising the console when the
// operator clicks it would put the console over the waiting window. The window therefore
// watches the top-level windows and goes back on top whenever one of the managed ones is shown
// or restacked. Other override-redirect windows (menus, tooltips, another waiting window) are
// left above it, so that two such windows never fight for the top.
//
// The face is shown as it is when the server takes 32-bit pixels in the host's byte order with
// 8-bit red, green and blue (the usual depth-24 true-colour screen); on other screens the
// window stays blank.
class ProgressWindow {
public:
    enum class InputKind { Escape, Click };
    struct Input {
        InputKind kind;
        QPoint at;  // where a click was, in window coordinates
    };

    // The window on the display that $DISPLAY names, not yet shown; nullptr when there is no
    // display or it cannot be reached.
    static std::unique_ptr<ProgressWindow> open();

    ProgressWindow(XcbConnection connection, xcb_screen_t* screen);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // The whole screen, for want of a better work area.
    QRect screenArea() const;
    // False once the server has gone away; the window is then useless.
    bool connected() const;

    // Moves and sizes the window and keeps it above the others. The first call shows it and
    // gives it the keyboard focus, so that Esc reaches it.
    void place(const QRect& geometry);
    void show(const QImage& face);
    // Esc presses and left clicks since the last call. Close requests are dropped: the user
    // cannot close the window. Puts the window back on top when a managed window was shown or
    // restacked since the last call.
    std::vector<Input> takeInput();

private:
    bool canShowImages() const;
    void raise();

    XcbConnection connection_;
    xcb_screen_t* screen_;
    xcb_window_t window_;
    xcb_gcontext_t gc_;
    std::vector<xcb_keycode_t> escapeKeys_;
    QRect geometry_;
    bool mapped_ = false;
    bool canShow_;
};

}  // namespace kvt::infra
