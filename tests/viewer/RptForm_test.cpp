#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolButton>

#include <sys/stat.h>

#include <filesystem>

#include "FormFixture.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/TempDir.h"
#include "settings/IniSettings.h"
#include "settings/PrintOptions.h"
#include "support/WidgetApplication.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "viewer/HtmlView.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"

namespace kvt::test {
namespace {

namespace fs = std::filesystem;

const QString kHtml = "<html><body><p>Сменный отчет</p></body></html>";

QString reportOfLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QString("Строка %1 | %2").arg(i).arg(i * 10);
    return lines.join("\r\n") + "\r\n";
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

std::vector<std::vector<std::string>> gHostPrints;

void hostPrintProcedure(const std::vector<std::string>& lines) {
    gHostPrints.push_back(lines);
}

class RptFormTest : public ViewerFormTest {
protected:
    void SetUp() override {
        ViewerFormTest::SetUp();
        gHostPrints.clear();
    }
    void printThroughHost() {
        host().values.set(9, Variant(true));
        host().values.set(10, Variant(true));
        host().values.set(17, hostReference(&hostPrintProcedure));
    }
};

TEST_F(RptFormTest, AnEmptyHtmlOffersTheOldFormatOnlyAndKeepsItForTheNextReport) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("Итого | 10\r\n", "");

    EXPECT_FALSE(form->htmlMode());
    EXPECT_EQ(form->RptMemo->toPlainText(), "Итого | 10");
    EXPECT_TRUE(form->RptMemo->isVisible());
    EXPECT_TRUE(form->RptMemo->isReadOnly());
    for (QWidget* option : std::initializer_list<QWidget*>{
             form->bbtRepForm, form->sbtnAdditional, form->panWBParams, form->edScale,
             form->lbScale, form->cBcPrint, form->gbExportData, form->rgOrientation})
        EXPECT_TRUE(option->isHidden()) << option->objectName().toStdString();
    EXPECT_TRUE(form->htmlTempPath().empty());
    form->reject();

    EXPECT_FALSE(settings::ReadSetting(settings::kFormat));
}

TEST_F(RptFormTest, TheStoredNewFormatOpensInTheBrowserAndLoadsThePageOnce) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = makeForm("Итого", kHtml);
    int completions = 0;
    QObject::connect(form->wb, &viewer::HtmlView::documentComplete, [&] { ++completions; });
    show(*form);

    EXPECT_TRUE(form->htmlMode());
    EXPECT_TRUE(form->wb->isVisible());
    EXPECT_FALSE(form->Panel4->isVisible());
    EXPECT_FALSE(form->Panel3->isVisible());
    EXPECT_EQ(form->bbtRepForm->text(), "Старый формат");
    EXPECT_TRUE(form->sbtnAdditional->isVisible());
    EXPECT_FALSE(form->panWBParams->isVisible());
    EXPECT_EQ(form->wb->toPlainText().trimmed(), "Сменный отчет");

    form->bbtRepForm->click();
    EXPECT_FALSE(form->htmlMode());
    EXPECT_TRUE(form->Panel4->isVisible());
    EXPECT_EQ(form->bbtRepForm->text(), "Новый формат");
    EXPECT_TRUE(form->sbtnAdditional->isHidden());
    form->bbtRepForm->click();
    QApplication::processEvents();
    EXPECT_TRUE(form->htmlMode());
    EXPECT_FALSE(form->Panel4->isVisible());

    EXPECT_EQ(completions, 1);
    form->reject();
    EXPECT_TRUE(settings::ReadSetting(settings::kFormat));
}

