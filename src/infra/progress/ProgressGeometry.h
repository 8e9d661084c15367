#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <chrono>
#include <string>

namespace kvt::infra {

// Sizes, offsets and animation steps of the progress window, kept apart from the drawing so
// that each rule can be checked on its own.

inline constexpr QSize ProgressInitialSize{450, 70};
inline constexpr int ProgressMinWidth = 225;
inline constexpr int ProgressMinHeight = 70;
// The window is as high as its text block plus room for the bar, the time and the button.
inline constexpr int ProgressChromeHeight = 70;
// The text block is inset by 10 pixels on each side.
inline constexpr int ProgressTextInset = 10;
inline constexpr QPoint ProgressTextOrigin{ProgressTextInset, 2};
inline constexpr int ProgressBarHeight = 20;
inline constexpr int ProgressBlockWidth = 40;
inline constexpr int ProgressBlockStep = 10;

// The size that SetSize(width, height) gives a window of size `current`: -1 keeps a dimension,
// the width is at least 225 and the height at least 70.
QSize progressWindowSize(QSize current, int width, int height);

// Where a window of `size` goes: centred across the work area, its bottom 100 pixels above the
// work area's bottom.
QPoint progressWindowOrigin(const QRect& workArea, QSize size);

// The bar: 20 pixels less than the window on each side, 60 pixels above the window's bottom.
QRect progressBarRect(QSize window);

// The cancel button: 100 x 25, 120 pixels from the right and 30 from the bottom.
QRect cancelButtonRect(QSize window);

// The running block's next offset: 10 pixels further, back to -40 once past the bar's end.
double nextBlockPosition(double position, int barWidth);

// A percentage within 0..100; anything below 0, and a value that is not a number, is 0.
double clampPercent(double position);

// "Общее время: h:mm:ss" for the time since the window appeared.
std::string elapsedTimeText(std::chrono::milliseconds elapsed);

}  // namespace kvt::infra
