// The per-report settings form driven as the operator drives it: by component names, the right
// mouse button, Ctrl+C / Ctrl+X where the focus is, and the real file dialog.
#include "settings/forms/PropForm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/kit/DialogScript.h"
#include "infra/SafeIniFiles.h"
#include "infra/tools.h"
#include "platform/PathMap.h"
#include "platform/Registry.h"
#include "settings/ReportsKeys.h"
#include "settings/SettingsCatalogue.h"
#include "support/DemoTemplates.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::settings {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::int32_t> kCodes{0, 1, 4, 6, 7, 8, 9, 10, 12, 104, 109};

PropFrmContext context(bool right = true, int level = 3) {
    PropFrmContext made{.payTypes = {}, .reportSettingsRight = right, .userLevel = level};
    for (const std::int32_t code : kCodes)
        made.payTypes.push_back({.code = code, .caption = "Вид " + std::to_string(code)});
    return made;
}

std::string section() {
    return std::string(kSmenaRepSection);
}

class PropFormTest : public test::FreshRoot {
protected:
    // Runs the form of `kind` under the script; the events of the forms.
    std::vector<std::string> run(int kind, const std::string& script,
                                 PropFrmContext given = context()) {
        std::vector<std::string> events;
        host::DialogScript driver(host::DialogScript::parse(script),
                                  [&](const std::string& line) { events.push_back(line); });
        ShowPropFrm(kind, std::move(given));
        driver.finish();
        return events;
    }

    // Shift report rows (key "Rep"g"_"r -> stored position) with their default templates laid.
    void seedRows(const std::map<std::string, std::string>& rows) const {
        fs::create_directories(driveC() / "WINDOWS");
        TSafeIniFile file(ConfigFileName());
        for (const auto& [key, value] : rows)
            file.WriteString(section(), key, value);
        for (const ShiftReportGroup& group : kShiftReportGroups) {
            if (!group.defaultRepPath.empty())
                test::writeTemplate(
                    std::string(kOldTemplateFolder) + std::string(group.defaultRepPath), "x");
            if (!group.defaultWebRepPath.empty())
                test::writeTemplate(
                    std::string(kNewTemplateFolder) + std::string(group.defaultWebRepPath), "x");
        }
    }

    // Five rows at positions 1 to 5: group 0 twice (positions 1 and 3), groups 1 to 3 once.
    // Their boxes are CB0_0_1 (1), CB0_1_2 (3), CB1_0_3 (2), CB2_0_4 (4), CB3_0_5 (5).
    void seedFiveRows() const {
        seedRows(
            {{"Rep0_0", "1"}, {"Rep0_1", "3"}, {"Rep1_0", "2"}, {"Rep2_0", "4"}, {"Rep3_0", "5"}});
    }

    static std::map<std::string, std::string> storedRows() {
        TSafeIniFile file(ConfigFileName());
        std::vector<std::string> keys;
        file.ReadSection(section(), keys);
        std::map<std::string, std::string> rows;
        for (const std::string& key : keys)
            if (key.starts_with("Rep") && key.find("Path") == std::string::npos)
                rows[key] = file.ReadString(section(), key, "");
        return rows;
    }

    static std::string stored(const std::string& key) {
        return TSafeIniFile(ConfigFileName()).ReadString(section(), key, "<none>");
    }

    static std::unique_ptr<platform::Registry> familyKey(std::string_view name) {
        auto registry = std::make_unique<platform::Registry>(platform::RootKey::LocalMachine);
        EXPECT_TRUE(registry->openKey(ReportsKeyPath(name), true));
        return registry;
    }
};

// --- Payment-type kinds ---------------------------------------------------------------------

struct OfferedCase {
    int kind;
    std::string_view key;
    std::vector<std::int32_t> offered;  // codes with a box, the first one seeded
};

