#include <gmock/gmock.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <stdexcept>

#include "host/station/QtMenu.h"
#include "host/station/ShortCutKeys.h"
#include "support/WidgetApplication.h"

namespace kvt::station {
namespace {

using ::testing::ElementsAre;

QStringList texts(const QList<QAction*>& actions) {
    QStringList result;
    for (const QAction* action : actions)
        result << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

class QtMenuTest : public ::testing::Test {
protected:
    QtMenuTest() {
        root_ = QtMenuItem::createRoot(
            *window_.menuBar(), [this](const std::string& message) { errors_.push_back(message); });
    }

    QtMenuItem& add(QtMenuItem& parent, std::int32_t index, const std::string& caption) {
        QtMenuItem& entry = parent.insert(index);
        entry.setCaption(caption);
        return entry;
    }

    // Shows the window as the active one, so that its shortcuts are live.
    void activate() {
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    QMainWindow window_;
    std::unique_ptr<QtMenuItem> root_;
    std::vector<std::string> errors_;
};

TEST_F(QtMenuTest, EntriesGoToTheirPositionAndTheMenuBarShowsThemInThatOrder) {
    add(*root_, -1, "A");
    add(*root_, 0, "B");
    add(*root_, root_->count(), "C");
    add(*root_, 1, "D");
    add(*root_, 99, "E");
    ASSERT_EQ(root_->count(), 5);
    EXPECT_EQ(root_->item(0)->caption(), "B");
    EXPECT_EQ(root_->item(1)->caption(), "D");
    EXPECT_EQ(root_->item(4)->caption(), "E");
    EXPECT_EQ(texts(window_.menuBar()->actions()), QStringList({"B", "D", "A", "C", "E"}));
    EXPECT_THROW(root_->item(5), std::out_of_range);
    const KvtMenuItem* added = addQtMenuItem(root_.get(), 0);
    EXPECT_EQ(added, root_->item(0));
    EXPECT_EQ(root_->count(), 6);
}

TEST_F(QtMenuTest, AnEntryThatGetsAChildBecomesASubmenuInItsPlaceKeepingWhatWasSet) {
    add(*root_, -1, "&Файл");
    QtMenuItem& journals = add(*root_, -1, "&Журналы");
    add(*root_, -1, "&Справка");
    journals.setHint("Журналы станции");
    journals.setName("JournalsMenu");
    ASSERT_EQ(journals.menu(), nullptr);

    add(journals, -1, "Экспорт");
    add(journals, 0, "-").setName("VedSep");

    ASSERT_NE(journals.menu(), nullptr);
    const QList<QAction*> bar = window_.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[1], &journals.action());
    EXPECT_EQ(bar[1]->menu(), journals.menu());
    EXPECT_EQ(bar[1]->text(), "&Журналы");
    EXPECT_EQ(bar[1]->statusTip(), "Журналы станции");
    EXPECT_EQ(bar[1]->objectName(), "JournalsMenu");
    EXPECT_EQ(texts(journals.menu()->actions()), QStringList({"-", "Экспорт"}));
    EXPECT_TRUE(journals.item(0)->action().isSeparator());
    EXPECT_TRUE(journals.item(0)->action().text().isEmpty());
    EXPECT_EQ(journals.item(0)->caption(), "-");
    EXPECT_EQ(journals.item(0)->action().objectName(), "VedSep");

    journals.item(0)->setCaption("Уже не разделитель");
    EXPECT_FALSE(journals.item(0)->action().isSeparator());
}

TEST_F(QtMenuTest, HiddenAndDisabledEntriesKeepTheirPlaceAndHintsBecomeStatusTips) {
    QtMenuItem& menu = add(*root_, -1, "&Журналы");
    QtMenuItem& hidden = add(menu, -1, "Текущий сменный отчет");
    QtMenuItem& disabled = add(menu, -1, "Сменный отчет");
    disabled.setHint("Просмотр и печать сменных отчетов");
    hidden.setVisible(false);
    disabled.setEnabled(false);

    EXPECT_EQ(menu.count(), 2);
    EXPECT_FALSE(hidden.visible());
    EXPECT_FALSE(hidden.action().isVisible());
    EXPECT_FALSE(disabled.action().isEnabled());
    EXPECT_EQ(disabled.action().statusTip(), "Просмотр и печать сменных отчетов");
    EXPECT_EQ(menu.menu()->actions().size(), 2);
}

TEST(ShortCutKeysTest, ShortcutsBecomeQtKeySequencesWithKeypadAndFunctionKeys) {
    using Keys = QKeySequence;
    const auto altKeypad = Qt::AltModifier | Qt::KeypadModifier;
    EXPECT_EQ(keySequenceOf(16500), Keys(Qt::CTRL | Qt::Key_F5));
    EXPECT_EQ(keySequenceOf(16501), Keys(Qt::CTRL | Qt::Key_F6));
    EXPECT_EQ(keySequenceOf(0x8031), Keys(Qt::ALT | Qt::Key_1));
    EXPECT_EQ(keySequenceOf(0x8030), Keys(Qt::ALT | Qt::Key_0));
    EXPECT_EQ(keySequenceOf(0x8051), Keys(Qt::ALT | Qt::Key_Q));
    EXPECT_EQ(keySequenceOf(0x8061), Keys(altKeypad | Qt::Key_1));
    EXPECT_EQ(keySequenceOf(0x8060), Keys(altKeypad | Qt::Key_0));
    EXPECT_EQ(keySequenceOf(0x8069), Keys(altKeypad | Qt::Key_9));
    EXPECT_EQ(keySequenceOf(0x70), Keys(Qt::Key_F1));
    EXPECT_EQ(keySequenceOf(0x7B), Keys(Qt::Key_F12));
    EXPECT_EQ(keySequenceOf(0x87), Keys(Qt::Key_F24));
    EXPECT_EQ(keySequenceOf(0x6000 | 'S'), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(keySequenceOf(0x2000 | 0x2E), Keys(Qt::SHIFT | Qt::Key_Delete));
    EXPECT_TRUE(keySequenceOf(0).isEmpty());
    EXPECT_TRUE(keySequenceOf(scAlt).isEmpty());
    EXPECT_TRUE(keySequenceOf(scCtrl | 0xE5).isEmpty());
}

TEST_F(QtMenuTest, HiddenEntriesStillFireTheirShortcutsAndEachKeyFiresOnce) {
    std::vector<std::string> clicked;
    const auto record = [&clicked](KvtMenuItem& sender) { clicked.push_back(sender.caption()); };
    add(*root_, -1, "&Файл");
    QtMenuItem& journals = add(*root_, -1, "&Журналы");
    QtMenuItem& visible = add(journals, -1, "Сменный отчет");
    visible.setShortCut(16500);
    visible.setOnClick(record);
    QtMenuItem& hidden = add(journals, -1, "Текущий сменный отчет");
    hidden.setShortCut(16501);
    hidden.setOnClick(record);
    hidden.setVisible(false);
    // A hidden menu with hidden entries, as the per-pump shortcuts come.
    QtMenuItem& pumps = add(*root_, -1, "История продаж");
    pumps.setVisible(false);
    QtMenuItem& pumpOne = add(pumps, -1, "ТРК #1");
    pumpOne.setShortCut(0x8031);
    pumpOne.setOnClick(record);
    pumpOne.setVisible(false);
    QtMenuItem& keypadOne = add(pumps, -1, "ТРК №1");
    keypadOne.setShortCut(0x8061);
    keypadOne.setOnClick(record);
    keypadOne.setVisible(false);
    // Visible itself, but under the hidden menu.
    QtMenuItem& pumpTwo = add(pumps, -1, "ТРК #2");
    pumpTwo.setShortCut(0x8032);
    pumpTwo.setOnClick(record);
    QtMenuItem& disabled = add(pumps, -1, "ТРК #3");
    disabled.setShortCut(0x8033);
    disabled.setOnClick(record);
    disabled.setVisible(false);
    disabled.setEnabled(false);
    activate();

    QTest::keyClick(&window_, Qt::Key_F5, Qt::ControlModifier);
    QTest::keyClick(&window_, Qt::Key_F6, Qt::ControlModifier);
    QTest::keyClick(&window_, Qt::Key_1, Qt::AltModifier);
    QTest::keyClick(&window_, Qt::Key_1, Qt::AltModifier | Qt::KeypadModifier);
    QTest::keyClick(&window_, Qt::Key_2, Qt::AltModifier);
    QTest::keyClick(&window_, Qt::Key_3, Qt::AltModifier);
    EXPECT_THAT(clicked, ElementsAre("Сменный отчет", "Текущий сменный отчет", "ТРК #1", "ТРК №1",
                                     "ТРК #2"));

    clicked.clear();
    hidden.setVisible(true);
    visible.setVisible(false);
    pumps.setVisible(true);
    QTest::keyClick(&window_, Qt::Key_F5, Qt::ControlModifier);
    QTest::keyClick(&window_, Qt::Key_F6, Qt::ControlModifier);
    QTest::keyClick(&window_, Qt::Key_2, Qt::AltModifier);
    EXPECT_THAT(clicked, ElementsAre("Сменный отчет", "Текущий сменный отчет", "ТРК #2"));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(QtMenuTest, AnErrorOfAClickGoesToTheErrorSinkAndNotIntoTheEventLoop) {
    QtMenuItem& menu = add(*root_, -1, "&Журналы");
    QtMenuItem& entry = add(menu, -1, "Сменный отчет");
    entry.setOnClick([](KvtMenuItem&) { throw std::runtime_error("Нет связи с сервером"); });
    QtMenuItem& odd = add(menu, -1, "Странный");
    odd.setOnClick([](KvtMenuItem&) { throw 42; });

    entry.action().trigger();
    odd.action().trigger();
    EXPECT_THAT(errors_, ElementsAre("Нет связи с сервером",
                                     "Неизвестная ошибка в пункте меню \"Странный\""));
    EXPECT_THROW(entry.click(), std::runtime_error);
}

}  // namespace
}  // namespace kvt::station
