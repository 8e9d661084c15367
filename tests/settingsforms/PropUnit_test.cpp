#include "settings/forms/PropUnit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTimer>

#include <exception>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "host/kit/DialogScript.h"
#include "host/kit/FormActions.h"
#include "host/kit/HostServices.h"
#include "settings/IniSettings.h"
#include "settings/SettingsFixture.h"
#include "support/WidgetApplication.h"

namespace kvt::settings {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const QString kNoBreakSpace(QChar(0x00A0));
const std::string kOneCharacter = "Разделитель может состоять только из одного символа!";
const std::string kLengthOfOne = "Длина разделителя должна быть равна 1";

class RepPropFormTest : public test::SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        // The error box becomes event lines instead of a modal box.
        services_ = std::make_unique<host::HostServices>(
            [this](const std::string& line) { events_.push_back(line); });
    }
    void TearDown() override {
        services_.reset();
        SettingsTest::TearDown();
    }

    // Shows a form of the level modally and acts on it once it is shown; a form the act left
    // open is cancelled. Returns the modal result.
    int showAndAct(int level, const std::function<void(TRepPropForm&)>& act) {
        TRepPropForm form(level);
        QTimer::singleShot(0, &form, [&form, &act] {
            try {
                act(form);
            } catch (const std::exception& error) {
                ADD_FAILURE() << error.what();
            }
            if (form.isVisible())
                form.reject();
        });
        return form.exec();
    }

    void perform(TRepPropForm& form, const host::FormAction& action) {
        host::perform(form, action, [this](const std::string& line) { events_.push_back(line); });
    }

    std::string ini() const {
        return std::filesystem::exists(configFile()) ? test::readFile(configFile()) : "";
    }

    std::vector<std::string> events_;

private:
    std::unique_ptr<host::HostServices> services_;
};

