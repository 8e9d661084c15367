#include "viewer/HtmlView.h"

#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPixmap>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>

#include <array>
#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/CodePage.h"
#include "platform/SystemError.h"

namespace kvt::viewer {

namespace {

// Font factors of the text size steps, "Самый мелкий" to "Самый крупный".
constexpr std::array<double, HtmlView::kTextSizeCount> kTextSizeFactors{0.75, 0.875, 1.0, 1.25,
                                                                        1.5};

std::string readBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    if (!in)
        platform::throwSystemError(errno, path.toStdString());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Changes applied to every format of a document: paragraphs, character runs (with the cells
// of tables, whose formats are character formats) and frames (tables and the page itself).
struct FormatEdits {
    std::function<void(QTextBlockFormat&)> block;
    std::function<void(QTextCharFormat&)> character;
    std::function<void(QTextFrameFormat&)> frame;
};

void editFrame(QTextFrame& frame, const FormatEdits& edits) {
    if (auto* table = qobject_cast<QTextTable*>(&frame)) {
        QTextTableFormat format = table->format();
        edits.frame(format);
        table->setFormat(format);
        for (int row = 0; row < table->rows(); ++row)
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                // A merged cell is edited once, at its top left corner.
                if (cell.row() != row || cell.column() != column)
                    continue;
                QTextCharFormat format = cell.format();
                edits.character(format);
                cell.setFormat(format);
            }
    } else {
        QTextFrameFormat format = frame.frameFormat();
        edits.frame(format);
        frame.setFrameFormat(format);
    }
    for (QTextFrame* child : frame.childFrames())
        editFrame(*child, edits);
}

void editBlock(QTextCursor& cursor, const QTextBlock& block, const FormatEdits& edits) {
    cursor.setPosition(block.position());
    QTextBlockFormat blockFormat = block.blockFormat();
    edits.block(blockFormat);
    cursor.setBlockFormat(blockFormat);
    QTextCharFormat separatorFormat = block.charFormat();
    edits.character(separatorFormat);
    cursor.setBlockCharFormat(separatorFormat);
    // Setting a run's format may merge fragments, so the runs are taken first.
    std::vector<std::tuple<int, int, QTextCharFormat>> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (const QTextFragment fragment = it.fragment(); fragment.isValid())
            runs.emplace_back(fragment.position(), fragment.length(), fragment.charFormat());
    for (auto& [position, length, format] : runs) {
        edits.character(format);
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
}

void editFormats(QTextDocument& document, const FormatEdits& edits) {
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    editFrame(*document.rootFrame(), edits);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        editBlock(cursor, block, edits);
    cursor.endEditBlock();
}

QTextLength scaledLength(const QTextLength& length, double factor) {
    return length.type() == QTextLength::FixedLength
               ? QTextLength(QTextLength::FixedLength, length.rawValue() * factor)
               : length;
}

QSizeF naturalSize(QTextDocument& document, const QString& imageName) {
    const QVariant image = document.resource(QTextDocument::ImageResource, QUrl(imageName));
    if (image.typeId() == QMetaType::QImage)
        return image.value<QImage>().size();
    if (image.typeId() == QMetaType::QPixmap)
        return image.value<QPixmap>().size();
    return QImage::fromData(image.toByteArray()).size();
}

// Everything drawn grows by `zoom`; text grows by `fontScale` (the zoom times the text size).
FormatEdits scaling(QTextDocument& document, double zoom, double fontScale) {
    FormatEdits edits;
    edits.block = [zoom](QTextBlockFormat& format) {
        format.setTopMargin(format.topMargin() * zoom);
        format.setBottomMargin(format.bottomMargin() * zoom);
        format.setLeftMargin(format.leftMargin() * zoom);
        format.setRightMargin(format.rightMargin() * zoom);
        format.setTextIndent(format.textIndent() * zoom);
        if (format.lineHeightType() != QTextBlockFormat::SingleHeight &&
            format.lineHeightType() != QTextBlockFormat::ProportionalHeight)
            format.setLineHeight(format.lineHeight() * zoom, format.lineHeightType());
    };
    edits.character = [&document, zoom, fontScale](QTextCharFormat& format) {
        if (format.hasProperty(QTextFormat::FontPointSize))
            format.setFontPointSize(format.fontPointSize() * fontScale);
        if (format.hasProperty(QTextFormat::FontPixelSize))
            format.setProperty(QTextFormat::FontPixelSize,
                               qRound(format.intProperty(QTextFormat::FontPixelSize) * fontScale));
        if (format.isImageFormat()) {
            QTextImageFormat image = format.toImageFormat();
            const bool sized = image.hasProperty(QTextFormat::ImageWidth) ||
                               image.hasProperty(QTextFormat::ImageHeight);
            if (!sized) {
                const QSizeF size = naturalSize(document, image.name());
                image.setWidth(size.width());
                image.setHeight(size.height());
            }
            if (image.hasProperty(QTextFormat::ImageWidth))
                image.setWidth(image.width() * zoom);
            if (image.hasProperty(QTextFormat::ImageHeight))
                image.setHeight(image.height() * zoom);
            format = image;
        }
        if (format.isTableCellFormat()) {
            QTextTableCellFormat cell = format.toTableCellFormat();
            cell.setLeftPadding(cell.leftPadding() * zoom);
            cell.setRightPadding(cell.rightPadding() * zoom);
            cell.setTopPadding(cell.topPadding() * zoom);
            cell.setBottomPadding(cell.bottomPadding() * zoom);
            format = cell;
        }
    };
    edits.frame = [zoom](QTextFrameFormat& format) {
        format.setBorder(format.border() * zoom);
        format.setPadding(format.padding() * zoom);
        format.setLeftMargin(format.leftMargin() * zoom);
        format.setRightMargin(format.rightMargin() * zoom);
        format.setTopMargin(format.topMargin() * zoom);
        format.setBottomMargin(format.bottomMargin() * zoom);
        format.setWidth(scaledLength(format.width(), zoom));
        format.setHeight(scaledLength(format.height(), zoom));
        if (format.isTableFormat()) {
            QTextTableFormat table = format.toTableFormat();
            table.setCellSpacing(table.cellSpacing() * zoom);
            table.setCellPadding(table.cellPadding() * zoom);
            QList<QTextLength> widths = table.columnWidthConstraints();
            for (QTextLength& width : widths)
                width = scaledLength(width, zoom);
            table.setColumnWidthConstraints(widths);
            format = table;
        }
    };
    return edits;
}

void clearBackground(QTextFormat& format) {
    format.clearBackground();
    format.clearProperty(QTextFormat::BackgroundImageUrl);
}

FormatEdits backgroundRemoval() {
    return {[](QTextBlockFormat& format) { clearBackground(format); },
            [](QTextCharFormat& format) { clearBackground(format); },
            [](QTextFrameFormat& format) { clearBackground(format); }};
}

QFont scaledFont(QFont font, double factor) {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(qRound(font.pixelSize() * factor));
    return font;
}

}  // namespace

HtmlView::HtmlView(QWidget* parent)
    : QTextBrowser(parent),
      baseFont_(document()->defaultFont()),
      baseIndentWidth_(document()->indentWidth()) {
    // Links would leave the report for pages the viewer cannot vouch for.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    document()->setUndoRedoEnabled(false);
}

void HtmlView::loadFile(const QString& path) {
    source_ = QString::fromStdString(platform::cp1251ToUtf8(readBytes(path)));
    baseUrl_ = QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/'));
    document()->setBaseUrl(baseUrl_);
    loaded_ = true;
    render();
    QMetaObject::invokeMethod(this, &HtmlView::documentComplete, Qt::QueuedConnection);
}

void HtmlView::setZoom(double factor) {
    if (factor == zoom_ || factor <= 0)
        return;
    zoom_ = factor;
    render();
}

void HtmlView::setTextSize(int step) {
    if (step == textSize_ || step < 0 || step >= kTextSizeCount)
        return;
    textSize_ = step;
    render();
}

void HtmlView::render() {
    if (!loaded_)
        return;
    QTextDocument& document = *this->document();
    const double fontScale = zoom_ * kTextSizeFactors[static_cast<std::size_t>(textSize_)];
    setHtml(source_);
    document.setDefaultFont(scaledFont(baseFont_, fontScale));
    document.setIndentWidth(baseIndentWidth_ * zoom_);
    if (zoom_ != 1.0 || fontScale != 1.0)
        editFormats(document, scaling(document, zoom_, fontScale));
}

void HtmlView::clearSelection() {
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
}

// The page as written, not as zoomed: the same source parses to the same positions, so the
// selection is taken over from the view.
QString HtmlView::selectedHtml() const {
    QTextDocument plain;
    plain.setDefaultFont(baseFont_);
    plain.setHtml(source_);
    const QTextCursor shown = textCursor();
    QTextCursor cursor(&plain);
    cursor.setPosition(shown.anchor());
    cursor.setPosition(shown.position(), QTextCursor::KeepAnchor);
    return cursor.selection().toHtml();
}

QMimeData* HtmlView::createMimeDataFromSelection() const {
    auto data = std::make_unique<QMimeData>();
    data->setHtml(selectedHtml());
    data->setText(textCursor().selection().toPlainText());
    return data.release();
}

std::unique_ptr<QTextDocument> HtmlView::printableDocument() const {
    // The copy loads its images through the shown document, and so through this view.
    std::unique_ptr<QTextDocument> copy(document()->clone(document()));
    if (!printBackgrounds_)
        editFormats(*copy, backgroundRemoval());
    return copy;
}

void HtmlView::printDocument(QPrinter& printer) const {
    printableDocument()->print(&printer);
}

void HtmlView::printPreview(QPrinter& printer, QWidget* parent) {
    QPrintPreviewDialog dialog(&printer, parent);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printDocument(*target); });
    dialog.exec();
}

bool HtmlView::pageSetup(QPrinter& printer, QWidget* parent) {
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

QVersionNumber HtmlView::version() {
    return QVersionNumber::fromString(QString::fromLatin1(qVersion()));
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? baseUrl_.resolved(name) : name;
    if (!url.isLocalFile())
        return {};
    return QTextBrowser::loadResource(type, url);
}

}  // namespace kvt::viewer
