#include "dialogs/ParamVedomForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <functional>

#include "appserver/StationDatabase.h"
#include "data/DBForm.h"
#include "dialogs/SmenaListForm.h"
#include "platform/PathMap.h"
#include "platform/Registry.h"
#include "settings/ReportsKeys.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::dialogs {
namespace {

// Statement kinds (code mod 100 = 4) at table positions 4, 6 and 9.
const std::vector<std::int32_t> kCodes{0, 1, 2, 3, 4, 5, 104, 7, 8, 204};

std::vector<std::string> captionsOf(const std::vector<std::int32_t>& codes) {
    std::vector<std::string> captions;
    for (const std::int32_t code : codes)
        captions.push_back("Вид " + std::to_string(code));
    return captions;
}

void saveVedomProp(const std::vector<std::pair<std::int32_t, std::int32_t>>& values) {
    platform::Registry registry(platform::RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey(settings::ReportsKeyPath("VedomProp"), true));
    for (const auto& [code, value] : values)
        registry.writeInteger("PayType" + std::to_string(code), value);
}

std::int32_t savedVedomProp(std::int32_t code) {
    platform::Registry registry(platform::RootKey::LocalMachine);
    EXPECT_TRUE(registry.openKeyReadOnly(settings::ReportsKeyPath("VedomProp")));
    return registry.readInteger("PayType" + std::to_string(code));
}

class ParamVedomFormTest : public test::FreshRoot {
protected:
    void SetUp() override {
        test::FreshRoot::SetUp();
        const auto file = platform::PathMap::root() / "station" / "station.db";
        std::filesystem::create_directories(file.parent_path());
        const appserver::Connection station = appserver::createStationDatabase(file);
        appserver::execute(station,
                           "INSERT INTO vedOrg (Name, VidOplat) VALUES ('Альфа', 4), "
                           "('Бета', 104), ('Гамма', NULL), ('Дельта', 204), ('Наличка', 0);"
                           "INSERT INTO vedAuto (ID, Name, NumberAuto) VALUES "
                           "('A1', 'Альфа', 'А001АА'), ('B1', 'Бета', 'В002ВВ');");
        db_.KVTServer.Open();
        db_.vdOrg.Open();
        db_.vdAuto.Open();
    }

    void TearDown() override {
        FreeParamVedomFrm();
        db_.KVTServer.Close();
        test::FreshRoot::TearDown();
    }

    TParamVedomFrm& form(const std::vector<std::int32_t>& codes = kCodes) {
        TParamVedomFrm& made = ParamVedomFrm(codes, captionsOf(codes));
        made.OrgGrid.SetDataSource(&db_.Organization);
        made.AutoGrid.SetDataSource(&db_.OrgList);
        return made;
    }

    static QCheckBox& box(TParamVedomFrm& shown, std::int32_t code) {
        auto* found = shown.gbPayments.findChild<QCheckBox*>("PayType" + QString::number(code));
        if (!found)
            throw std::runtime_error("no box for payment type " + std::to_string(code));
        return *found;
    }

    // Shows the form modally and acts on it; the act must close it. Returns the modal result.
    int showAndAct(const std::function<void(TParamVedomFrm&)>& act,
                   const std::vector<std::int32_t>& codes = kCodes) {
        TParamVedomFrm& shown = form(codes);
        QTimer::singleShot(0, &shown, [&shown, act] {
            act(shown);
            if (shown.isVisible()) {
                ADD_FAILURE() << "the form is still open";
                shown.reject();
            }
        });
        return shown.exec();
    }

    data::TDBFrm db_;
};

TEST_F(ParamVedomFormTest, BoxesOnlyForStatementKindsSteppedDownFromTop15) {
    struct Case {
        std::vector<std::int32_t> codes;
        std::vector<std::int32_t> boxed;
    };
    const std::vector<Case> cases{
        {kCodes, {4, 104, 204}},
        {{4}, {4}},
        // Ten boxes in 84 pixels: the step shrinks below a box's height.
        {{4, 104, 204, 304, 404, 504, 604, 704, 804, 904},
         {4, 104, 204, 304, 404, 504, 604, 704, 804, 904}},
    };
    for (const Case& c : cases) {
        const TParamVedomFrm made(c.codes, captionsOf(c.codes));
        const auto boxes = made.gbPayments.findChildren<QCheckBox*>();
        ASSERT_EQ(boxes.size(), c.boxed.size());
        const int step = std::min(84 / static_cast<int>(boxes.size()), boxes.front()->height());
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const QString code = QString::number(c.boxed[i]);
            EXPECT_EQ(boxes[i]->objectName(), "PayType" + code);
            EXPECT_EQ(boxes[i]->text(), "Вид " + code);
            EXPECT_EQ(boxes[i]->pos(), QPoint(5, 15 + static_cast<int>(i) * step));
        }
    }
}

