#include "dialogs/SmenaListForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

#include "dialogs/CardScanner.h"
#include "platform/Modules.h"
#include "support/StationLog.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::dialogs {
namespace {

constexpr std::int32_t kHostCurrentShift = 77;

class SmenaListFormTest : public test::FreshRoot {
protected:
    void open(const std::vector<test::TestShift>& shifts,
              const std::vector<std::string>& pumps = {}) {
        test::writeStationLog(shifts, pumps);
        db_.HostValue = [](std::int32_t code) {
            return code == 12 ? Variant(kHostCurrentShift) : Variant();
        };
        db_.KVTServer.Open();
        db_.SmLogtable.Open();
    }

    void TearDown() override {
        FreeSmenaListFrm();
        db_.KVTServer.Close();
        test::FreshRoot::TearDown();
    }

    TSmenaListFrm& form() { return SmenaListFrm(db_); }

    // Acts on the form once it shows modally; the act must close it.
    void whenShown(std::function<void(TSmenaListFrm&)> act) {
        TSmenaListFrm& shown = form();
        QTimer::singleShot(0, &shown, [&shown, act] {
            act(shown);
            if (shown.isVisible()) {
                ADD_FAILURE() << "the form is still open";
                shown.reject();
            }
        });
    }

    std::optional<SmenaChoice> select() {
        return form().SelectSmena(db_.SmLogSource, db_.SmLogtable);
    }

    int rowOf(int smNum) {
        const auto& model = *form().DBGrid1.model();
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.index(row, 0).data().toString() == QString::number(smNum))
                return row;
        ADD_FAILURE() << "no row for shift " << smNum;
        return -1;
    }

    void mark(TSmenaListFrm& shown, int smNum) {
        const QModelIndex index = shown.DBGrid1.model()->index(rowOf(smNum), 0);
        shown.DBGrid1.selectionModel()->select(
            index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    void makeCurrent(TSmenaListFrm& shown, int smNum) {
        shown.DBGrid1.selectionModel()->setCurrentIndex(
            shown.DBGrid1.model()->index(rowOf(smNum), 0), QItemSelectionModel::NoUpdate);
    }

    data::TDBFrm db_;
};

// Shift n opened at day 100 + n and closed at day 100.5 + n.
std::vector<test::TestShift> shifts(std::initializer_list<int> numbers) {
    std::vector<test::TestShift> result;
    for (const int n : numbers)
        result.push_back({n, 100.0 + n, 100.5 + n});
    return result;
}

TEST_F(SmenaListFormTest, MarkedRowsGiveTheRunOfShiftsInEitherOrder) {
    open(shifts({10, 12, 13, 14, 15, 16}));
    for (const auto& order : {std::pair{15, 12}, std::pair{12, 15}}) {
        whenShown([&, order](TSmenaListFrm& shown) {
            makeCurrent(shown, 16);
            mark(shown, order.first);
            mark(shown, order.second);
            shown.BitBtn1.click();
        });
        const std::optional<SmenaChoice> choice = select();
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->FirstSm, 12);
        EXPECT_EQ(choice->LastSm, 15);
        EXPECT_DOUBLE_EQ(choice->BegTime, 112.0);
        EXPECT_DOUBLE_EQ(choice->EndTime, 115.5);
        // The log is left on the last marked row in record order.
        EXPECT_EQ(db_.SmLogtableSmNum.AsInteger(), 15);
        EXPECT_EQ(form().ModalResult(), kResultChosen);
    }
}

TEST_F(SmenaListFormTest, OneMarkedRowGivesTheCurrentRowInstead) {
    open(shifts({10, 11, 12}));
    whenShown([&](TSmenaListFrm& shown) {
        makeCurrent(shown, 11);
        mark(shown, 12);
        shown.DBGrid1.selectionModel()->select(
            shown.DBGrid1.model()->index(rowOf(11), 0),
            QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        shown.BitBtn1.click();
    });
    const std::optional<SmenaChoice> choice = select();
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->FirstSm, 11);
    EXPECT_EQ(choice->LastSm, 11);
    EXPECT_DOUBLE_EQ(choice->BegTime, 111.0);
    EXPECT_DOUBLE_EQ(choice->EndTime, 111.5);
}

TEST_F(SmenaListFormTest, CurrentShiftOnlyWhileItsButtonIsShownAndEnabled) {
    open(shifts({10, 11}));
    // Hidden: F4 leaves the form open; the operator then cancels.
    whenShown([](TSmenaListFrm& shown) {
        shown.CurSmena.trigger();
        EXPECT_TRUE(shown.isVisible());
        shown.BitBtn2.click();
    });
    EXPECT_FALSE(select());
    EXPECT_EQ(form().ModalResult(), kResultCancel);

    form().CurBtn.show();
    form().CurBtn.setEnabled(false);
    whenShown([](TSmenaListFrm& shown) {
        shown.CurSmena.trigger();
        EXPECT_TRUE(shown.isVisible());
        shown.reject();
    });
    EXPECT_FALSE(select());

    form().CurBtn.setEnabled(true);
    whenShown([](TSmenaListFrm& shown) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        QApplication::sendEvent(&shown.DBGrid1, &press);
        if (shown.isVisible())
            shown.CurSmena.trigger();
    });
    const std::optional<SmenaChoice> choice = select();
    ASSERT_TRUE(choice);
    EXPECT_EQ(form().ModalResult(), kResultCurrentShift);
    EXPECT_EQ(choice->FirstSm, kHostCurrentShift);
    EXPECT_EQ(choice->LastSm, kHostCurrentShift);
    EXPECT_EQ(choice->BegTime, 0);
    EXPECT_EQ(choice->EndTime, 0);
}

