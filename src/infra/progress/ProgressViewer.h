#pragma once
// The waiting window: a small window above all others that stays alive and animated while the
// calling thread is blocked in a long operation. The window, its input and its drawing belong to
// a thread of the viewer's own; the caller only creates the viewer before the long call and
// finishes it afterwards:
//
//     auto progress = std::make_unique<TProgressViewer>("Формирование сменного отчета");
//     ... the long call ...
//     TProgressViewer::Finish(std::move(progress));
//
// If the long call throws, the unique_ptr frees the viewer all the same (without giving the
// focus back). The viewer draws text with Qt, so a QGuiApplication must exist for the viewer's
// whole life (any platform, "offscreen" included). The window is shown on the X display that
// $DISPLAY names; without one the viewer works the same but shows nothing.

#include <QPointer>
#include <QRect>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "infra/progress/AdditionalThread.h"
#include "infra/progress/StringItem.h"
#include "kvtreports/Exception.h"
#include "kvtreports/Variant.h"

namespace kvt::infra {

class ProgressCanvas;
class ProgressWindow;

class EProgressException : public ExceptionOf<EProgressException> {
public:
    using ExceptionOf::ExceptionOf;
};

// The first line of every viewer created afterwards.
std::string AppTitle();
void SetAppTitle(std::string title);

// Field codes of ChangeStringParams.
enum TStringParam : std::int32_t {
    spText = 0,
    spAlignment = 1,
    spWordWrap = 2,
    spFontName = 3,
    spFontSize = 4,
    spFontStyle = 5,
    spColor = 6,
};

using ProgressEvent = std::function<void(TProgressViewer& sender)>;

class TProgressViewer {
public:
    // Shows the window with the application title, `caption` (a blank when empty), a blank line
    // and the two-line wait notice; a running block, or a percentage when `percentMode`; the
    // cancel button when `showCancel`. `proc`, when given, runs once on a worker thread after
    // the window is there, with `userData` and this viewer.
    // Throws EProgressException when there is no QGuiApplication to draw with.
    explicit TProgressViewer(const std::string& caption, ProgressProc proc = {},
                             std::intptr_t userData = 0, bool showCancel = false,
                             bool percentMode = false);
    // Stops the viewer's thread and waits for it, removing the window; then waits for the
    // worker, whose procedure must have returned or be about to.
    ~TProgressViewer();
    TProgressViewer(const TProgressViewer&) = delete;
    TProgressViewer& operator=(const TProgressViewer&) = delete;

    // Frees the viewer, then gives the focus back to the window that had it when the viewer
    // was created (if it still exists and this is the GUI thread).
    static void Finish(std::unique_ptr<TProgressViewer> viewer);

    // Replaces the line with this Id, or adds one. -1 as size, fsDefault as style, clDefault as
    // colour and an empty font name take the viewer's defaults (SetLineDefaults), and where
    // those are unset too, the unit's ("MS Sans Serif", 8, no style, black).
    void AddString(std::int32_t id, const std::string& text, const std::string& fontName,
                   std::int32_t fontSize, std::uint8_t fontStyle, TColor color, bool wordWrap,
                   std::uint8_t alignment);
    // Sets the fields `params` names (TStringParam codes) of the line with this Id to the
    // values at the same places. Every failure is an EProgressException
    // "TProgressViewer.ChangeStringParams -> <reason>".
    void ChangeStringParams(std::int32_t id, const std::vector<std::int32_t>& params,
                            const std::vector<Variant>& values);
    // Line 0: added in the default font, 14 points, bold, centred, when missing; else its text
    // is replaced.
    void SetCaption(const std::string& text);
    // -1 keeps a dimension; at least 225 x 70. A new size moves the window to the bottom
    // middle of the work area.
    void SetSize(std::int32_t width, std::int32_t height);
    // Defaults for lines added later; the markers (empty, -1, fsDefault, clDefault) stand for
    // the unit's.
    void SetLineDefaults(const std::string& fontName, std::int32_t fontSize, std::uint8_t fontStyle,
                         TColor color);

    // Percent mode: 0..100 (clamped when drawn). Otherwise the running block's offset.
    double Position() const { return position_; }
    void SetPosition(double position) { position_ = position; }
    bool PercentMode() const { return percentMode_; }
    bool ShowCancel() const { return showCancel_; }
    void SetShowCancel(bool show) { showCancel_ = show; }
    // Set by Esc or the cancel button, for good.
    bool Cancelled() const { return cancelled_; }
    // Runs on the viewer's thread when the user cancels; its exceptions are swallowed.
    void SetOnCancel(ProgressEvent handler);

    std::string Caption() const;
    // The window's place and size on the screen.
    QRect Geometry() const;
    // The lines in Id order, with the heights of the last layout (0 before it).
    std::vector<TStringItem> Lines() const;
    // Whether the window is on a display now.
    bool HasWindow() const { return hasWindow_; }

private:
    struct LineDefaults {
        std::string fontName;
        std::int32_t fontSize = -1;
        std::uint8_t fontStyle = fsDefault;
        TColor color = clDefault;
    };

    // Callers hold stringsLock_.
    void addLocked(TStringItem line);
    void changeLocked(std::int32_t id, const std::vector<std::int32_t>& params,
                      const std::vector<Variant>& values);
    TStringItem resolvedLine(std::int32_t id, const std::string& text, const std::string& fontName,
                             std::int32_t fontSize, std::uint8_t fontStyle, TColor color,
                             bool wordWrap, std::uint8_t alignment) const;

    // Applies a size under stateLock_; true when it changed.
    bool resize(std::int32_t width, std::int32_t height);
    void invalidateLayout();

    // The viewer's thread.
    void run(std::stop_token stop);
    std::unique_ptr<ProgressWindow> openWindow();
    void handleInput(ProgressWindow& window);
    void layOutIfNeeded(ProgressCanvas& canvas);
    void drawFrame(ProgressCanvas& canvas, ProgressWindow& window,
                   std::chrono::steady_clock::time_point start);
    void cancel();
    void sleep(std::stop_token stop);

    const bool percentMode_;
    std::atomic<double> position_{0};
    std::atomic<bool> showCancel_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> hasWindow_{false};
    QPointer<QWindow> previousFocus_;

    mutable std::mutex stringsLock_;  // lines_, layoutValid_, caption_, defaults_
    std::vector<TStringItem> lines_;
    bool layoutValid_ = false;
    std::string caption_;
    LineDefaults defaults_;

    mutable std::mutex stateLock_;  // geometry_, workArea_, onCancel_
    QRect geometry_;
    QRect workArea_;
    ProgressEvent onCancel_;

    std::mutex sleepLock_;
    std::condition_variable_any wake_;
    std::unique_ptr<TAdditionalThread> worker_;
    std::jthread thread_;  // last: starts when everything else is ready
};

}  // namespace kvt::infra