TEST_F(RepPropFormTest, ShowsTheStoredOptionsOrTheirDefaults) {
    struct Shown {
        int decL, decKg, decL2, decKg2;
        bool byLitres, allowExport;
        int siloSort;
        bool rounded;
        QString decimal, decimalHint, thousand, thousandHint;
    };
    struct Case {
        std::string ini;  // empty: no cnf.INI
        Shown shown;
    };
    const std::vector<Case> cases{
        {"", {2, 2, 2, 2, false, true, 0, true, ",", "2C", kNoBreakSpace, "A0"}},
        {"[Reports]\r\nDecL=0\r\nDecKg=1\r\nDecL2=3\r\nDecKg2=9\r\nAllowExportReports=0\r\n"
         "DecimalSeparator=2E\r\nThousandSeparator=20\r\n[Misc]\r\nRepSmType=5\r\n"
         "[SmenaRep]\r\nSiloReportSortField=1\r\nRoundRVal=1\r\n",
         {0, 1, 3, 3, true, false, 1, false, ".", "2E", " ", "20"}},
        // Two characters and none give the station's own separator.
        {"[Reports]\r\nDecimalSeparator=2E2E\r\nThousandSeparator=\r\n",
         {2, 2, 2, 2, false, true, 0, true, ",", "2C", kNoBreakSpace, "A0"}},
        {"[Reports]\r\nThousandSeparator=2C\r\n",
         {2, 2, 2, 2, false, true, 0, true, ",", "2C", ",", "2C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        std::filesystem::remove(configFile());
        if (!c.ini.empty())
            test::writeFile(configFile(), c.ini);
        showAndAct(0, [&c](TRepPropForm& form) {
            const Shown& shown = c.shown;
            EXPECT_EQ(form.seDecL.value(), shown.decL);
            EXPECT_EQ(form.seDecKg.value(), shown.decKg);
            EXPECT_EQ(form.seDecL2.value(), shown.decL2);
            EXPECT_EQ(form.seDecKg2.value(), shown.decKg2);
            EXPECT_EQ(form.RadioButton2.isChecked(), shown.byLitres);
            EXPECT_EQ(form.RadioButton1.isChecked(), !shown.byLitres);
            EXPECT_EQ(form.chbAllowExport.isChecked(), shown.allowExport);
            EXPECT_EQ(form.rgSiloReportSortField.itemIndex(), shown.siloSort);
            EXPECT_EQ(form.RoundCB.isChecked(), shown.rounded);
            EXPECT_EQ(form.cbDecimalSeparator.currentText(), shown.decimal);
            EXPECT_EQ(form.cbDecimalSeparator.toolTip(), "Код символа: 0x" + shown.decimalHint);
            EXPECT_EQ(form.cbThousandSeparator.currentText(), shown.thousand);
            EXPECT_EQ(form.cbThousandSeparator.toolTip(), "Код символа: 0x" + shown.thousandHint);
        });
    }
    EXPECT_THAT(events_, IsEmpty());
}

TEST_F(RepPropFormTest, TheWarningBreaksAfterTheCommaOfTheQuotedCaption) {
    const TRepPropForm form(0);
    EXPECT_EQ(form.Label6.text(), "При установленном переключателе \"Расчетная,");
    EXPECT_EQ(form.Label7.text(),
              "по литрам\" в финансовый отчет будут выведены суммы без учета скидки!");
}

TEST_F(RepPropFormTest, OnlyLevels0And3SeeAndSaveTheSeparators) {
    const std::string stored = "[Reports]\r\nDecimalSeparator=2E2E\r\nThousandSeparator=20\r\n";
    for (const int level : {0, 1, 2, 3}) {
        SCOPED_TRACE(level);
        test::writeFile(configFile(), stored);
        const bool edits = level == 0 || level == 3;
        const int result = showAndAct(level, [&](TRepPropForm& form) {
            for (const QWidget* widget :
                 std::initializer_list<const QWidget*>{&form.Label43, &form.cbDecimalSeparator,
                                                       &form.Label44, &form.cbThousandSeparator})
                EXPECT_EQ(widget->isVisible(), edits) << widget->objectName().toStdString();
            if (edits) {
                perform(form, host::action::Select{"cbDecimalSeparator", 0});
                perform(form, host::action::Select{"cbThousandSeparator", 0});
                EXPECT_EQ(form.cbThousandSeparator.toolTip(), "Код символа: 0xA0");
            }
            perform(form, host::action::Click{"BitBtn1"});
        });
        EXPECT_EQ(result, 1);
        EXPECT_THAT(ini(), HasSubstr(edits ? "DecimalSeparator=2E\r\n" : "DecimalSeparator=2E2E"));
        EXPECT_THAT(ini(), HasSubstr(edits ? "ThousandSeparator=A0" : "ThousandSeparator=20"));
        EXPECT_THAT(ini(), HasSubstr("DecL=2"));
    }
    EXPECT_THAT(events_, IsEmpty());
}

TEST_F(RepPropFormTest, ASeparatorOfOtherThanOneCharacterIsRefusedAndOkSavesNothing) {
    // Two characters, none, and one that Windows-1251 lacks.
    for (const QString& typed : {QString(",,"), QString(), QString("\xF0\x9F\x98\x80")}) {
        SCOPED_TRACE(typed.toStdString());
        events_.clear();
        showAndAct(3, [this, &typed](TRepPropForm& form) {
            perform(form, host::action::SetText{"seDecL2", "3"});
            perform(form, host::action::SetText{"cbDecimalSeparator", typed});
            EXPECT_THAT(events_, ElementsAre(host::event::error(kOneCharacter)));
            EXPECT_EQ(form.cbDecimalSeparator.currentText(), typed);
            EXPECT_EQ(form.cbDecimalSeparator.toolTip(), "Код символа: 0x2C");
            perform(form, host::action::Click{"BitBtn1"});
            EXPECT_THAT(events_, ElementsAre(host::event::error(kOneCharacter),
                                             host::event::error(kLengthOfOne)));
            EXPECT_TRUE(form.isVisible());
        });
        EXPECT_EQ(ini(), "");
    }
}

TEST_F(RepPropFormTest, OnlyOkSavesAndItSavesEveryOption) {
    struct Case {
        const char* way;
        std::function<void(TRepPropForm&)> close;
        bool saves;
    };
    const std::vector<Case> cases{
        {"OK", [this](TRepPropForm& form) { perform(form, host::action::Click{"BitBtn1"}); }, true},
        {"Отмена", [this](TRepPropForm& form) { perform(form, host::action::Click{"BitBtn2"}); },
         false},
        {"Esc",
         [this](TRepPropForm& form) {
             perform(form, host::action::PressKey{QKeyCombination(Qt::Key_Escape)});
         },
         false},
        {"close box", [](TRepPropForm& form) { form.close(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        std::filesystem::remove(configFile());
        showAndAct(0, [this, &c](TRepPropForm& form) {
            perform(form, host::action::SetText{"seDecL2", "3"});
            perform(form, host::action::SetText{"seDecKg2", "0"});
            perform(form, host::action::Click{"RadioButton2"});
            perform(form, host::action::Check{"chbAllowExport", false});
            perform(form, host::action::SetText{"cbDecimalSeparator", "."});
            perform(form, host::action::Select{"cbThousandSeparator", 1});
            form.PageControl1.setCurrentWidget(&form.TabSheet2);
            perform(form, host::action::SetText{"seDecL", "0"});
            perform(form, host::action::SetText{"seDecKg", "1"});
            perform(form, host::action::Select{"rgSiloReportSortField", 1});
            perform(form, host::action::Check{"RoundCB", false});
            c.close(form);
            EXPECT_FALSE(form.isVisible());
        });
        if (!c.saves) {
            EXPECT_EQ(ini(), "");
            continue;
        }
        EXPECT_EQ(ReadSetting(kDecL), 0);
        EXPECT_EQ(ReadSetting(kDecKg), 1);
        EXPECT_EQ(ReadSetting(kDecL2), 3);
        EXPECT_EQ(ReadSetting(kDecKg2), 0);
        EXPECT_EQ(ReadSetting(kRepSmType), 1);
        EXPECT_FALSE(ReadSetting(kAllowExportReports));
        EXPECT_EQ(ReadSetting(kSiloReportSortField), 1);
        // The rounding box unticked is stored inverted, as 1.
        EXPECT_THAT(ini(), HasSubstr("RoundRVal=1\r\n"));
        EXPECT_EQ(ReadSeparator(kDecimalSeparatorKey), '.');
        EXPECT_EQ(ReadSeparator(kThousandSeparatorKey), ' ');
    }
    EXPECT_THAT(events_, IsEmpty());
}

TEST_F(RepPropFormTest, TheSettingsEntryShowsTheFormModallyUnderAScript) {
    host::DialogScript script(host::DialogScript::parse(R"([{"form": "TRepPropForm", "do": [
        {"set": {"seDecKg2": "0"}}, {"close": "ok"}]}])"),
                              [this](const std::string& line) { events_.push_back(line); });
    ShowRepPropForm(1);
    script.finish();
    EXPECT_THAT(events_, ElementsAre(host::event::shown("TRepPropForm", "Свойства отчетов")));
    EXPECT_EQ(ReadSetting(kDecKg2), 0);
    EXPECT_THAT(ini(), Not(HasSubstr("Separator")));
}

}  // namespace
}  // namespace kvt::settings
