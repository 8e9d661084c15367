#include <gmock/gmock.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>

#include <cstdlib>

#include "appserver/DemoData.h"
#include "appserver/StationDatabase.h"
#include "host/station/ShiftLog.h"
#include "host/station/StationWindow.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::station {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

class RecordingErrorBox final : public ErrorBox {
public:
    void show(const QString& message) override { messages.push_back(message.toStdString()); }
    std::vector<std::string> messages;
};

class StationWindowTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        useDatabase(base() / "station.db");
        appserver::writeDemoDatabase(database_, {20, 1});
    }

    void TearDown() override {
        window_.reset();
        unsetenv("KVT_STATION_DB");
        FreshRoot::TearDown();
    }

    // The console's database is the plug-in's too.
    void useDatabase(const std::filesystem::path& database) {
        database_ = database;
        setenv("KVT_STATION_DB", database.c_str(), 1);
    }

    StationWindow& start(const std::string& hostValues = "{}") {
        const auto file = base() / "kvt-station.json";
        test::writeFile(file, hostValues);
        window_ = std::make_unique<StationWindow>(StationSetup{KVT_TEST_PLUGIN, database_, file},
                                                  errors_);
        window_->start();
        return *window_;
    }

    // The entry reached by these captions from the main menu root; nullptr when there is none.
    QtMenuItem* entry(std::initializer_list<std::string> captions) const {
        QtMenuItem* item = &window_->menuRoot();
        for (const std::string& caption : captions) {
            QtMenuItem* found = nullptr;
            for (std::int32_t i = 0; i < item->count() && found == nullptr; ++i)
                if (item->item(i)->caption() == caption)
                    found = item->item(i);
            if (found == nullptr)
                return nullptr;
            item = found;
        }
        return item;
    }

    QtMenuItem& reports() const { return *entry({"&Журналы/Отчеты"}); }
    QtMenuItem& report(const std::string& caption) const {
        return *entry({"&Журналы/Отчеты", caption});
    }
    static std::vector<std::string> captions(const QtMenuItem& menu) {
        std::vector<std::string> result;
        for (std::int32_t i = 0; i < menu.count(); ++i)
            result.push_back(menu.item(i)->caption());
        return result;
    }
    void chooseOperator(int level) {
        entry({"&Файл", "Сменить &оператора", "Уровень &" + std::to_string(level)})
            ->action()
            .trigger();
    }

    std::filesystem::path database_;
    std::shared_ptr<RecordingErrorBox> errors_ = std::make_shared<RecordingErrorBox>();
    std::unique_ptr<StationWindow> window_;
};

constexpr const char* kDiscountCards = "Общий список дисконтных  карт";

TEST_F(StationWindowTest, ThePlugInBuildsItsReportMenuInTheConsolesJournalMenu) {
    StationWindow& window = start();
    EXPECT_THAT(errors_->messages, IsEmpty());
    EXPECT_THAT(captions(window.menuRoot()),
                ElementsAre("&Файл", "&Журналы/Отчеты", "&Ведомости", "&Настройка", "&Справка",
                            "История продаж"));

    const std::vector<std::string> entries = captions(reports());
    ASSERT_THAT(entries, SizeIs(26));
    EXPECT_EQ(entries.front(), "Поступления топлива");
    EXPECT_EQ(entries[4], "Сменный отчет");
    EXPECT_EQ(entries[23], kDiscountCards);
    EXPECT_EQ(entries[24], "Экспорт журнала по резервуарам");
    EXPECT_EQ(reports().item(25)->name(), "VedSep");

    // What the operator sees: the same entries in the menu bar's menu, with their keys.
    const QAction* journal = window.menuBar()->actions().at(1);
    EXPECT_EQ(journal->text(), "&Журналы/Отчеты");
    ASSERT_NE(journal->menu(), nullptr);
    EXPECT_THAT(journal->menu()->actions(), SizeIs(26));
    EXPECT_EQ(report("Сменный отчет").action().shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    EXPECT_EQ(report("Сменный отчет").action().statusTip(), "Просмотр и печать сменных отчетов");
    EXPECT_FALSE(report("Текущий сменный отчет").action().isVisible());
    // The demo station has statement payment types.
    EXPECT_TRUE(entry({"&Ведомости"})->enabled());
    EXPECT_TRUE(report("Сменный отчет по ведомостям").visible());

    // The callbacks the plug-in was given answer for this console: the shift report comes from
    // its station database and the station's templates, other reports are diagnostic.
    test::layDemoTemplates();
    const Variant layout =
        Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{0}),
                       Variant("C:\\VEDA\\FORMS\\REPORT\\SmenaBeg.FRM"), Variant(std::int32_t{1}),
                       Variant(std::int32_t{100}),
                       Variant("C:\\VEDA\\FORMS\\WEBREP\\Шапка сменного отчета.html"), Variant()});
    std::string text;
    getReport(text, 45,
              Variant::list({Variant::i1(-1), Variant::i1(-1), layout, Variant(std::int32_t{1}),
                             Variant(std::int32_t{0}), Variant(""), Variant(false),
                             Variant::array(0, -1), Variant(std::int32_t{0})}));
    EXPECT_THAT(text, HasSubstr("Текущая смена №" +
                                std::to_string(window.values().shift().current) + "\r\n"));
    getReport(text, 55, Variant::array(0, -1));
    EXPECT_THAT(text, HasSubstr("<h1>Сменный отчет</h1>"));
    getReport(text, 99, Variant::list({Variant(std::int32_t{12})}));
    EXPECT_THAT(text, StartsWith("Отчет №99\r\n"));
    Variant result;
    getHostValue(result, 11);
    EXPECT_EQ(result, Variant(std::int32_t{1}));
    getValue(result, 57, 0);
    EXPECT_EQ(payTypeListOf(result)->item(13).code(), 104);
}

