#include "infra/progress/ProgressCanvas.h"

#include <QPainter>
#include <QString>

#include <array>
#include <climits>
#include <cmath>

#include "infra/progress/ProgressGeometry.h"

namespace kvt::infra {

namespace {

// The classic desktop colours behind the system colour numbers, so that the window looks the
// same whichever thread draws it and whatever style the application has.
constexpr std::array<QRgb, 25> SystemColors = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x434E54, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xFFFFE1};
constexpr TColor SystemColorFlag = 0xFF000000;
constexpr TColor ButtonShadow = SystemColorFlag | 16;

constexpr const char* CancelCaption = "Отмена (Esc)";

Qt::Alignment lineAlignment(std::uint8_t alignment) {
    switch (alignment) {
        case taRight:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

int lineFlags(const TStringItem& line) {
    const int wrap = line.WordWrap ? Qt::TextWordWrap : 0;
    return static_cast<int>(lineAlignment(line.Alignment) | Qt::AlignTop) | wrap;
}

QFont lineFont(const TStringItem& line) {
    return toQFont(line.FontName, line.FontSize, line.FontStyle);
}

QFont defaultFont(bool bold) {
    return toQFont(ProgressDefaultFontName, ProgressDefaultFontSize, bold ? fsBold : 0);
}

QImage filledImage(QSize size, const QColor& color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage drawBar(const ProgressFrame& frame, int width) {
    QImage bar = filledImage({width, ProgressBarHeight}, Qt::white);
    QPainter painter(&bar);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width - 1, ProgressBarHeight - 1);
    const QColor fill = toQColor(ProgressBarColor);
    const int fillHeight = ProgressBarHeight - 4;
    if (frame.percentMode) {
        const double percent = clampPercent(frame.position);
        const int filled = static_cast<int>(std::trunc((width - 4) * percent / 100));
        painter.fillRect(QRect(2, 2, filled, fillHeight), fill);
        painter.setFont(defaultFont(true));
        painter.drawText(QRect(0, 4, width, ProgressBarHeight - 4), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(static_cast<int>(percent)) + QStringLiteral(" %"));
    } else {
        const int left = static_cast<int>(std::trunc(frame.position));
        painter.fillRect(QRect(left, 2, ProgressBlockWidth, fillHeight), fill);
    }
    return bar;
}

void drawCancelButton(QPainter& painter, const QRect& button) {
    painter.fillRect(button, toQColor(clBtnFace));
    painter.setPen(Qt::black);
    painter.drawRect(button.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawLine(button.left() + 1, button.top() + 1, button.right() - 2, button.top() + 1);
    painter.drawLine(button.left() + 1, button.top() + 1, button.left() + 1, button.bottom() - 2);
    painter.setPen(toQColor(ButtonShadow));
    painter.drawLine(button.left() + 1, button.bottom() - 1, button.right() - 1,
                     button.bottom() - 1);
    painter.drawLine(button.right() - 1, button.top() + 1, button.right() - 1, button.bottom() - 1);
    painter.setFont(defaultFont(false));
    painter.setPen(Qt::black);
    painter.drawText(button, Qt::AlignCenter, QString::fromUtf8(CancelCaption));
}

}  // namespace

QColor toQColor(TColor color) {
    if ((color & SystemColorFlag) == SystemColorFlag) {
        const auto index = color & 0xFF;
        return QColor(index < SystemColors.size() ? SystemColors[index] : 0);
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QFont toQFont(const std::string& name, int pointSize, std::uint8_t style) {
    QFont font(QString::fromStdString(name));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    return font;
}

ProgressCanvas::ProgressCanvas(TColor background)
    : background_(toQColor(background)), measure_(1, 1, QImage::Format_RGB32) {}

int ProgressCanvas::layoutText(std::vector<TStringItem>& lines, int windowWidth) {
    const int width = windowWidth - 2 * ProgressTextInset;
    int blockHeight = 0;
    for (auto& line : lines) {
        const QFontMetrics metrics(lineFont(line), &measure_);
        const QRect bounds(0, 0, width, INT_MAX / 2);
        line.Height =
            metrics.boundingRect(bounds, lineFlags(line), QString::fromStdString(line.Text))
                .height();
        blockHeight += line.Height;
    }
    textBlock_ = QImage();
    if (width <= 0 || blockHeight <= 0)
        return blockHeight;
    textBlock_ = filledImage({width, blockHeight}, background_);
    QPainter painter(&textBlock_);
    int top = 0;
    for (const auto& line : lines) {
        painter.setFont(lineFont(line));
        painter.setPen(toQColor(line.Color));
        painter.drawText(QRect(0, top, width, line.Height), lineFlags(line),
                         QString::fromStdString(line.Text));
        top += line.Height;
    }
    return blockHeight;
}

void ProgressCanvas::buildBackground(QSize size) {
    backgroundImage_ = filledImage(size, background_);
    QPainter painter(&backgroundImage_);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    if (!textBlock_.isNull())
        painter.drawImage(ProgressTextOrigin, textBlock_);
    face_ = backgroundImage_;
}

const QImage& ProgressCanvas::drawFrame(const ProgressFrame& frame) {
    face_ = backgroundImage_;
    if (face_.isNull())
        return face_;
    const QSize size = face_.size();
    const QRect barRect = progressBarRect(size);
    QPainter painter(&face_);
    if (barRect.width() > 0)
        painter.drawImage(barRect.topLeft(), drawBar(frame, barRect.width()));
    if (frame.showCancel)
        drawCancelButton(painter, cancelButtonRect(size));
    painter.setFont(defaultFont(false));
    painter.setPen(Qt::black);
    const QString elapsed = QString::fromStdString(frame.elapsedText);
    const int textTop = size.height() - 25;
    if (frame.showCancel)
        painter.drawText(QRect(20, textTop, size.width(), 25), Qt::AlignLeft | Qt::AlignTop,
                         elapsed);
    else
        painter.drawText(QRect(0, textTop, size.width() - 20, 25), Qt::AlignRight | Qt::AlignTop,
                         elapsed);
    return face_;
}

}  // namespace kvt::infra