TEST_F(RptFormTest, TheTemporaryPageIsPrivateNeverFollowsALinkAndGoesWithTheForm) {
    const fs::path path = platform::privateTempDir() / "blmkvthtmlreport.html";
    const fs::path victim = base() / "victim.txt";
    writeFile(victim, "чужой файл");
    fs::create_symlink(victim, path);
    settings::WriteSetting(settings::kFormat, true);

    auto form = makeForm("", "<p>Отчет №1</p>\n<p>Итого</p>", "Отчет");
    // The page is written when the form shows; the timer that deletes it starts only once the
    // page has loaded, from the event loop.
    form->show();

    EXPECT_EQ(form->htmlTempPath(), path);
    EXPECT_EQ(readFile(victim), "чужой файл");
    EXPECT_TRUE(S_ISREG(modeOf(path)));
    EXPECT_EQ(modeOf(path) & 07777, 0600u);
    EXPECT_EQ(modeOf(path.parent_path()) & 07777, 0700u);
    EXPECT_EQ(readFile(path), platform::utf8ToCp1251("<p>Отчет №1</p>\r\n<p>Итого</p>\r\n"));

    form.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
}

TEST_F(RptFormTest, TheScaleTextIsHeldToTheZoomRangeAndTheRoundedValueIsRemembered) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("", kHtml);
    form->sbtnAdditional->click();
    ASSERT_TRUE(form->panWBParams->isVisible());

    type(*form->edScale, "700");
    EXPECT_DOUBLE_EQ(form->wb->zoom(), 5.0);
    EXPECT_EQ(form->savedScale(), 500);
    type(*form->edScale, "5");
    EXPECT_DOUBLE_EQ(form->wb->zoom(), 0.2);
    EXPECT_EQ(form->savedScale(), 20);
    type(*form->edScale, "150");
    EXPECT_DOUBLE_EQ(form->wb->zoom(), 1.5);
    form->reject();

    EXPECT_EQ(settings::ReadPrintOptions("Сменный отчет").scale, 150);
}

TEST_F(RptFormTest, AnOldBrowserRecordedByTheStationIsRefusedWithTheMessage) {
    platform::Registry registry(platform::RootKey::LocalMachine);
    ASSERT_TRUE(registry.openKey(settings::kBrowserVersionKey, true));
    registry.writeString(settings::kBrowserVersionValue, "5");
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("", kHtml);
    const std::size_t onLoad = services().messages.size();
    type(*form->edScale, "200");

    EXPECT_EQ(onLoad, 0u) << "the stored scale equals the initial one: no change, no check";
    ASSERT_EQ(services().messages.size(), 1u);
    EXPECT_EQ(services().messages[0].caption, "Информация");
    EXPECT_EQ(services().messages[0].text,
              "Установленная версия Microsoft Internet Explorer 5 не допускает использования "
              "данной функции.\n\rУстановите Internet Explorer версии не ниже 5.5.");
    EXPECT_DOUBLE_EQ(form->wb->zoom(), 1.0);

    registry.writeString(settings::kBrowserVersionValue, "6");
    type(*form->edScale, "300");
    EXPECT_DOUBLE_EQ(form->wb->zoom(), 3.0);
    EXPECT_EQ(services().messages.size(), 1u);
}

TEST_F(RptFormTest, EachTitleKeepsItsOwnPrintOptions) {
    {
        auto form = showForm("", kHtml, "Сменный отчет");
        EXPECT_EQ(form->rgOrientation->itemIndex(), 0);
        EXPECT_EQ(form->ComboBox1->currentIndex(), 2);
        form->rgOrientation->setItemIndex(1);
        form->ComboBox1->setCurrentIndex(4);
        form->edScale->setValue(150);
        form->reject();
    }
    {
        auto form = showForm("", kHtml, "СМЕННЫЙ ОТПУСК ПО КОНТРАГЕНТУ");
        EXPECT_EQ(form->rgOrientation->itemIndex(), 0);
        EXPECT_EQ(form->ComboBox1->currentIndex(), 2);
        EXPECT_EQ(form->savedScale(), 100);
        form->reject();
    }
    auto form = showForm("", kHtml, "Сменный отчет");
    EXPECT_EQ(form->rgOrientation->itemIndex(), 1);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 4);
    EXPECT_EQ(form->savedScale(), 150);
}

