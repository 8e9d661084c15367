#include "viewer/Export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "infra/DateTime.h"
#include "platform/CodePage.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::viewer {
namespace {

namespace fs = std::filesystem;

struct Message {
    QString caption;
    QString text;
    ViewerServices::Icon icon;
};

struct SaveDialog {
    QString objectName;
    QString folder;
    QString fileName;
    QString filter;
    QString defaultSuffix;
};

// Records what the export asks of the desktop. Programs are really run, to the end, so that a
// stand-in office program can record what it was given.
class RecordingServices : public ViewerServices {
public:
    std::vector<Message> messages;
    std::vector<SaveDialog> dialogs;
    QString dialogAnswer;  // empty: the operator cancels
    std::optional<std::pair<QString, QString>> clipboard;
    int programsStarted = 0;
    bool refuseStart = false;

    void messageBox(const QString& caption, const QString& text, Icon icon) override {
        messages.push_back({caption, text, icon});
    }
    QString saveFileName(const QString& objectName, const QString& folder, const QString& fileName,
                         const QString& filter, const QString& defaultSuffix) override {
        dialogs.push_back({objectName, folder, fileName, filter, defaultSuffix});
        return dialogAnswer;
    }
    bool printDialog(QPrinter&) override { return false; }
    void setClipboard(const QString& html, const QString& plainText) override {
        clipboard.emplace(html, plainText);
    }
    void startProgram(const QString& program, const QStringList& arguments) override {
        if (refuseStart)
            throw std::runtime_error("Permission denied");
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForStarted(-1))
            throw std::runtime_error(process.errorString().toStdString());
        process.waitForFinished(-1);
        ++programsStarted;
    }
    bool programInstalled(const QString& program) override {
        return program.contains(QLatin1Char('/'))
                   ? QFileInfo(program).isExecutable()
                   : !QStandardPaths::findExecutable(program).isEmpty();
    }
    double now() override { return EncodeDate(2026, 12, 7) + EncodeTime(14, 5, 31, 0); }
};

const QString kRendered = QStringLiteral(
    "<html><body><p>СМЕННЫЙ ОТЧЕТ</p>"
    "<table><tr><td>АИ-95</td><td>12,50</td></tr></table></body></html>");

class ExportTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        fs::create_directories(driveC() / "WINDOWS");
        office_ = base() / "bin" / "soffice";
        fs::create_directories(office_.parent_path());
        // Records its arguments one per line and keeps a copy of the document it was handed.
        test::writeFile(office_,
                        "#!/bin/sh\n"
                        "printf '%s\\n' \"$@\" > \"$0.args\"\n"
                        "for last; do :; done\n"
                        "cp \"$last\" \"$0.html\"\n");
        fs::permissions(office_, fs::perms::owner_all);
        setenv("KVT_SOFFICE", office_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KVT_SOFFICE");
        FreshRoot::TearDown();
    }

    void exportTo(int target, const QString& html = {}) {
        ExportContext context{target, html, [] { return kRendered; },
                              [this] {
                                  ++pdfsMade_;
                                  return kPdf;
                              },
                              services_};
        ExportReport(context);
    }

    void setExportFolder(const std::string& utf8Value) {
        test::writeFile(
            driveC() / "WINDOWS" / "cnf.INI",
            platform::utf8ToCp1251("[TovarExports]\r\nКаталог экспорта=" + utf8Value + "\r\n"));
    }

    std::vector<std::string> officeArguments() const {
        return test::splitLines(test::readFile(office_.string() + ".args"));
    }

    static std::vector<fs::path> exportDocuments() {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(platform::privateTempDir()))
            if (entry.path().filename().string().starts_with("kvt-export-"))
                found.push_back(entry.path());
        return found;
    }

    // Files in the target's folder whose names begin with the target's name: the target itself
    // and any temporary file left beside it.
    static int namesakes(const fs::path& target) {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(target.parent_path()))
            count += entry.path().filename().string().starts_with(target.filename().string());
        return count;
    }

    static void expectOnlyMessage(const RecordingServices& services, const QString& caption,
                                  const QString& text, ViewerServices::Icon icon) {
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].caption, caption);
        EXPECT_EQ(services.messages[0].text, text);
        EXPECT_EQ(services.messages[0].icon, icon);
    }

    static inline const QByteArray kPdf = "%PDF-1.4 отчет";
    fs::path office_;
    RecordingServices services_;
    int pdfsMade_ = 0;
};