TEST_F(PropFormTest, EachKindOffersItsPaymentTypesAndSeedsItsKeyOnFirstUse) {
    const std::vector<OfferedCase> cases{
        {4, kCardRepKey, {1, 6, 7, 10, 12}},
        {6, kVedomRepKey, {4, 104}},
        {7, kDogovorRepKey, {8}},
        {8, kTalonRepKey, {9, 109}},
    };
    for (const OfferedCase& c : cases) {
        SCOPED_TRACE(c.kind);
        // Saving writes every shown box: the seed ticked, the other offered ones not, and
        // nothing for the types without a box.
        EXPECT_EQ(run(c.kind, R"([{"form": "TPropFrm", "do": [{"close": "ok"}]}])").size(), 1u);
        const auto key = familyKey(c.key);
        for (const std::int32_t code : kCodes) {
            const std::string name = "PayType" + std::to_string(code);
            const bool offered =
                std::find(c.offered.begin(), c.offered.end(), code) != c.offered.end();
            ASSERT_EQ(key->valueExists(name), offered) << name;
            if (offered) {
                EXPECT_EQ(key->readInteger(name), code == c.offered.front() ? 1 : 0) << name;
            }
        }
    }
}

TEST_F(PropFormTest, ReturnsOptionsAreReadMaskedAndSavedAsBits) {
    {
        const auto key = familyKey(kBackRepKey);
        key->writeInteger("RepProp", 8 + 4);
        key->writeInteger("NullStr", 1);
        key->writeInteger("PayType4", 1);
    }
    const auto events = run(1, R"([{"form": "TPropFrm", "do": [
        {"check": {"GroupTRKCheckBox": false, "OneTableCheckBox": true, "NullCheckBox": false,
                   "CB0": true, "CB2": false}},
        {"click": "BitBtn1"}]}])");
    EXPECT_THAT(events, ElementsAre("Shown TPropFrm \"Свойства отчета\""));
    const auto key = familyKey(kBackRepKey);
    EXPECT_EQ(key->readInteger("RepProp"), 2);
    EXPECT_EQ(key->readInteger("NullStr"), 0);
    EXPECT_EQ(key->readInteger("PayType0"), 1);
    EXPECT_EQ(key->readInteger("PayType4"), 0);
    EXPECT_EQ(key->readInteger("PayType109"), 0);
}

TEST_F(PropFormTest, BonusTotalsDefaultToTickedAndCancelSavesNothing) {
    const auto events = run(3, R"([{"form": "TPropFrm", "do": [
        {"check": {"chbShowGSMItog": true, "chbShowSubVidoplItog": true}},
        {"check": {"chbShowGSMItog": false}}, {"close": "cancel"}]}])");
    EXPECT_EQ(events.size(), 1u) << ::testing::PrintToString(events);
    const auto key = familyKey(kBonusRepKey);
    EXPECT_EQ(key->readInteger("PayType0"), 1);  // the seed of a new key
    EXPECT_FALSE(key->valueExists("ShowGSMItog"));
}

TEST_F(PropFormTest, AValueOfAnotherTypeLeavesTheKindUnloadedButTheFormOpens) {
    familyKey(kBackRepKey)->writeString("RepProp", "шесть");
    const auto events = run(1, R"([{"form": "TPropFrm", "do": [{"check": {"CB0": true}}]}])");
    ASSERT_GE(events.size(), 2u) << ::testing::PrintToString(events);
    EXPECT_EQ(events[0], "Shown TPropFrm \"Свойства отчета\"");
    EXPECT_THAT(events[1], HasSubstr("нет компонента \\\"CB0\\\""));
}

// --- The shift report's composition ---------------------------------------------------------

TEST_F(PropFormTest, WithoutTheConfigurationFileOnlyTheFixedControlsShowAndNothingIsSaved) {
    const auto events = run(2, R"([{"form": "TPropFrm", "do": [{"check": {"RoundCB": false}}]}])");
    ASSERT_GE(events.size(), 2u);
    EXPECT_THAT(events[1], HasSubstr("компонент \\\"RoundCB\\\" скрыт"));
    run(2, R"([{"form": "TPropFrm", "do": [{"close": "ok"}]}])");
    EXPECT_FALSE(fs::exists(platform::PathMap::resolve(ConfigFileName())));
}