TEST_F(RptFormTest, TheViewerSettingsOfTheStationAreReadAndWritten) {
    settings::WriteSetting(settings::kRepExportType, 3);
    settings::WriteSetting(settings::kPrintBackground, false);
    settings::WriteSetting(settings::kSFP, 9);
    {
        auto form = showForm("", kHtml);
        EXPECT_EQ(form->rgChooseExport->itemIndex(), 3);
        EXPECT_FALSE(form->cBcPrint->isChecked());
        EXPECT_FALSE(form->wb->printBackgrounds());
        EXPECT_EQ(viewer::ModulePrintSettings().PrintFontSize, 9);
        form->rgChooseExport->setItemIndex(5);
        form->cBcPrint->click();
        form->reject();
    }
    EXPECT_EQ(settings::ReadSetting(settings::kRepExportType), 5);
    EXPECT_TRUE(settings::ReadSetting(settings::kPrintBackground));

    settings::WriteSetting(settings::kRepExportType, 6);
    EXPECT_EQ(showForm("", kHtml)->rgChooseExport->itemIndex(), 6) << "PDF-файл";
    settings::WriteSetting(settings::kRepExportType, 7);
    EXPECT_EQ(showForm("", kHtml)->rgChooseExport->itemIndex(), 0) << "no such target";
}

TEST_F(RptFormTest, TheBackgroundBoxWritesTheBrowserKeyOnlyWhereItExists) {
    settings::WriteSetting(settings::kPrintBackground, false);
    platform::Registry registry(platform::RootKey::LocalMachine);
    {
        auto form = showForm("", kHtml);
        form->reject();
    }
    EXPECT_FALSE(registry.keyExists(settings::kBrowserMainKey));

    ASSERT_TRUE(registry.openKey(settings::kBrowserMainKey, true));
    auto form = showForm("", kHtml);
    EXPECT_EQ(registry.readString(settings::kPrintBackgroundValue), "no");
    form->cBcPrint->click();
    EXPECT_EQ(registry.readString(settings::kPrintBackgroundValue), "yes");
}

TEST_F(RptFormTest, EscClosesTheOptionsPanelFirstAndTheViewerSecond) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("", kHtml);
    form->sbtnAdditional->click();
    ASSERT_TRUE(form->panWBParams->isVisible());
    EXPECT_EQ(form->panWBParams->geometry().bottom() + 1, form->Panel1->y());

    press(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->panWBParams->isVisible());
    EXPECT_FALSE(form->sbtnAdditional->isChecked());
    EXPECT_TRUE(form->isVisible());

    press(*form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(RptFormTest, CtrlEInTheMemoBeepsAndTogglesElsewhereItOnlyMakesTheMemoEditable) {
    auto form = showForm(reportOfLines(3), "");
    form->RptMemo->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->RptMemo->hasFocus());
    EXPECT_FALSE(form->ActionOnEdit->isEnabled());

    press(*form, Qt::CTRL | Qt::Key_E);
    EXPECT_FALSE(form->RptMemo->isReadOnly());
    press(*form, Qt::CTRL | Qt::Key_E);
    EXPECT_TRUE(form->RptMemo->isReadOnly());
    EXPECT_THAT(beeps(), ::testing::ElementsAre(platform::RecordingBeep::Call{400, 100},
                                                platform::RecordingBeep::Call{400, 100}));

    form->CloseButton->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->ActionOnEdit->isEnabled());
    press(*form, Qt::CTRL | Qt::Key_E);
    press(*form, Qt::CTRL | Qt::Key_E);
    EXPECT_FALSE(form->RptMemo->isReadOnly());
    EXPECT_EQ(beeps().size(), 2u);
}

TEST_F(RptFormTest, F5PrintsExactlyOnceWhereverTheFocusIs) {
    printThroughHost();
    settings::WriteSetting(settings::kFormat, false);
    auto form = showForm("Строка 1\r\nСтрока 2\r\n", kHtml);
    form->RptMemo->setFocus();
    QApplication::processEvents();
    press(*form, Qt::Key_F5);
    ASSERT_EQ(gHostPrints.size(), 1u);
    EXPECT_THAT(gHostPrints[0], ::testing::ElementsAre("Строка 1", "Строка 2"));

    form->bbtRepForm->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form->ActionOnPrint->isEnabled());
    press(*form, Qt::Key_F5);
    EXPECT_EQ(gHostPrints.size(), 2u);

    QKeyEvent held(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(form->bbtRepForm, &held);
    EXPECT_EQ(gHostPrints.size(), 2u) << "a key held down prints once";
}