TEST_F(ExportTest, OfficeTargetsOpenTheRenderedReportAsNewDocuments) {
    const char* filters[] = {"HTML (StarWriter)", "HTML (StarCalc)", "HTML (StarWriter)",
                             "HTML (StarCalc)"};
    for (int target = 0; target < 4; ++target) {
        SCOPED_TRACE(target);
        exportTo(target);
        const std::vector<std::string> arguments = officeArguments();
        ASSERT_EQ(arguments.size(), 3u);
        EXPECT_EQ(arguments[0], std::string("--infilter=") + filters[target]);
        EXPECT_EQ(arguments[1], "-n");
        EXPECT_EQ(fs::path(arguments[2]).parent_path(), platform::privateTempDir());
        // Left for the office program, which reads it after the export has returned.
        EXPECT_TRUE(fs::exists(arguments[2]));
        EXPECT_EQ(test::readFile(office_.string() + ".html"), kRendered.toStdString());
        ASSERT_TRUE(services_.clipboard.has_value()) << "the page is copied for the program";
        EXPECT_EQ(services_.clipboard->first, kRendered);
        services_.clipboard.reset();
    }
    EXPECT_EQ(services_.programsStarted, 4);
    EXPECT_EQ(exportDocuments().size(), 4u);
    EXPECT_TRUE(services_.messages.empty());
}

TEST_F(ExportTest, MissingOfficeProgramIsReportedAsNotInstalled) {
    const QString missing = QString::fromStdString((base() / "nowhere" / "soffice").string());
    setenv("KVT_SOFFICE", missing.toLocal8Bit().constData(), 1);
    const QString reason =
        QString::fromStdString(platform::systemErrorText(ENOENT)) + " (" + missing + ")";
    const QString expected[] = {
        "Microsoft Word не установлен на вашем компьютере:\r\n" + reason,
        "Microsoft Excel не установлен на вашем компьютере:\r\n" + reason,
        "OpenOffice не установлен на вашем компьютере\r\n" + reason,
        "OpenOffice не установлен на вашем компьютере\r\n" + reason,
    };
    for (int target = 0; target < 4; ++target) {
        SCOPED_TRACE(target);
        services_.messages.clear();
        exportTo(target);
        expectOnlyMessage(services_, "Информация", expected[target],
                          ViewerServices::Icon::Information);
    }
    EXPECT_EQ(services_.programsStarted, 0);
    EXPECT_TRUE(exportDocuments().empty());
}

TEST_F(ExportTest, OfficeProgramThatCannotStart) {
    services_.refuseStart = true;

    exportTo(0);
    expectOnlyMessage(services_, "Ошибка",
                      "Ошибка экспорта в Microsoft Word: \r\nPermission denied",
                      ViewerServices::Icon::Error);

    services_.messages.clear();
    exportTo(3);
    expectOnlyMessage(services_, "Ошибка",
                      "В ходе выполнения данной операции произошла ошибка:"
                      "Экспорт в OpenOffice Calc -> "
                      "Возникли проблемы при подключении к OpenOffice! <# EExportError #>",
                      ViewerServices::Icon::Error);
    // Nobody will read the documents made for them.
    EXPECT_TRUE(exportDocuments().empty());
}

TEST_F(ExportTest, ClipboardGetsTheRenderedReportSilently) {
    exportTo(4);
    ASSERT_TRUE(services_.clipboard.has_value());
    EXPECT_EQ(services_.clipboard->first, kRendered);
    const QString plain = services_.clipboard->second;
    EXPECT_TRUE(plain.contains("СМЕННЫЙ ОТЧЕТ")) << plain.toStdString();
    EXPECT_TRUE(plain.contains("АИ-95")) << plain.toStdString();
    EXPECT_FALSE(plain.contains('<')) << plain.toStdString();
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_EQ(services_.programsStarted, 0);
}