TEST_F(PropFormTest, ARightButtonDragMovesARowByWholeStepsWithinTheRows) {
    seedFiveRows();
    // 60 pixels down: two steps, from position 2 to 4; 24 pixels: none; far up from position
    // 1: the limit above the rows, where no row stands.
    run(2, R"([{"form": "TPropFrm", "do": [
        {"drag": {"CB1_0_3": {"button": "right", "dy": 60}}},
        {"drag": {"CB0_0_1": {"button": "right", "dy": 24}}},
        {"drag": {"CB0_0_1": {"button": "right", "dy": -200}}},
        {"drag": {"CB2_0_4": {"button": "left", "dy": 60}}},
        {"close": "ok"}]}])");
    EXPECT_EQ(
        storedRows(),
        (std::map<std::string, std::string>{
            {"Rep0_0", "1"}, {"Rep0_1", "3"}, {"Rep1_0", "4"}, {"Rep2_0", "2"}, {"Rep3_0", "5"}}));
}

TEST_F(PropFormTest, CtrlXRenumbersTheRowsBelowAndCtrlCAppendsARowAtTheBottom) {
    seedFiveRows();
    {
        TSafeIniFile file(ConfigFileName());
        file.WriteString(section(), "RepPath0_1", "Своя форма.frm");
        file.WriteString(section(), "SiloReportSortField", "1");
        file.WriteString(section(), "ЧужойКлюч", "значение");
        file.WriteString(section(), "Rep9_7", "-12");  // a stale row beyond its group's rows
    }
    test::writeTemplate(std::string(kOldTemplateFolder) + "Своя форма.frm", "x");
    const auto events = run(2, R"([{"form": "TPropFrm", "do": [
        {"focus": "CB1_0_3"}, {"key": "Ctrl+X"},
        {"focus": "CB0_1_2"}, {"key": "Ctrl+X"},
        {"focus": "Edit2_0_4"}, {"key": "Ctrl+C"},
        {"focus": "CB3_0_5"}, {"key": "Ctrl+C"},
        {"check": {"CB3_1_6": false}},
        {"close": "ok"}]}])");
    EXPECT_EQ(events.size(), 1u) << ::testing::PrintToString(events);
    EXPECT_EQ(
        storedRows(),
        (std::map<std::string, std::string>{
            {"Rep0_0", "1"}, {"Rep1_0", "2"}, {"Rep2_0", "3"}, {"Rep3_0", "4"}, {"Rep3_1", "-5"}}));
    EXPECT_EQ(stored("RepPath0_1"), "<none>");
    EXPECT_EQ(stored("RepPath3_1"), "Smena2.FRM");
    EXPECT_EQ(stored("SiloReportSortField"), "1");
    EXPECT_EQ(stored("ЧужойКлюч"), "значение");
}

TEST_F(PropFormTest, WithoutTheRightTemplatesAndRowsAreLockedButRowsStillMove) {
    seedFiveRows();
    const auto events = run(2, R"([{"form": "TPropFrm", "do": [
        {"focus": "CB0_0_1"}, {"key": "Ctrl+C"},
        {"focus": "CB0_1_2"}, {"key": "Ctrl+X"},
        {"drag": {"CB0_0_1": {"button": "right", "dy": 25}}},
        {"check": {"CB3_0_5": false}},
        {"close": "ok"}]}])",
                            context(false, 1));
    EXPECT_EQ(
        storedRows(),
        (std::map<std::string, std::string>{
            {"Rep0_0", "2"}, {"Rep0_1", "3"}, {"Rep1_0", "1"}, {"Rep2_0", "4"}, {"Rep3_0", "-5"}}));
    EXPECT_EQ(events.front(), "Shown TPropFrm \"Свойства отчета\"");
    const auto locked =
        run(2, R"([{"form": "TPropFrm", "do": [{"focus": "lbHelp"}]}])", context(false, 1));
    EXPECT_THAT(locked[1], HasSubstr("компонент \\\"lbHelp\\\" скрыт"));
    const auto edit =
        run(2, R"([{"form": "TPropFrm", "do": [{"set": {"Edit0_0_1": "x"}}]}])", context(false, 1));
    EXPECT_THAT(edit[1], HasSubstr("компонент \\\"Edit0_0_1\\\" недоступен"));
}

