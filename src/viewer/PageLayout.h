#pragma once
// The page layout of old-format reports and the line renderer that draws them: fixed-pitch text
// whose runs of '+', '-' and '|' become ruled lines. The printer and the on-screen page preview
// share it, so that the preview shows the pages as they will print.
#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

class QPainter;
class QPaintDevice;

namespace kvt::viewer {

// Kept by the module between showings of the viewer and stored in cnf.INI by the viewer.
struct PrintSettings {
    std::string PrintFontName = "Courier";
    std::int32_t PrintFontSize = 11;  // points
    std::int32_t PrintFontCharset = 204;
    bool PrintPortrait = true;
};

PrintSettings& ModulePrintSettings();

// The print font: fixed pitch, able to show Cyrillic.
QFont printFont(const PrintSettings&);

// Layout quantities in device units of the device drawn on.
struct PageLayout {
    int L;           // line height: height of "X" + 2
    int W;           // cell width: width of "A"
    int cellHeight;  // height of "A"
    int N;           // lines per page, at least 1

    int pageCount(int lineCount) const;           // ceiling(lineCount / N)
    int firstLine(int page) const;                // 0-based index of the first line of page >= 1
    int lastLine(int page, int lineCount) const;  // 0-based, -1 when the page has no line
};

// Measures the font on the device; pageHeight is the printable height in the device's units.
PageLayout measurePage(const QFont&, QPaintDevice& device, int pageHeight);

// The font to draw with on `device`: `font` with its letters spaced so that every character
// advances exactly W, keeping text runs aligned with the table cells whatever rounding the font
// metrics do on that device.
QFont cellFont(const QFont& font, QPaintDevice& device, int W);

// Draws lines[first..last] at the top of the painter's device, 20 units from the top and left:
// runs of table characters as ruled lines, everything else as text clipped to its cells.
// Neighbouring lines outside first..last still decide the joints. Returns the time it took as
// "ss.zzz", which the viewer appends to its caption.
QString DrawPageLines(QPainter&, const QStringList& lines, int first, int last, int W, int L,
                      int cellHeight);

}  // namespace kvt::viewer