TEST_F(ParamVedomFormTest, BoxesTickedFromTheSavedSelectionOrTablePosition4) {
    {
        // No key yet: position 4 of the table, code 4.
        TParamVedomFrm& made = form();
        EXPECT_TRUE(box(made, 4).isChecked());
        EXPECT_FALSE(box(made, 104).isChecked());
        FreeParamVedomFrm();
    }
    saveVedomProp({{4, 0}, {104, 1}, {204, 7}});
    TParamVedomFrm& made = form();
    EXPECT_FALSE(box(made, 4).isChecked());
    EXPECT_TRUE(box(made, 104).isChecked());
    EXPECT_FALSE(box(made, 204).isChecked());
}

TEST_F(ParamVedomFormTest, WithoutStatementKindsOnlyCancelRemains) {
    const int result = showAndAct(
        [](TParamVedomFrm& shown) {
            EXPECT_TRUE(shown.gbPayments.findChildren<QCheckBox*>().isEmpty());
            EXPECT_FALSE(shown.BitBtn1.isEnabled());
            shown.BitBtn1.click();
            EXPECT_TRUE(shown.isVisible());
            shown.BitBtn2.click();
        },
        {0, 1, 2, 3, 5});
    EXPECT_EQ(result, kResultCancel);
}

TEST_F(ParamVedomFormTest, ASelectionWithNothingTickedOffersTheFirstKindOnShow) {
    saveVedomProp({{4, 0}, {104, 0}, {204, 0}});
    TParamVedomFrm& made = form();
    EXPECT_FALSE(box(made, 4).isChecked());
    made.show();
    EXPECT_TRUE(box(made, 4).isChecked());
    EXPECT_TRUE(made.BitBtn1.isEnabled());
    EXPECT_EQ(db_.vdOrg.Filter(), " VidOplat = 4  OR VidOplat IS NULL");
}

TEST_F(ParamVedomFormTest, TickedKindsFilterTheOrganisationsAndNoneEmptiesBothLists) {
    struct Case {
        std::vector<std::int32_t> ticked;
        std::string orgFilter;
        int organisations;
        bool okEnabled;
        bool vehiclesFiltered;
    };
    const std::vector<Case> cases{
        {{4, 104}, " VidOplat = 4 OR VidOplat = 104  OR VidOplat IS NULL", 3, true, false},
        {{204}, " VidOplat = 204  OR VidOplat IS NULL", 2, true, false},
        {{}, " VidOplat = 999", 0, false, true},
    };
    TParamVedomFrm& made = form();
    made.show();
    for (const Case& c : cases) {
        for (const std::int32_t code : {4, 104, 204})
            box(made, code)
                .setChecked(std::find(c.ticked.begin(), c.ticked.end(), code) != c.ticked.end());
        EXPECT_EQ(db_.vdOrg.Filter(), c.orgFilter);
        EXPECT_TRUE(db_.vdOrg.Filtered());
        EXPECT_EQ(db_.vdOrg.RecordCount(), c.organisations);
        EXPECT_EQ(made.BitBtn1.isEnabled(), c.okEnabled);
        EXPECT_EQ(db_.vdAuto.Filtered(), c.vehiclesFiltered);
        if (c.vehiclesFiltered) {
            EXPECT_EQ(db_.vdAuto.Filter(), "ID = 'none'");
            EXPECT_EQ(db_.vdAuto.RecordCount(), 0);
        }
    }
}

TEST_F(ParamVedomFormTest, AListWithoutVidOplatIsNotFiltered) {
    db_.VDCnt.Open();
    TParamVedomFrm& made = form();
    made.OrgGrid.SetDataSource(&db_.CntDS);
    made.show();
    box(made, 104).setChecked(true);
    EXPECT_EQ(db_.VDCnt.Filter(), "IsDelete=false");
    EXPECT_TRUE(db_.vdAuto.Filter().empty());
}