TEST_F(RptFormTest, AFailingHostPrintIsToldInAPlainMessage) {
    host().values.set(9, Variant(true));
    host().values.set(10, Variant(true));
    auto form = showForm("Строка", "");
    form->PrintButton->click();
    ASSERT_EQ(services().messages.size(), 1u);
    EXPECT_EQ(services().messages[0].icon, viewer::ViewerServices::Icon::None);
    EXPECT_THAT(services().messages[0].text.toStdString(), ::testing::HasSubstr("17"));
}

class RptFormPdfTest : public RptFormTest {
protected:
    void SetUp() override {
        RptFormTest::SetUp();
        pdf_ = base() / "print.pdf";
        qputenv("KVT_PRINT_PDF", QByteArray::fromStdString(pdf_.string()));
        printerLayout_ = viewer::CurrentPrinter().pageLayout();
        // The program's printer outlives each test's root, and the file it printed to with it.
        viewer::CurrentPrinter().setOutputFileName(QString());
    }
    void TearDown() override {
        viewer::CurrentPrinter().setPageLayout(printerLayout_);
        viewer::CurrentPrinter().setOutputFileName(QString());
        qunsetenv("KVT_PRINT_PDF");
        RptFormTest::TearDown();
    }

    // The text of a PDF file as pdftotext (poppler-utils) reads it.
    static QString pdfText(const fs::path& pdf) {
        return QString::fromStdString(
            runProcess(QStandardPaths::findExecutable("pdftotext").toStdString(),
                       {pdf.string(), "-"})
                .out);
    }

    // The size of the first page, in points.
    static QSizeF firstPageSize(const std::string& pdf) {
        static const QRegularExpression mediaBox(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])");
        const QRegularExpressionMatch match = mediaBox.match(QString::fromLatin1(pdf));
        return {match.captured(1).toDouble(), match.captured(2).toDouble()};
    }

    fs::path pdf_;
    QPageLayout printerLayout_;
};

TEST_F(RptFormPdfTest, ThePdfFileHoldsTheReportAsItPrints) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (Debian's poppler-utils) is not installed: the text of the "
                        "PDF file cannot be read";
    const fs::path saved = base() / "report.pdf";
    services().nextFileName = QString::fromStdString(saved.string());
    auto form = showForm(reportOfLines(300), kHtml);
    form->rgChooseExport->setItemIndex(6);

    form->btnExportClick();
    EXPECT_EQ(form->windowTitle(), "Сменный отчет") << "saving is no printing";
    form->PrintButton->click();
    const int pages = pdfPageCount(readFile(pdf_));
    ASSERT_GT(pages, 1);
    EXPECT_EQ(pdfPageCount(readFile(saved)), pages) << "the pages as they print";
    const QString oldFormat = pdfText(saved);
    const QStringList lines = oldFormat.split('\n');
    // The amounts stand beyond the rule drawn for the column of bars.
    for (const char* text : {"Строка 1", "Строка 300", "3000"})
        EXPECT_TRUE(lines.contains(text)) << text;
    EXPECT_EQ(oldFormat.count(QChar(u'\f')), pages);

    form->bbtRepForm->click();
    QApplication::processEvents();
    form->btnExportClick();
    EXPECT_EQ(pdfPageCount(readFile(saved)), 1);
    // The page as the browser prints it, with its page number.
    EXPECT_EQ(pdfText(saved).simplified(), "Сменный отчет 1");
    EXPECT_FALSE(form->wb->textCursor().hasSelection());

    EXPECT_EQ(services().messages.size(), 2u) << "saved, twice";
}