TEST_F(SmenaListFormTest, DoubleClickChoosesOnlyOnARecord) {
    open({});
    whenShown([](TSmenaListFrm& shown) {
        shown.DBGrid1DblClick();
        EXPECT_TRUE(shown.isVisible());
        shown.BitBtn2.click();
    });
    EXPECT_FALSE(select());

    db_.KVTServer.Close();
    test::writeStationLog(shifts({3}));
    db_.KVTServer.Open();
    db_.SmLogtable.Open();
    whenShown([](TSmenaListFrm& shown) { shown.DBGrid1DblClick(); });
    const std::optional<SmenaChoice> choice = select();
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->FirstSm, 3);
}

TEST_F(SmenaListFormTest, TypedDigitsFindTheFirstShiftStartingWithThem) {
    open(shifts({1, 5, 120, 121, 200}));
    TSmenaListFrm& shown = form();
    const auto type = [&shown](const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(&shown.DBGrid1, &press);
    };
    const auto waitForSearch = [&shown] {
        while (shown.tmSearchTimer.isActive())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };
    type("1");
    type("2");
    EXPECT_TRUE(shown.tmSearchTimer.isActive());
    waitForSearch();
    EXPECT_EQ(db_.SmLogtableSmNum.AsInteger(), 120);
    EXPECT_EQ(shown.DBGrid1.currentIndex().row(), 2);
    // After the pause a new search begins.
    type("2");
    waitForSearch();
    EXPECT_EQ(db_.SmLogtableSmNum.AsInteger(), 200);
    // Nothing matches: the row stays.
    type("9");
    waitForSearch();
    EXPECT_EQ(db_.SmLogtableSmNum.AsInteger(), 200);
}

TEST_F(SmenaListFormTest, DigitsTypedJustBeforeAChoiceDoNotPrefixTheNextSearch) {
    open(shifts({1, 5, 12, 200}));
    TSmenaListFrm& shown = form();
    const auto type = [&shown](const QString& text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(&shown.DBGrid1, &press);
    };
    whenShown([&](TSmenaListFrm& f) {
        type("1");
        f.BitBtn1.click();
    });
    select();
    EXPECT_FALSE(shown.tmSearchTimer.isActive());
    whenShown([&](TSmenaListFrm& f) {
        type("2");
        while (f.tmSearchTimer.isActive())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(db_.SmLogtableSmNum.AsInteger(), 200);
        f.BitBtn2.click();
    });
    select();
}

TEST_F(SmenaListFormTest, EscAndTheCloseBoxCancelAsTheCancelButtonDoes) {
    open(shifts({1}));
    const std::function<void(TSmenaListFrm&)> closers[] = {
        [](TSmenaListFrm& f) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&f, &esc);
        },
        [](TSmenaListFrm& f) { f.close(); }};
    for (const auto& closer : closers) {
        whenShown(closer);
        EXPECT_EQ(select(), std::nullopt);
        EXPECT_EQ(form().ModalResult(), kResultCancel);
    }
}

