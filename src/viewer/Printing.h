#pragma once
// Printing old-format reports: on a printer canvas (pages laid out by PageLayout), as raw text
// to the "prn" device, to a text file, and the page preview image.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

#include "kvtreports/Exception.h"
#include "viewer/PageLayout.h"

class QFont;
class QPrinter;

namespace kvt::viewer {

// A print job that could not be started or completed; the message says which and why.
class EPrintError : public ExceptionOf<EPrintError> {
public:
    using ExceptionOf::ExceptionOf;
};

// The program's printer, shared by every viewer: the printer chosen in "Печать..." prints every
// report after it until the program ends, as a Windows program keeps its printer. Made on first
// use, on the GUI thread with the application object, and dropped with the application.
QPrinter& CurrentPrinter();

// The document `print` draws, as PDF: printed on a PDF printer with the page size, margins,
// orientation and resolution of `like`, so that its pages break where `like`'s would. Throws
// EPrintError when the PDF cannot be made.
QByteArray PrintToPdf(const QPrinter& like, const std::function<void(QPrinter&)>& print);

// Receives what to append to the viewer's caption after each page drawn: a blank and the time
// the page took, " ss.zzz".
using CaptionAppender = std::function<void(const QString&)>;

// The lines of an old-format report text as the memo holds them: CR LF, LF or CR end a line, and
// a line end at the very end of the text does not start another line.
QStringList ReportLines(const QString& text);

// Prints pages fromPage..toPage (-1: first / last page; a toPage beyond the last page stops at
// the last) in `copies` copies with the font and orientation of `settings`. The job is begun and
// ended within the call, also when no page falls in the range or drawing fails; a printer that
// cannot begin the job or a page throws EPrintError.
void PrintLines(QPrinter& printer, const QStringList& lines, int fromPage, int copies, int toPage,
                const PrintSettings& settings, const CaptionAppender& appendCaption);

// The raw "prn" path: every line in DOS code page 866 followed by CR LF, then a form feed and
// CR LF. The device is named by the environment variable KVT_PRN: a file or device path written
// directly, or "|command" run by /bin/sh with the bytes on its standard input (e.g. "|lp -o
// raw"). Throws EPrintError when KVT_PRN is not set or the command fails, and
// platform::SystemError when the device cannot be written.
void PrintToPrn(const QStringList& lines);

// Writes the lines to `path` in code page 1251, each followed by CR LF; platform::SystemError
// when the file cannot be written.
void SaveTextFile(const QString& path, const QStringList& lines);

struct PreviewPage {
    QImage image;
    int page;       // the page drawn, after clamping to 1..pageCount
    int pageCount;  // at least 1
};

// Draws page `page` (clamped to 1..page count) as the printer would print it, scaled to the
// image's resolution: a white page with black outline, dotted blue margin guides 20 pixels in,
// and the page's lines drawn with `screenFont` (the print font as set on the image canvas).
// Sets the printer's orientation from `settings`.
PreviewPage RenderPreviewPage(const QStringList& lines, int page, const PrintSettings& settings,
                              QPrinter& printer, const QFont& screenFont,
                              const CaptionAppender& appendCaption);

}  // namespace kvt::viewer