TEST_F(RptFormPdfTest, ThePrinterChosenInPrintStaysForTheNextViewerButNotItsPages) {
    services().printDialogAnswer = [](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::A5));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        return true;
    };
    showForm(reportOfLines(300), kHtml)->PrintBtnClick();
    EXPECT_EQ(pdfPageCount(readFile(pdf_)), 1) << "the page chosen";
    fs::remove(pdf_);

    auto next = showForm(reportOfLines(300), kHtml);
    press(*next, Qt::Key_F5);
    const std::string printed = readFile(pdf_);
    const QSizeF a5 = QPageSize(QPageSize::A5).size(QPageSize::Point);
    EXPECT_NEAR(firstPageSize(printed).width(), a5.width(), 1);
    EXPECT_NEAR(firstPageSize(printed).height(), a5.height(), 1);
    EXPECT_GT(pdfPageCount(printed), 2) << "every page";
}

TEST_F(RptFormPdfTest, TheOldFormatPrintsAsManyPagesAsThePreviewShows) {
    auto form = showForm(reportOfLines(300), kHtml);
    form->bbtPreviewClick();
    ASSERT_TRUE(form->Panel3->isVisible());
    EXPECT_FALSE(form->Panel4->isVisible());
    EXPECT_FALSE(form->bbtRepForm->isEnabled());
    EXPECT_EQ(form->StaticText4->text(), "1");
    EXPECT_FALSE(form->PrevBtn->isEnabled());
    const int pages = form->StaticText2->text().toInt();
    ASSERT_GT(pages, 1);

    form->NextBtn->click();
    EXPECT_EQ(form->currentPage(), 2);
    form->LastBtn->click();
    EXPECT_EQ(form->currentPage(), pages);
    EXPECT_FALSE(form->NextBtn->isEnabled());
    const QString caption = form->windowTitle();
    EXPECT_TRUE(caption.startsWith("Сменный отчет ")) << caption.toStdString();

    form->PrintButton->click();
    EXPECT_EQ(test::pdfPageCount(test::readFile(pdf_)), pages);

    form->bbtPreviewClick();
    EXPECT_TRUE(form->Panel4->isVisible());
    EXPECT_TRUE(form->bbtRepForm->isEnabled());
}

TEST_F(RptFormPdfTest, AShortReportAndTheNewFormatPrintOnePage) {
    auto form = showForm(reportOfLines(10), kHtml);
    form->PrintButton->click();
    EXPECT_EQ(test::pdfPageCount(test::readFile(pdf_)), 1);

    fs::remove(pdf_);
    form->bbtRepForm->click();
    QApplication::processEvents();
    form->PrintButton->click();
    EXPECT_EQ(test::pdfPageCount(test::readFile(pdf_)), 1);
}

TEST_F(RptFormTest, ExportIsOfferedOnlyWhenTheStationAllowsIt) {
    settings::WriteSetting(settings::kAllowExportReports, false);
    auto refused = showForm("", kHtml);
    EXPECT_FALSE(refused->btnExport->isEnabled());
    refused->reject();

    settings::WriteSetting(settings::kAllowExportReports, true);
    auto allowed = showForm("", kHtml);
    EXPECT_TRUE(allowed->btnExport->isEnabled());
}

TEST_F(RptFormTest, TheClipboardExportLeavesThePageUnselected) {
    settings::WriteSetting(settings::kFormat, true);
    auto form = showForm("", kHtml);
    form->rgChooseExport->setItemIndex(4);
    form->btnExport->click();
    EXPECT_THAT(services().clipboardHtml.toStdString(), ::testing::HasSubstr("Сменный отчет"));
    EXPECT_FALSE(form->wb->textCursor().hasSelection());
    EXPECT_TRUE(services().messages.empty());
}

TEST_F(RptFormTest, TheWindowComesBackWhereItWasLeft) {
    {
        auto form = showForm("", "");
        form->resize(900, 640);
        form->reject();
    }
    auto form = showForm("", "");
    EXPECT_EQ(form->size(), QSize(900, 640));
}

}  // namespace
}  // namespace kvt::test
