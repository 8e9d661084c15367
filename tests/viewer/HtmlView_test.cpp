#include "viewer/HtmlView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <filesystem>

#include "platform/CodePage.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::test {
namespace {

namespace fs = std::filesystem;
using viewer::HtmlView;

class HtmlViewTest : public FreshRoot {
protected:
    // A page in code page 1251 beside a 10 × 20 picture; it claims another charset, as pages
    // made from UTF-8 templates do.
    QString writePage(const std::string& body) {
        const fs::path folder = base() / "report";
        fs::create_directories(folder);
        QImage picture(10, 20, QImage::Format_RGB32);
        picture.fill(Qt::green);
        picture.save(QString::fromStdString((folder / "pic.png").string()));
        const fs::path page = folder / "page.html";
        writeFile(page, platform::utf8ToCp1251("<html><head><meta charset=\"utf-8\"></head><body>" +
                                               body + "</body></html>"));
        return QString::fromStdString(page.string());
    }

    static QTextCharFormat formatAt(const QTextDocument& document, const QString& text) {
        QTextCursor cursor = document.find(text);
        return cursor.charFormat();
    }

    static QTextImageFormat firstImage(const QTextDocument& document) {
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat())
                    return it.fragment().charFormat().toImageFormat();
        return {};
    }

    static QTextTable* firstTable(const QTextDocument& document) {
        for (QTextFrame* frame : document.rootFrame()->childFrames())
            if (auto* table = qobject_cast<QTextTable*>(frame))
                return table;
        return nullptr;
    }

    HtmlView view;
};

TEST_F(HtmlViewTest, APageIsReadAsCodePage1251AndReportedLoadedFromTheEventLoop) {
    int completions = 0;
    QObject::connect(&view, &HtmlView::documentComplete, [&] { ++completions; });
    view.loadFile(writePage("<p>Сменный отчет №5</p><img src=\"pic.png\">"));
    EXPECT_EQ(completions, 0);
    QApplication::processEvents();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(view.documentLoaded());
    EXPECT_THAT(view.toPlainText().toStdString(), ::testing::HasSubstr("Сменный отчет №5"));
    const QVariant picture =
        view.document()->resource(QTextDocument::ImageResource, QUrl("pic.png"));
    EXPECT_TRUE(picture.isValid()) << "relative images come from the page's folder";
}

TEST_F(HtmlViewTest, ZoomScalesTextPicturesAndSpacingAndTheTextSizeOnlyText) {
    view.loadFile(
        writePage("<p style=\"font-size:10pt\">Итого</p>"
                  "<table cellpadding=\"3\"><tr><td>Ячейка</td></tr></table>"
                  "<img src=\"pic.png\">"));
    const qreal defaultSize = view.document()->defaultFont().pointSizeF();

    view.setZoom(2.0);
    EXPECT_DOUBLE_EQ(formatAt(*view.document(), "Итого").fontPointSize(), 20.0);
    EXPECT_DOUBLE_EQ(view.document()->defaultFont().pointSizeF(), 2 * defaultSize);
    ASSERT_NE(firstTable(*view.document()), nullptr);
    EXPECT_DOUBLE_EQ(firstTable(*view.document())->format().cellPadding(), 6.0);
    EXPECT_DOUBLE_EQ(firstImage(*view.document()).width(), 20.0);
    EXPECT_DOUBLE_EQ(firstImage(*view.document()).height(), 40.0);

    view.setTextSize(4);
    EXPECT_DOUBLE_EQ(formatAt(*view.document(), "Итого").fontPointSize(), 30.0);
    EXPECT_DOUBLE_EQ(firstImage(*view.document()).width(), 20.0);

    view.setZoom(1.0);
    view.setTextSize(HtmlView::kMediumTextSize);
    EXPECT_DOUBLE_EQ(formatAt(*view.document(), "Итого").fontPointSize(), 10.0);
    EXPECT_DOUBLE_EQ(firstTable(*view.document())->format().cellPadding(), 3.0);
}

TEST_F(HtmlViewTest, TheSelectionIsCopiedAsThePageWasWrittenNotAsZoomed) {
    view.loadFile(writePage("<p style=\"font-size:10pt\">Итого</p>"));
    view.setZoom(3.0);
    view.selectAll();
    const QString html = view.selectedHtml();
    EXPECT_THAT(html.toStdString(), ::testing::HasSubstr("10pt"));
    EXPECT_THAT(html.toStdString(), ::testing::Not(::testing::HasSubstr("30pt")));
    view.clearSelection();
    EXPECT_FALSE(view.textCursor().hasSelection());
}

TEST_F(HtmlViewTest, BackgroundsArePrintedOnlyWhenAsked) {
    view.loadFile(
        writePage("<p style=\"background-color:#ff0000\">Итого</p>"
                  "<table><tr><td bgcolor=\"#00ff00\">Ячейка</td></tr></table>"));
    auto withBackgrounds = view.printableDocument();
    EXPECT_EQ(withBackgrounds->find("Итого").blockFormat().background().color(), Qt::red);

    view.setPrintBackgrounds(false);
    auto plain = view.printableDocument();
    EXPECT_EQ(plain->find("Итого").blockFormat().background().style(), Qt::NoBrush);
    ASSERT_NE(firstTable(*plain), nullptr);
    EXPECT_EQ(firstTable(*plain)->cellAt(0, 0).format().background().style(), Qt::NoBrush);
    EXPECT_EQ(view.document()->find("Итого").blockFormat().background().color(), Qt::red)
        << "the page on screen keeps its colours";
}

}  // namespace
}  // namespace kvt::test
