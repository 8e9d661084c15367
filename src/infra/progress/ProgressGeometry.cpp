#include "infra/progress/ProgressGeometry.h"

#include <algorithm>
#include <cmath>

#include "infra/DateTime.h"
#include "infra/Format.h"

namespace kvt::infra {

QSize progressWindowSize(QSize current, int width, int height) {
    const int newWidth = width == -1 ? current.width() : std::max(width, ProgressMinWidth);
    const int newHeight = height == -1 ? current.height() : std::max(height, ProgressMinHeight);
    return {newWidth, newHeight};
}

QPoint progressWindowOrigin(const QRect& workArea, QSize size) {
    // The work area need not start at the screen's corner (a panel on the left, a second
    // monitor), so the centre is taken inside it.
    const int x = workArea.left() + (workArea.width() - size.width()) / 2;
    const int y = workArea.top() + workArea.height() - size.height() - 100;
    return {x, y};
}

QRect progressBarRect(QSize window) {
    return {20, window.height() - 60, window.width() - 40, ProgressBarHeight};
}

QRect cancelButtonRect(QSize window) {
    return {window.width() - 120, window.height() - 30, 100, 25};
}

double nextBlockPosition(double position, int barWidth) {
    const double next = position + ProgressBlockStep;
    return next > barWidth ? -ProgressBlockWidth : next;
}

double clampPercent(double position) {
    if (std::isnan(position) || position < 0)
        return 0;
    return std::min(position, 100.0);
}

std::string elapsedTimeText(std::chrono::milliseconds elapsed) {
    constexpr double MsPerDay = 86400000.0;
    const DateTime time = static_cast<double>(elapsed.count()) / MsPerDay;
    const std::string text = FormatDateTime(defaultFormatSettings().longTimeFormat, time);
    return Format("Общее время: %s", {text});
}

}  // namespace kvt::infra
