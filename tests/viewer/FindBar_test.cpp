// The viewer's find bar as the operator uses it: Ctrl+F, typing, F3, Shift+F3, Enter and Esc.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>

#include "FormFixture.h"
#include "settings/IniSettings.h"
#include "support/WidgetApplication.h"
#include "viewer/HtmlView.h"

namespace kvt::test {
namespace {

// The marked matches, the current one (marked in orange) first.
template <class View>
QStringList marked(const View& view) {
    QStringList texts;
    for (const QTextEdit::ExtraSelection& selection : view.extraSelections()) {
        if (selection.format.background().color() == QColor(0xFF, 0x96, 0x32))
            texts.prepend(selection.cursor.selectedText());
        else
            texts.append(selection.cursor.selectedText());
    }
    return texts;
}

using FindBarTest = ViewerFormTest;

TEST_F(FindBarTest, TheMemoIsSearchedFromTheCurrentMatchOnWithEveryMatchMarked) {
    auto form = showForm("Итого ТРК 1 | 10\r\nДизель\r\nИТОГО ТРК 2 | 20\r\nитого за смену\r\n",
                         "<p>Итого</p>");
    form->RptMemo->setFocus();
    QApplication::processEvents();
    press(*form, Qt::CTRL | Qt::Key_F);
    ASSERT_TRUE(form->edFind->hasFocus()) << "Ctrl+F from the memo opens the bar";
    form->edFind->setText("итого");
    EXPECT_EQ(marked(*form->RptMemo), QStringList({"Итого", "ИТОГО", "итого"}));

    const struct {
        QKeyCombination key;
        int line;
        const char* result;
    } steps[] = {{Qt::Key_F3, 2, "2 из 3"},
                 {Qt::Key_F3, 3, "3 из 3"},
                 {Qt::Key_F3, 0, "1 из 3"},
                 {Qt::SHIFT | Qt::Key_F3, 3, "3 из 3"},
                 {Qt::SHIFT | Qt::Key_Return, 2, "2 из 3"},
                 {Qt::Key_Return, 3, "3 из 3"}};
    for (const auto& step : steps) {
        press(*form, step.key);
        EXPECT_EQ(form->RptMemo->textCursor().blockNumber(), step.line) << step.result;
        EXPECT_EQ(form->lbFindResult->text(), step.result);
    }
    EXPECT_EQ(marked(*form->RptMemo).value(0), "итого");

    form->edFind->setText("итого т");
    EXPECT_EQ(form->lbFindResult->text(), "1 из 2") << "typing on goes on from the match";
    form->edFind->setText("итого по АИ-95");
    EXPECT_EQ(form->lbFindResult->text(), "не найдено");
    EXPECT_TRUE(form->RptMemo->extraSelections().isEmpty());

    press(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->pnlFind->isVisible());
    EXPECT_TRUE(form->isVisible());
    press(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FindBarTest, ThePageIsSearchedAsShownAndTheBarFollowsTheFormat) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("Итого",
                         "<table><tr><td>Карта</td><td>12</td></tr><tr><td>карта</td>"
                         "<td>34</td></tr></table><p>КАРТА №5</p>");
    const auto atCursor = [&form] {
        QTextCursor cursor = form->wb->textCursor();
        cursor.setPosition(cursor.position() + 5, QTextCursor::KeepAnchor);
        return cursor.selectedText();
    };
    press(*form, Qt::Key_F3);
    ASSERT_TRUE(form->pnlFind->isVisible()) << "F3 opens the bar too";
    form->edFind->setText("КАРТА");
    press(*form, Qt::Key_F3);
    EXPECT_EQ(atCursor(), "карта") << "the second table row";

    // A zoom lays the page out anew; the search goes on from the same match.
    form->wb->setZoom(2.0);
    QApplication::processEvents();
    press(*form, Qt::Key_F3);
    EXPECT_EQ(form->lbFindResult->text(), "3 из 3");
    EXPECT_EQ(atCursor(), "КАРТА");

    // The options panel stands on the open bar, not over it, and on the buttons when it closes.
    form->sbtnAdditional->click();
    QApplication::processEvents();
    EXPECT_EQ(form->panWBParams->geometry().bottom() + 1, form->pnlFind->geometry().top());
    form->btnFindClose->click();
    QApplication::processEvents();
    EXPECT_EQ(form->panWBParams->geometry().bottom() + 1, form->Panel1->geometry().top());
    press(*form, Qt::Key_F3);
    form->sbtnAdditional->click();

    form->bbtRepForm->click();
    QApplication::processEvents();
    EXPECT_TRUE(form->wb->extraSelections().isEmpty());
    EXPECT_EQ(form->lbFindResult->text(), "не найдено") << "the memo has no card";
}

}  // namespace
}  // namespace kvt::test
