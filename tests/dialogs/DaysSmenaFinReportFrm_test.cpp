#include "dialogs/DaysSmenaFinReportFrm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "NetworkFormTest.h"

namespace kvt::dialogs {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Item = std::pair<QString, int>;

QDateTime march(int day, int hour = 0, int minute = 0) {
    return {QDate(2024, 3, day), QTime(hour, minute)};
}

class DaysSmenaFinReportFormTest : public test::NetworkFormTest {
protected:
    void SetUp() override {
        NetworkFormTest::SetUp();
        writeStations(data::ParadoxType::Long, {{3, "Третья"}, {1, "Первая"}, {2, "Вторая"}});
    }

    // Each item's text and number; every one must be ticked.
    static std::vector<Item> items(const TDaysSmenaFinReportForm& form) {
        std::vector<Item> shown;
        for (int row = 0; row < form.clbKVTList.count(); ++row) {
            const QListWidgetItem& item = *form.clbKVTList.item(row);
            EXPECT_EQ(item.checkState(), Qt::Checked) << row;
            shown.emplace_back(item.text(), item.data(kStationNumberRole).toInt());
        }
        return shown;
    }
};

TEST_F(DaysSmenaFinReportFormTest, OpensOn24112008WithTheStationsByNumberAllTicked) {
    const TDaysSmenaFinReportForm form(recorder());
    EXPECT_EQ(form.dtpBegDate.dateTime(), QDateTime(QDate(2008, 11, 24), QTime(0, 0)));
    EXPECT_THAT(items(form), ElementsAre(Item{"Первая", 1}, Item{"Вторая", 2}, Item{"Третья", 3}));
}

// Only the days count; the stations go in list order.
TEST_F(DaysSmenaFinReportFormTest, ThePeriodIsCheckedAndSentAsWholeDays) {
    using Form = TDaysSmenaFinReportForm;
    struct Case {
        QDateTime begin;
        QDateTime end;
        std::vector<QToolButton Form::*> pressed;
        std::string params;  // empty: the period message and no request
    };
    const std::string oneDay = "Date(2024-03-01T00:00:00.000), Date(2024-03-01T00:00:00.000)";
    const std::string twoDays = "Date(2024-03-01T00:00:00.000), Date(2024-03-02T00:00:00.000)";
    const std::vector<Case> cases{
        {march(1, 23, 59), march(1), {}, "Array[0..2](" + oneDay + ", Str(\"1\r\n2\r\n3\r\n\"))"},
        {march(1, 8, 30),
         march(2, 0, 1),
         {&Form::SpeedButton2},
         "Array[0..2](" + twoDays + ", Str(\"\"))"},
        {march(1),
         march(2),
         {&Form::SpeedButton2, &Form::SpeedButton1},
         "Array[0..2](" + twoDays + ", Str(\"1\r\n2\r\n3\r\n\"))"},
        {march(2), march(1, 23, 59), {}, ""},
    };
    for (const Case& c : cases) {
        TDaysSmenaFinReportForm form(recorder());
        form.dtpBegDate.setDateTime(c.begin);
        form.dtpEndDate.setDateTime(c.end);
        for (const auto button : c.pressed)
            (form.*button).click();
        requests.clear();
        errors.clear();
        form.btnOK.click();
        EXPECT_EQ(requests, c.params.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{c.params});
        EXPECT_EQ(errors, c.params.empty()
                              ? std::vector<std::string>{host::event::error(
                                    "Дата окончания периода должна быть больше, чем дата начала!")}
                              : std::vector<std::string>{});
    }
}

TEST_F(DaysSmenaFinReportFormTest, TheFormStaysOpenAfterAReportAndAfterAFailedOne) {
    expectOpenAfterReports(&TDaysSmenaFinReportForm::btnOK, &TDaysSmenaFinReportForm::btnClose);
}

// A station list that cannot be read whole opens with what was read before the fault; a blank
// number reads as 0, as the desktop database gives it, and sorts first.
TEST_F(DaysSmenaFinReportFormTest, AFaultyOfficeTableShowsOneErrorAndTheStationsReadBeforeIt) {
    std::filesystem::remove(test::officeTable());
    EXPECT_THAT(items(TDaysSmenaFinReportForm(recorder())), IsEmpty());
    writeStations(data::ParadoxType::Number,
                  {{3.0, "Третья"}, {2.5, "Дробная"}, {Variant(), "Без номера"}, {1.0, "Первая"}});
    EXPECT_THAT(items(TDaysSmenaFinReportForm(recorder())),
                ElementsAre(Item{"Без номера", 0}, Item{"Первая", 1}));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(
        errors.back(),
        host::event::error("Номер KVT \"Дробная\" в таблице станций не является целым числом"));
}

}  // namespace
}  // namespace kvt::dialogs