TEST_F(PropFormTest, StoredPositionsOutOfOrderAreLaidOutAsTheirRanks) {
    seedRows({{"Rep0_0", "-2147483648"}, {"Rep1_0", "7"}, {"Rep2_0", "0"}, {"Rep3_0", "7"}});
    run(2, R"([{"form": "TPropFrm", "do": [
        {"drag": {"CB2_0_3": {"button": "right", "dy": 25}}}, {"close": "ok"}]}])");
    EXPECT_EQ(storedRows(),
              (std::map<std::string, std::string>{
                  {"Rep0_0", "-4"}, {"Rep1_0", "1"}, {"Rep2_0", "-2"}, {"Rep3_0", "3"}}));
}

// --- Templates ------------------------------------------------------------------------------

class TemplateChoiceTest : public PropFormTest {
protected:
    void SetUp() override {
        PropFormTest::SetUp();
        seedRows({{"Rep2_0", "1"}});
        TSafeIniFile(ConfigFileName()).WriteBool(section(), "WebRep", true);
        // The server's disk as a manager's workplace sees it.
        fs::create_directory_symlink(driveC(), platform::PathMap::root() / "drive_s");
        test::writeTemplate("C:\\VEDA\\FORMS\\WEBREP\\Моя форма.html", "x");
        test::writeTemplate("C:\\VEDA\\Другие\\Форма.html", "x");
    }

    // Chooses `file` (a local path) in the dialog of the first row; the events and the row's
    // stored new-format template.
    std::pair<std::vector<std::string>, std::string> choose(const fs::path& file, int level) {
        const auto events = run(2,
                                R"([{"form": "TPropFrm", "do": [
            {"click": "Btn2_0_1"}, {"close": "ok"}]},
            {"form": "QFileDialog", "do": [{"set": {"fileNameEdit": ")" +
                                    file.string() + R"("}}, {"key": "Return"}]}])",
                                context(true, level));
        return {events, stored("WebRepPath2_0")};
    }
};

TEST_F(TemplateChoiceTest, AFileInTheFormatsFolderIsKeptByNameElseByPathAndNetworkIsRefused) {
    const fs::path root = platform::PathMap::root();
    EXPECT_EQ(choose(root / "drive_c/VEDA/FORMS/WEBREP/Моя форма.html", 3).second,
              "Моя форма.html");
    EXPECT_EQ(choose(root / "drive_s/VEDA/FORMS/WEBREP/Моя форма.html", 1).second,
              "Моя форма.html");
    EXPECT_EQ(choose(root / "drive_s/VEDA/Другие/Форма.html", 1).second,
              "C:\\VEDA\\Другие\\Форма.html");

    const fs::path outside = base() / "share" / "Форма.html";
    fs::create_directories(outside.parent_path());
    test::writeFile(outside, "x");
    const auto [events, kept] = choose(outside, 3);
    EXPECT_THAT(events, ::testing::Contains(
                            HasSubstr("Нельзя указывать для шаблона отчета сетевой каталог!")));
    EXPECT_EQ(kept, "C:\\VEDA\\Другие\\Форма.html");
}

TEST_F(PropFormTest, ThreeMissingTemplatesGiveTwoMessagesAndAreNotStored) {
    seedFiveRows();
    const auto events = run(2, R"([{"form": "TPropFrm", "do": [
        {"set": {"Edit0_0_1": "Нет1.frm", "Edit0_1_2": "Нет2.frm", "Edit1_0_3": "Нет3.frm"}},
        {"close": "ok"}]}])");
    ASSERT_EQ(events.size(), 3u) << ::testing::PrintToString(events);
    EXPECT_EQ(events[1],
              "MessageBox \"Ошибка\" \"Форма \\\"C:\\\\VEDA\\\\FORMS\\\\REPORT\\\\Нет1.frm\\\" "
              "не найдена!\"");
    EXPECT_THAT(events[2], HasSubstr("Нет2.frm\\\" не найдена!\\nВозможно не обновлена "
                                     "библиотека KVTReportCreator.dll на сервере.\\n"
                                     "Дальнейшая проверка наличия форм на сервере прекращена."));
    EXPECT_EQ(stored("RepPath0_0"), "<none>");
    EXPECT_EQ(stored("RepPath1_0"), "<none>");
    EXPECT_EQ(stored("WebRepPath1_0"), "Подвал сменного отчета.html");
    EXPECT_EQ(stored("Rep1_0"), "2");
}

}  // namespace
}  // namespace kvt::settings
