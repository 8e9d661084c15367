#include "viewer/PageLayout.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLine>
#include <QPainter>
#include <QTime>

#include <algorithm>
#include <vector>

namespace kvt::viewer {

namespace {

constexpr int Margin = 20;

bool isTableChar(QChar c) {
    return c == u'+' || c == u'-' || c == u'|';
}

// Draws the lines of one page. The joints of a cell depend on its four neighbours only, so the
// cost of a page does not depend on where it lies in the report.
class LineRenderer {
public:
    LineRenderer(QPainter& painter, const QStringList& lines, int W, int L)
        : painter_(painter), lines_(lines), W_(W), L_(L), ascent_(painter.fontMetrics().ascent()) {}

    void drawLine(int r, int y) {
        const QString& line = lines_[r];
        const int length = static_cast<int>(line.size());
        int start = 0;
        bool wasGraphic = true;
        // One column past the end counts as the opposite of the last cell, which closes the
        // last run.
        for (int i = 0; i <= length; ++i) {
            const bool graphic = i < length ? graphicCell(r, i, y) : !wasGraphic;
            if (graphic != wasGraphic) {
                if (!wasGraphic)
                    drawRun(line.mid(start, i - start), start, i, y);
                start = i;
            }
            wasGraphic = graphic;
        }
    }

    // The rules go out together, one call per page rather than one per cell.
    void flushRules() {
        painter_.drawLines(rules_.data(), static_cast<int>(rules_.size()));
        rules_.clear();
    }

private:
    int centre(int i) const { return Margin + i * W_ + W_ / 2; }

    QChar charAt(int r, int i) const {
        if (r < 0 || r >= lines_.size())
            return {};
        const QString& line = lines_[r];
        return i < line.size() ? line[i] : QChar();
    }

    // A table character becomes a rule only where it meets another table character; the joints
    // towards the right and downwards are drawn here, those towards the left and upwards by the
    // neighbour's own cell.
    bool graphicCell(int r, int i, int y) {
        const QChar c = lines_[r][i];
        if (!isTableChar(c))
            return false;
        const int middle = y + L_ / 2;
        bool horizontal = false;
        bool vertical = false;

        const QChar next = charAt(r, i + 1);
        if (isTableChar(next) && !(c == u'|' && next == u'|')) {
            rules_.emplace_back(centre(i), middle, centre(i + 1), middle);
            horizontal = true;
        }
        const QChar before = charAt(r, i - 1);
        if (isTableChar(before) && !(c == u'|' && before == u'|'))
            horizontal = true;

        const QChar below = charAt(r + 1, i);
        if (isTableChar(below) && !(c == u'-' && below == u'-')) {
            rules_.emplace_back(centre(i), middle, centre(i), middle + L_);
            vertical = true;
        }
        const QChar above = charAt(r - 1, i);
        if (isTableChar(above) && !(c == u'-' && above == u'-'))
            vertical = true;

        return horizontal || vertical;
    }

    // Text between table characters stays inside its own cells, whatever the font's real width.
    void drawRun(const QString& text, int start, int end, int y) {
        // A blank run paints nothing; skipping it keeps the printer's output small.
        if (text.trimmed().isEmpty())
            return;
        const int left = Margin + start * W_;
        painter_.save();
        painter_.setClipRect(QRect(left, y, (end - start) * W_, L_), Qt::IntersectClip);
        painter_.drawText(QPoint(left, y + ascent_), text);
        painter_.restore();
    }

    QPainter& painter_;
    const QStringList& lines_;
    const int W_;
    const int L_;
    const int ascent_;
    std::vector<QLine> rules_;
};

}  // namespace

PrintSettings& ModulePrintSettings() {
    static PrintSettings settings;
    return settings;
}

QFont printFont(const PrintSettings& settings) {
    QFont font(QString::fromStdString(settings.PrintFontName));
    font.setPointSize(std::max(1, settings.PrintFontSize));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

int PageLayout::pageCount(int lineCount) const {
    return lineCount / N + (lineCount % N != 0 ? 1 : 0);
}

int PageLayout::firstLine(int page) const {
    return N * (page - 1);
}

int PageLayout::lastLine(int page, int lineCount) const {
    return std::min(N * page - 1, lineCount - 1);
}

PageLayout measurePage(const QFont& font, QPaintDevice& device, int pageHeight) {
    const QFontMetrics metrics(font, &device);
    PageLayout layout{};
    layout.L = metrics.height() + 2;
    layout.W = std::max(1, metrics.horizontalAdvance(u'A'));
    layout.cellHeight = metrics.height();
    // A font taller than the page still prints one line per page rather than dividing by zero.
    layout.N = std::max(1, pageHeight / layout.L);
    return layout;
}

QFont cellFont(const QFont& font, QPaintDevice& device, int W) {
    const qreal advance = QFontMetricsF(font, &device).horizontalAdvance(u'A');
    QFont fitted(font);
    fitted.setLetterSpacing(QFont::AbsoluteSpacing, W - advance);
    return fitted;
}

QString DrawPageLines(QPainter& painter, const QStringList& lines, int first, int last, int W,
                      int L, int /*cellHeight*/) {
    QElapsedTimer timer;
    timer.start();
    LineRenderer renderer(painter, lines, W, L);
    int y = Margin;
    for (int r = std::max(0, first); r <= last && r < lines.size(); ++r) {
        if (!lines[r].isEmpty())
            renderer.drawLine(r, y);
        y += L;
    }
    renderer.flushRules();
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(timer.elapsed() % 86'400'000))
        .toString(QStringLiteral("ss.zzz"));
}

}  // namespace kvt::viewer