// The console keeps the shift log: the reports of a shift opened in the console find it.
TEST_F(StationWindowTest, ShiftsOpenedAndClosedInTheConsoleAreInTheShiftLog) {
    StationWindow& window = start();
    const ShiftState before = readShiftState(database_);
    ASSERT_FALSE(before.open);
    entry({"&Файл", "Открыть смену"})->action().trigger();
    const std::int32_t opened = before.last + 1;
    EXPECT_EQ(readShiftState(database_), (ShiftState{true, opened, opened}));
    EXPECT_EQ(window.values().hostValue(12), Variant(opened));

    test::layDemoTemplates();
    const Variant layout =
        Variant::list({Variant(std::int32_t{1}), Variant(std::int32_t{0}),
                       Variant("C:\\VEDA\\FORMS\\REPORT\\SmenaBeg.FRM"), Variant()});
    std::string text;
    getReport(text, 45,
              Variant::list({Variant::i1(-1), Variant::i1(-1), layout, Variant(std::int32_t{1}),
                             Variant(std::int32_t{0}), Variant(""), Variant(false),
                             Variant::array(0, -1), Variant(std::int32_t{0})}));
    EXPECT_THAT(text, HasSubstr("Текущая смена №" + std::to_string(opened) + "\r\n"));

    entry({"&Файл", "Закрыть смену"})->action().trigger();
    EXPECT_EQ(readShiftState(database_), (ShiftState{false, opened, opened}));
    EXPECT_THAT(errors_->messages, IsEmpty());

    // Another console took the next number meanwhile: nothing changes here and the error shows.
    {
        const appserver::Connection db = appserver::openStationDatabase(
            database_, appserver::kDefaultBusyTimeout, appserver::Access::ReadWrite);
        appserver::execute(db, "INSERT INTO SmLog (SmNum, BegTime, EndTime) VALUES (" +
                                   std::to_string(opened + 1) + ", 1, 2)");
    }
    entry({"&Файл", "Открыть смену"})->action().trigger();
    ASSERT_THAT(errors_->messages, SizeIs(1));
    EXPECT_FALSE(window.values().shift().open);
    EXPECT_EQ(window.values().shift().current, opened);
    EXPECT_TRUE(entry({"&Файл", "Открыть смену"})->enabled());
}

TEST_F(StationWindowTest, ALevelThreeOperatorFirstGetsTheSettingsEntryAndNoPumpShortcuts) {
    StationWindow& window = start(R"({"15": 3})");
    EXPECT_THAT(errors_->messages, IsEmpty());
    EXPECT_THAT(captions(*entry({"&Настройка"})), ElementsAre("Отчеты"));
    EXPECT_EQ(entry({"История продаж"}), nullptr);
    EXPECT_TRUE(report(kDiscountCards).visible());

    chooseOperator(1);
    EXPECT_EQ(window.values().operatorLevel(), 1);
    EXPECT_TRUE(entry({"&Файл", "Сменить &оператора", "Уровень &1"})->action().isChecked());
    EXPECT_FALSE(report(kDiscountCards).visible());
    EXPECT_THAT(captions(*entry({"&Настройка"})), ElementsAre("Отчеты"));
    EXPECT_EQ(entry({"История продаж"}), nullptr);
    EXPECT_THAT(errors_->messages, IsEmpty());
}