TEST_F(ParamVedomFormTest, OnlyAPlainRightButtonDragBeyond20PixelsExchangesTheGroupings) {
    struct Case {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        int dy;
        bool exchanged;
    };
    const std::vector<Case> cases{
        {Qt::RightButton, Qt::NoModifier, -21, true},
        {Qt::RightButton, Qt::NoModifier, 25, true},
        {Qt::RightButton, Qt::NoModifier, -20, false},
        {Qt::LeftButton, Qt::NoModifier, -25, false},
        {Qt::RightButton, Qt::ShiftModifier, -25, false},
    };
    for (const Case& c : cases) {
        TParamVedomFrm& made = form();
        made.show();
        ASSERT_TRUE(made.DriversFirst());
        const QPointF start(10, 8);
        const QPointF end = start + QPointF(0, c.dy);
        QMouseEvent press(QEvent::MouseButtonPress, start, made.chbAuto.mapToGlobal(start),
                          c.button, c.button, c.modifiers);
        QApplication::sendEvent(&made.chbAuto, &press);
        const bool plainRight = c.button == Qt::RightButton && c.modifiers == Qt::NoModifier;
        EXPECT_EQ(QWidget::mouseGrabber(), plainRight ? &made.chbAuto : nullptr);
        QMouseEvent move(QEvent::MouseMove, end, made.chbAuto.mapToGlobal(end), Qt::NoButton,
                         c.button, c.modifiers);
        QApplication::sendEvent(&made.chbAuto, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, end, made.chbAuto.mapToGlobal(end),
                            c.button, Qt::NoButton, c.modifiers);
        QApplication::sendEvent(&made.chbAuto, &release);
        EXPECT_EQ(made.DriversFirst(), !c.exchanged) << "dy " << c.dy;
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        FreeParamVedomFrm();
    }
}

TEST_F(ParamVedomFormTest, EveryWayOfClosingSavesTheTickedKinds) {
    saveVedomProp({{0, 1}});
    struct Case {
        std::function<void(TParamVedomFrm&)> close;
        int result;
    };
    const std::vector<Case> cases{
        {[](TParamVedomFrm& shown) { shown.BitBtn2.click(); }, kResultCancel},
        {[](TParamVedomFrm& shown) { shown.reject(); }, kResultCancel},
        {[](TParamVedomFrm& shown) { shown.close(); }, kResultCancel},
        {[](TParamVedomFrm& shown) { shown.BitBtn1.click(); }, kResultChosen},
    };
    for (const Case& c : cases) {
        saveVedomProp({{4, 1}, {104, 0}, {204, 0}});
        const int result = showAndAct([&c](TParamVedomFrm& shown) {
            box(shown, 4).setChecked(false);
            box(shown, 204).setChecked(true);
            c.close(shown);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(savedVedomProp(4), 0);
        EXPECT_EQ(savedVedomProp(104), 0);
        EXPECT_EQ(savedVedomProp(204), 1);
        // Payment types without a box keep their values.
        EXPECT_EQ(savedVedomProp(0), 1);
    }
}

TEST_F(ParamVedomFormTest, PeriodTextsAndTheStoredDates) {
    TParamVedomFrm& made = form();
    made.BegDate.setDate(QDate(2026, 12, 7));
    made.EndDate.setDate(QDate(2027, 1, 31));
    EXPECT_EQ(made.BeginText(), "07.12.2026 00:00");
    made.EndTimeEdit.setText("08:30");
    EXPECT_EQ(made.EndText(), "31.01.2027 08:30");
    made.reject();
    FreeParamVedomFrm();

    TParamVedomFrm& again = form();
    EXPECT_EQ(again.BegDate.date(), QDate(2026, 12, 7));
    EXPECT_EQ(again.EndDate.date(), QDate(2027, 1, 31));
}

TEST_F(ParamVedomFormTest, FocusOnShowAndTheOrganisationColumn) {
    struct Case {
        bool orgEnabled;
        bool autoEnabled;
        const char* focused;
    };
    for (const Case& c : {Case{true, true, "OrgGrid"}, Case{true, false, "OrgGrid"},
                          Case{false, true, "BegDate"}}) {
        TParamVedomFrm& made = form();
        made.OrgGrid.setEnabled(c.orgEnabled);
        made.AutoGrid.setEnabled(c.autoEnabled);
        made.show();
        ASSERT_NE(made.focusWidget(), nullptr);
        EXPECT_EQ(made.focusWidget()->objectName(), c.focused);
        FreeParamVedomFrm();
    }
    // One column of the four fields of the organisations; every visible field of the vehicles.
    TParamVedomFrm& made = form();
    const ui::TDBGrid& grid = made.OrgGrid;
    ASSERT_EQ(grid.model()->columnCount(), 4);
    std::vector<int> shown;
    for (int column = 0; column < 4; ++column) {
        if (!grid.isColumnHidden(column))
            shown.push_back(column);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(grid.model()
                  ->headerData(shown[0], Qt::Horizontal, data::DataSetModel::FieldNameRole)
                  .toString(),
              "Name");
    EXPECT_EQ(grid.columnTitle(shown[0]), "Организация");
    EXPECT_EQ(grid.columnWidth(shown[0]), 165);
    for (int column = 0; column < made.AutoGrid.model()->columnCount(); ++column)
        EXPECT_FALSE(made.AutoGrid.isColumnHidden(column));
    EXPECT_EQ(made.AutoGrid.model()->columnCount(), 2);
}

}  // namespace
}  // namespace kvt::dialogs
