#include "dialogs/AllDscCardFrm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTimer>

#include "NetworkFormTest.h"

namespace kvt::dialogs {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AllDscCardFormTest : public test::NetworkFormTest {
protected:
    void SetUp() override {
        NetworkFormTest::SetUp();
        writeStations(data::ParadoxType::Long, {{1, "Север"}, {2, "Альфа"}, {3, "Вега"}});
    }
};

// The radios enable their lists, which stay silver; the stations go in table order.
TEST_F(AllDscCardFormTest, TheParametersFollowTheChoices) {
    struct Case {
        int format;
        bool chooseCards;
        QString cards;
        bool chooseStations;
        std::vector<int> ticked;
        std::string params;
    };
    const std::vector<Case> cases{
        // The text of the disabled edit does not count, nor do ticks in the disabled list.
        {2, false, "123", false, {1}, R"(Array[0..2](I4(2), Str("*"), Str("*")))"},
        {1, true, "", true, {}, R"(Array[0..2](I4(1), Str(""), Str("")))"},
        {0,
         true,
         "7788*\n99??\n",
         false,
         {},
         "Array[0..2](I4(0), Str(\"7788*\r\n99??\r\n\"), Str(\"*\"))"},
        {0, false, "", true, {2, 0}, "Array[0..2](I4(0), Str(\"*\"), Str(\"Север\r\nВега\r\n\"))"},
    };
    for (const Case& c : cases) {
        TAllDscCardForm form(recorder());
        form.rgRepFormat.setItemIndex(c.format);
        form.reCardNumbers.setPlainText(c.cards);
        for (const int row : c.ticked)
            form.clbKVTList.item(row)->setCheckState(Qt::Checked);
        (c.chooseCards ? form.rbChooseCards : form.rbAllCards).click();
        (c.chooseStations ? form.rbChooseKVT : form.rbAllKVT).click();
        EXPECT_EQ(form.reCardNumbers.isEnabled(), c.chooseCards);
        EXPECT_EQ(form.clbKVTList.isEnabled(), c.chooseStations);
        for (const QWidget* list :
             {static_cast<QWidget*>(&form.reCardNumbers), static_cast<QWidget*>(&form.clbKVTList)})
            EXPECT_EQ(list->palette().color(QPalette::Current, QPalette::Base),
                      QColor(0xC0, 0xC0, 0xC0));
        requests.clear();
        form.BitBtn1.click();
        EXPECT_THAT(requests, ElementsAre(c.params));
    }
    EXPECT_THAT(errors, IsEmpty());
}

// All quotes go at once with one message; the cursor stands where the first of them stood.
TEST_F(AllDscCardFormTest, QuotesInCardNumbersAreRemovedWithOneMessage) {
    TAllDscCardForm form(recorder());
    form.rbChooseCards.click();
    form.reCardNumbers.setPlainText("11\n");
    form.reCardNumbers.moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText("12'34\"56\r\n\"78'");
    form.reCardNumbers.paste();
    EXPECT_EQ(form.reCardNumbers.toPlainText(), "11\n123456\n78");
    EXPECT_EQ(form.reCardNumbers.textCursor().position(), 5);
    form.reCardNumbers.insertPlainText("0");
    EXPECT_EQ(form.reCardNumbers.toPlainText(), "11\n1203456\n78");
    EXPECT_THAT(errors,
                ElementsAre(host::event::error("Символы (\") и (') в номере карты недопустимы!")));
}

TEST_F(AllDscCardFormTest, TheFormStaysOpenAfterAReportAndAfterAFailedOne) {
    expectOpenAfterReports(&TAllDscCardForm::BitBtn1, &TAllDscCardForm::BitBtn2);
}

TEST_F(AllDscCardFormTest, AMissingOfficeTableShowsOneErrorAndAnEmptyList) {
    std::filesystem::remove(test::officeTable());
    const TAllDscCardForm form(recorder());
    EXPECT_EQ(form.clbKVTList.count(), 0);
    EXPECT_EQ(errors.size(), 1u);
}

}  // namespace
}  // namespace kvt::dialogs
