#pragma once
// The viewer's HTML view: shows the new-format report from the local file the viewer writes,
// zooms the whole rendering, steps the text size, copies and prints. Scripts in the page never
// run (QTextBrowser has no script engine), and only local files are read for images and style
// sheets, so a report page cannot reach the network.
#include <QFont>
#include <QTextBrowser>
#include <QUrl>
#include <QVersionNumber>

#include <memory>

class QPrinter;

namespace kvt::viewer {

class HtmlView : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr int kTextSizeCount = 5;  // "Самый мелкий" .. "Самый крупный"
    static constexpr int kMediumTextSize = 2;

    explicit HtmlView(QWidget* parent = nullptr);

    // Shows a local HTML file written in code page 1251, whatever charset the page declares;
    // relative links and images resolve against the file's folder. documentComplete follows
    // from the event loop, as a browser reports a finished navigation. A file that cannot be
    // read throws platform::SystemError.
    void loadFile(const QString& path);
    bool documentLoaded() const { return loaded_; }

    // The factor by which everything is drawn: text, images, tables and spacing.
    double zoom() const { return zoom_; }
    void setZoom(double factor);
    // Text size step 0..kTextSizeCount-1 on top of the zoom; other values are ignored.
    int textSize() const { return textSize_; }
    void setTextSize(int step);

    void clearSelection();
    // The selection as the clipboard gets it from copy(): HTML of the rendered fragment.
    QString selectedHtml() const;

    bool printBackgrounds() const { return printBackgrounds_; }
    void setPrintBackgrounds(bool print) { printBackgrounds_ = print; }
    // Prints the document as shown (zoom and text size included) with the printer's settings;
    // colours and images behind the text only when printBackgrounds().
    void printDocument(QPrinter& printer) const;
    // The copy of the document that printDocument prints; its images load through this view.
    std::unique_ptr<QTextDocument> printableDocument() const;
    // The print preview of printDocument, as a modal dialog over `parent`.
    void printPreview(QPrinter& printer, QWidget* parent);
    // The page setup dialog for `printer`; true when confirmed.
    static bool pageSetup(QPrinter& printer, QWidget* parent);

    // The version of the rendering engine (Qt's).
    static QVersionNumber version();

signals:
    void documentComplete();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Lays the page out again from its source at the current zoom and text size.
    void render();

    QString source_;
    QUrl baseUrl_;
    QFont baseFont_;
    qreal baseIndentWidth_;
    bool loaded_ = false;
    double zoom_ = 1.0;
    int textSize_ = kMediumTextSize;
    bool printBackgrounds_ = true;
};

}  // namespace kvt::viewer
