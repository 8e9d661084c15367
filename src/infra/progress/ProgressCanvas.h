#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>

#include <string>
#include <vector>

#include "infra/progress/StringItem.h"

namespace kvt::infra {

// The unit's default font for lines that name none; Qt substitutes a face that exists here.
inline constexpr const char* ProgressDefaultFontName = "MS Sans Serif";
inline constexpr int ProgressDefaultFontSize = 8;
inline constexpr TColor ProgressBarColor = 0x00FFFF00;

QColor toQColor(TColor color);
QFont toQFont(const std::string& name, int pointSize, std::uint8_t style);

// What one frame shows besides the laid-out text.
struct ProgressFrame {
    bool percentMode = false;
    double position = 0;  // percent, or the running block's offset
    bool showCancel = false;
    std::string elapsedText{};
};

// The off-screen pictures of the progress window: the text block, the background (window
// without bar and time), the bar and the face that is shown. Used by one thread at a time;
// text needs a QGuiApplication to exist.
class ProgressCanvas {
public:
    explicit ProgressCanvas(TColor background);

    // Measures every line at the text block's width (the window's width less 20), stores the
    // heights in the lines and draws them one under the other. Returns the block's height.
    int layoutText(std::vector<TStringItem>& lines, int windowWidth);
    // The background of a window of `size`: the background colour in a one-pixel frame, with
    // the text block on it.
    void buildBackground(QSize size);
    // The face of the next frame, drawn over the background.
    const QImage& drawFrame(const ProgressFrame& frame);

private:
    QColor background_;
    QImage measure_;  // the paint device fonts are measured for
    QImage textBlock_;
    QImage backgroundImage_;
    QImage face_;
};

}  // namespace kvt::infra