TEST_F(StationWindowTest, ALevelOneOperatorFirstGetsThePumpShortcutsAndNeverTheSettingsEntry) {
    start(R"({"15": 1})");
    EXPECT_THAT(errors_->messages, IsEmpty());
    QtMenuItem& pumps = *entry({"История продаж"});
    EXPECT_FALSE(pumps.visible());
    EXPECT_EQ(pumps.count(), 16);  // eight pumps, each by digit and by keypad digit
    EXPECT_EQ(pumps.item(0)->caption(), "ТРК #1");
    EXPECT_EQ(pumps.item(0)->shortCut(), 0x8031);
    EXPECT_EQ(pumps.item(1)->shortCut(), 0x8061);
    EXPECT_EQ(entry({"&Настройка"})->count(), 0);
    EXPECT_FALSE(report(kDiscountCards).visible());

    chooseOperator(3);
    EXPECT_TRUE(report(kDiscountCards).visible());
    EXPECT_EQ(entry({"&Настройка"})->count(), 0);
    EXPECT_EQ(entry({"История продаж"})->count(), 16);
}

TEST_F(StationWindowTest, ErrorsOfTheExportsAndOfMenuClicksEndInTheStandardErrorBox) {
    useDatabase(base() / "none.db");
    start(R"({"15": 1})");
    // The console could not read the database, nor could the plug-in read the pumps from it.
    ASSERT_THAT(errors_->messages, SizeIs(2));
    EXPECT_THAT(errors_->messages[0], HasSubstr("none.db"));
    // The console stays usable: the report menu is there.
    EXPECT_THAT(captions(reports()), Contains("Сменный отчет"));

    chooseOperator(2);
    EXPECT_THAT(errors_->messages, SizeIs(3));
    EXPECT_EQ(window_->values().operatorLevel(), 2);

    QObject* services = QCoreApplication::instance()->findChild<QObject*>(
        kHostServicesObjectName, Qt::FindDirectChildrenOnly);
    ASSERT_NE(services, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(services, "showException", Qt::DirectConnection,
                                          Q_ARG(QString, "Отчет не сформирован")));
    EXPECT_EQ(errors_->messages.back(), "Отчет не сформирован");
}

TEST_F(StationWindowTest, BadSettingsAndAMissingPlugInAreShownAndTheConsoleKeepsItsOwnMenus) {
    const auto settings = base() / "kvt-station.json";
    test::writeFile(settings, R"({"15": 1,})");
    window_ = std::make_unique<StationWindow>(
        StationSetup{base() / "libKVTReports7.so", database_, settings}, errors_);
    window_->start();
    ASSERT_THAT(errors_->messages, SizeIs(2));
    EXPECT_THAT(errors_->messages[0], HasSubstr("не являются правильным JSON"));
    EXPECT_THAT(errors_->messages[0], HasSubstr("настройками по умолчанию"));
    EXPECT_THAT(errors_->messages[1], StartsWith("Не удалось загрузить отчетный модуль"));
    EXPECT_EQ(window_->values().operatorLevel(), 0);
    // The payment types still come from the database.
    EXPECT_TRUE(window_->values().hostValue(19).isArray());
    EXPECT_THAT(captions(window_->menuRoot()),
                ElementsAre("&Файл", "&Журналы", "&Ведомости", "&Настройка", "&Справка"));

    window_->openShift();
    EXPECT_FALSE(entry({"&Файл", "Открыть смену"})->enabled());
    EXPECT_TRUE(entry({"&Файл", "Закрыть смену"})->enabled());
    entry({"&Файл", "Закрыть смену"})->action().trigger();
    EXPECT_EQ(window_->values().hostValue(0), Variant(false));
    EXPECT_TRUE(entry({"&Файл", "Открыть смену"})->enabled());
}

}  // namespace
}  // namespace kvt::station