TEST_F(ExportTest, HtmlFileIsOfferedInTheExportFolderAndSavedInCp1251) {
    // Quoted, so that the blanks survive the INI reader and reach the export.
    setExportFolder("\"  C:\\VEDA\\Отчеты\\  \"");
    const fs::path target = base() / "saved.html";
    services_.dialogAnswer = QString::fromStdString(target.string());

    exportTo(5, "<html>\r\n<p>Итого</p>\n<p>АИ-95</p>\r\n</html>");

    ASSERT_EQ(services_.dialogs.size(), 1u);
    const SaveDialog& dialog = services_.dialogs[0];
    EXPECT_EQ(dialog.objectName, "SaveHTMLDialog");
    // A station that never exported gets its export folder made.
    EXPECT_EQ(fs::path(dialog.folder.toStdString()), driveC() / "VEDA" / "Отчеты");
    EXPECT_TRUE(fs::is_directory(driveC() / "VEDA" / "Отчеты"));
    EXPECT_EQ(dialog.fileName, "ОТЧЕТ 071226 1405");
    EXPECT_EQ(dialog.filter, "HTML-файлы (*.html);;HTM-файлы (*.htm);;Все файлы (*.*)");
    EXPECT_EQ(dialog.defaultSuffix, "html");

    EXPECT_EQ(test::readFile(target),
              platform::utf8ToCp1251("<html>\r\n<p>Итого</p>\r\n<p>АИ-95</p>\r\n</html>\r\n"));
    expectOnlyMessage(services_, "Информация",
                      "Отчет сохранен в файл \"" + services_.dialogAnswer + "\"",
                      ViewerServices::Icon::Information);
}

TEST_F(ExportTest, PdfFileIsSavedLikeTheHtmlFileOnceItsPlaceIsChosen) {
    exportTo(6);
    EXPECT_EQ(pdfsMade_, 0);
    const SaveDialog& dialog = services_.dialogs.at(0);
    EXPECT_EQ(dialog.objectName, "SavePDFDialog");
    EXPECT_EQ(fs::path(dialog.folder.toStdString()), driveC() / "VEDA" / "EXPORT");
    EXPECT_EQ(dialog.fileName, "ОТЧЕТ 071226 1405");
    EXPECT_EQ(dialog.filter, "PDF-файлы (*.pdf);;Все файлы (*.*)");
    EXPECT_EQ(dialog.defaultSuffix, "pdf");

    const fs::path target = base() / "saved.pdf";
    services_.dialogAnswer = QString::fromStdString(target.string());
    exportTo(6);
    EXPECT_EQ(test::readFile(target), kPdf.toStdString());
    expectOnlyMessage(services_, "Информация",
                      "Отчет сохранен в файл \"" + services_.dialogAnswer + "\"",
                      ViewerServices::Icon::Information);
}

TEST_F(ExportTest, CancelledHtmlDialogDoesNothing) {
    exportTo(5, "<html></html>");
    EXPECT_EQ(services_.dialogs.size(), 1u);
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_TRUE(fs::is_empty(driveC() / "VEDA" / "EXPORT"));
}

TEST_F(ExportTest, HtmlFileThatCannotBeMadeIsReported) {
    // A file where the folder should be fails for every user, root included.
    test::writeFile(base() / "blocker", "");
    const fs::path misplaced = base() / "blocker" / "report.html";
    services_.dialogAnswer = QString::fromStdString(misplaced.string());
    exportTo(5, "<html></html>");
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].caption, "Ошибка");
    EXPECT_TRUE(services_.messages[0].text.startsWith(
        "В ходе выполнения данной операции произошла ошибка:"));
    EXPECT_TRUE(services_.messages[0].text.contains(services_.dialogAnswer));
}

TEST_F(ExportTest, ReadOnlyHtmlFileKeepsItsText) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write a read-only file";
    const fs::path readOnly = base() / "report.html";
    test::writeFile(readOnly, "earlier");
    fs::permissions(readOnly, fs::perms::owner_read);
    services_.dialogAnswer = QString::fromStdString(readOnly.string());
    exportTo(5, "<html></html>");
    expectOnlyMessage(services_, "Ошибка",
                      "В ходе выполнения данной операции произошла ошибка:" +
                          QString::fromStdString(platform::systemErrorText(EACCES)) + " (" +
                          services_.dialogAnswer + ")",
                      ViewerServices::Icon::Error);
    EXPECT_EQ(test::readFile(readOnly), "earlier");
    EXPECT_EQ(namesakes(readOnly), 1);
}

}  // namespace
}  // namespace kvt::viewer