TEST_F(SmenaListFormTest, AGapInTheNumbersShowsRedOnTheShiftBeforeIt) {
    open(shifts({10, 11, 13}));
    whenShown([&](TSmenaListFrm& shown) {
        const auto brush = [&](int smNum, int column) {
            return shown.DBGrid1.cellBrush(rowOf(smNum), column);
        };
        EXPECT_FALSE(brush(10, 0));
        ASSERT_TRUE(brush(11, 0));
        EXPECT_EQ(*brush(11, 0), QColor(255, 0, 0));
        EXPECT_FALSE(brush(11, 1));
        EXPECT_FALSE(brush(13, 0));
        shown.reject();
    });
    EXPECT_FALSE(select());
    // The painter is let go of with the showing.
    EXPECT_FALSE(form().DBGrid1.OnDrawColumnCell());
}

TEST_F(SmenaListFormTest, PumpButtonsWrapWhenThePanelIsNarrowAndTheFirstIsPressed) {
    open(shifts({1}), {"1", "2", "3", "4", "5", "6", "7", "8"});
    TSmenaListFrm& shown = form();
    shown.resize(300, 300);
    shown.ShowTrkButtons();
    const QList<QPushButton*> buttons =
        shown.Panel3.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(buttons.size(), 8);
    EXPECT_EQ(shown.SelectedTrk(), "1");
    EXPECT_TRUE(buttons[0]->isChecked());
    int rows = 1;
    for (int i = 1; i < buttons.size(); ++i) {
        const QRect previous = buttons[i - 1]->geometry();
        const QRect button = buttons[i]->geometry();
        EXPECT_EQ(button.size(), QSize(44, 22));
        if (button.top() != previous.top()) {
            ++rows;
            EXPECT_EQ(button.top(), previous.top() + 22);
            EXPECT_EQ(button.left(), 10);
        } else {
            EXPECT_EQ(button.left(), previous.left() + 44);
        }
    }
    EXPECT_GE(rows, 2);
    buttons[4]->click();
    EXPECT_EQ(shown.SelectedTrk(), "5");
    EXPECT_FALSE(buttons[0]->isChecked());
    EXPECT_FALSE(db_.cdsTrkList.Active());
}

TEST_F(SmenaListFormTest, ScannedCodesReachOnlyTheCardReportsForm) {
    open(shifts({1}));
    LoadScanner();
    ASSERT_TRUE(ScannerLoaded());
    const platform::LoadedModule scanner = platform::LoadedModule::find("RodaVuv.dll");
    auto* scanFromThread = reinterpret_cast<void (*)(const char*)>(scanner.symbol("RodaVuvScan"));
    ASSERT_NE(scanFromThread, nullptr);
    // The form's thread keeps handling events while the scanner waits for it.
    const auto scan = [scanFromThread](const char* code) {
        std::atomic<bool> done{false};
        std::thread scanning([&] {
            scanFromThread(code);
            done = true;
        });
        while (!done)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        scanning.join();
    };

    form().SetPropKind(2);
    scan("0001");
    EXPECT_EQ(form().edSimpleText.text(), "");

    form().SetPropKind(kCardReportKind);
    scan("12345678");
    EXPECT_EQ(form().edSimpleText.text(), "12345678");
    EXPECT_EQ(ScanText(), "12345678");

    // After the form is gone a code is dropped.
    FreeSmenaListFrm();
    scan("999");
    EXPECT_EQ(ScanText(), "12345678");

    UnloadScanner();
    EXPECT_FALSE(ScannerLoaded());
    UnloadScanner();
}

TEST_F(SmenaListFormTest, OperationRangeNeedsAnOperationNumber) {
    open(shifts({1, 2}));
    // The shift log has no "OpNum": the form is not shown at all.
    EXPECT_FALSE(form().SelectOpRange(db_.SmLogSource));
    EXPECT_FALSE(form().isVisible());
}

TEST(VehicleFilterTest, FollowsTheCaptionAndQuotesTheVehicle) {
    EXPECT_EQ(VehicleFilter("Выберите привоз ГСМ", "Все"), "Prihod = True");
    EXPECT_EQ(VehicleFilter("Выберите откачку ГСМ", "Все"), "Prihod = False");
    EXPECT_EQ(VehicleFilter("Выберите привоз ГСМ", "КамАЗ 'Север'"),
              "Prihod = True and CarName = 'КамАЗ ''Север'''");
    EXPECT_EQ(VehicleFilter("Выберите откачку ГСМ", "МАЗ"), "Prihod = False and CarName = 'МАЗ'");
}

}  // namespace
}  // namespace kvt::dialogs
