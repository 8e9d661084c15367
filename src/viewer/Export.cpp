#include "viewer/Export.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextDocument>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "infra/DateTime.h"
#include "infra/tools.h"
#include "kvtreports/Exception.h"
#include "platform/CodePage.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "settings/IniSettings.h"

namespace kvt::viewer {

namespace {

enum Target { kWord, kExcel, kWriter, kCalc, kClipboard, kHtmlFile, kPdfFile };

// An export that could not be carried out; the message says why.
class EExportError : public ExceptionOf<EExportError> {
public:
    using ExceptionOf::ExceptionOf;
};

// Functions rather than namespace constants: a QString constant is built at load time, in no
// fixed order with the other objects built then.
QString crLf() {
    return QStringLiteral("\r\n");
}
QString informationCaption() {
    return QStringLiteral("Информация");
}
QString errorCaption() {
    return QStringLiteral("Ошибка");
}

bool isOpenOffice(int target) {
    return target == kWriter || target == kCalc;
}

// The office suite's program: KVT_SOFFICE names it where it is not "soffice" on PATH.
QString officeProgram() {
    const char* configured = std::getenv("KVT_SOFFICE");
    return configured && *configured ? QString::fromLocal8Bit(configured)
                                     : QStringLiteral("soffice");
}

// Without a forced import filter the suite opens an HTML file in its web page editor; these
// filters make it an ordinary text document or spreadsheet.
QString importFilter(int target) {
    return target == kWord || target == kWriter ? QStringLiteral("HTML (StarWriter)")
                                                : QStringLiteral("HTML (StarCalc)");
}

QString notInstalledMessage(int target, const QString& item, const QString& program) {
    const QString reason =
        QString::fromStdString(platform::systemErrorText(ENOENT)) + " (" + program + ")";
    if (isOpenOffice(target))
        return QStringLiteral("OpenOffice не установлен на вашем компьютере") + crLf() + reason;
    return item + QStringLiteral(" не установлен на вашем компьютере:") + crLf() + reason;
}

// Hands the report to the office suite as a new, untitled document ("-n"), so that saving it
// asks for a place instead of overwriting the file it was made from. The file stays behind in
// the private temporary folder for the suite to read after we return; it is removed only when
// the suite could not be started.
void openInOffice(ViewerServices& services, const QString& program, int target,
                  const QString& html) {
    const auto folder = QString::fromStdString(platform::privateTempDir().string());
    QTemporaryFile document(folder + QStringLiteral("/kvt-export-XXXXXX.html"));
    const QByteArray bytes = html.toUtf8();
    if (!document.open() || document.write(bytes) != bytes.size() || !document.flush())
        throw EExportError(document.errorString().toStdString());
    document.close();
    try {
        services.startProgram(program, {QStringLiteral("--infilter=") + importFilter(target),
                                        QStringLiteral("-n"), document.fileName()});
    } catch (const std::exception&) {
        if (isOpenOffice(target))
            throw EExportError("Возникли проблемы при подключении к OpenOffice!");
        throw;
    }
    document.setAutoRemove(false);
}

void exportToOffice(ExportContext& context, const QString& item, const QString& html) {
    const QString program = officeProgram();
    if (!context.services.programInstalled(program)) {
        context.services.messageBox(informationCaption(),
                                    notInstalledMessage(context.target, item, program),
                                    ViewerServices::Icon::Information);
        return;
    }
    try {
        openInOffice(context.services, program, context.target, html);
    } catch (const std::exception& error) {
        if (isOpenOffice(context.target))
            std::rethrow_exception(
                ContextException(error, ("Экспорт в " + item).toStdString(), true));
        context.services.messageBox(errorCaption(),
                                    QStringLiteral("Ошибка экспорта в ") + item + ": " + crLf() +
                                        QString::fromStdString(error.what()),
                                    ViewerServices::Icon::Error);
    }
}

// The rendered document on the clipboard, as the view's "select all" and "copy" put it there for
// every target but the files; the office programs are given the same document.
QString copyToClipboard(ExportContext& context) {
    const QString html = context.renderedDocumentHtml();
    QTextDocument document;
    document.setHtml(html);
    context.services.setClipboard(html, document.toPlainText());
    return html;
}

// The dialog starts in the export folder. A station that has never exported lacks it; it is made
// then, so that reports land where the station's other modules look for them. A folder that is
// not a full path, or cannot be made, would leave the dialog wherever the process happens to
// stand; it starts in the user's home folder instead.
QString dialogFolder(const QString& exportFolder) {
    const std::filesystem::path local = platform::PathMap::resolve(exportFolder.toStdString());
    std::error_code error;
    if (!local.is_absolute())
        return QDir::homePath();
    std::filesystem::create_directories(local, error);
    return std::filesystem::is_directory(local, error) ? QString::fromStdString(local.string())
                                                       : QDir::homePath();
}

// The lines of a text as the station software splits it: at CR LF, LF or CR; a break at the
// very end does not begin another line.
QStringList splitLines(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray cp1251Lines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += QByteArray::fromStdString(platform::utf8ToCp1251(line.toStdString())) + "\r\n";
    return bytes;
}

// The file is replaced at once (a temporary file beside it renamed over it), so that a full disk
// or a failing write leaves the earlier file, or none, never half a report. A file the user may
// not write is refused even where its folder would allow the rename.
void saveReportFile(const QString& path, const QByteArray& bytes) {
    const std::string name = path.toStdString();
    if (::access(name.c_str(), F_OK) == 0 && ::access(name.c_str(), W_OK) != 0)
        platform::throwSystemError(errno, name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EExportError(file.errorString().toStdString() + " (" + name + ")");
}

// A report file: its save dialog, the dialog's filters with the extension of the first, and its
// contents, made only once the operator has chosen where they go.
struct ReportFile {
    QString dialogName;
    QString filter;
    QString suffix;
    std::function<QByteArray()> contents;
};

void exportToFile(ExportContext& context, const ReportFile& report) {
    const auto folder = QString::fromStdString(settings::ReadSetting(settings::kExportFolder));
    const QString chosen = context.services.saveFileName(
        report.dialogName, dialogFolder(folder.trimmed()), ExportFileName(context.services.now()),
        report.filter, report.suffix);
    if (chosen.isEmpty())
        return;
    saveReportFile(chosen, report.contents());
    context.services.messageBox(informationCaption(),
                                QStringLiteral("Отчет сохранен в файл \"") + chosen + "\"",
                                ViewerServices::Icon::Information);
}

void exportTo(ExportContext& context, const QString& item) {
    switch (context.target) {
        case kWord:
        case kExcel:
        case kWriter:
        case kCalc:
            exportToOffice(context, item, copyToClipboard(context));
            break;
        case kClipboard:
            copyToClipboard(context);
            break;
        case kHtmlFile:
            exportToFile(context,
                         {QStringLiteral("SaveHTMLDialog"),
                          QStringLiteral("HTML-файлы (*.html);;HTM-файлы (*.htm);;Все файлы (*.*)"),
                          QStringLiteral("html"),
                          [&context] { return cp1251Lines(splitLines(context.html)); }});
            break;
        case kPdfFile:
            exportToFile(context, {QStringLiteral("SavePDFDialog"),
                                   QStringLiteral("PDF-файлы (*.pdf);;Все файлы (*.*)"),
                                   QStringLiteral("pdf"), context.pdf});
            break;
        default:
            break;
    }
}

}  // namespace

QStringList ExportTargetCaptions() {
    return {QStringLiteral("Microsoft Word"),    QStringLiteral("Microsoft Excel"),
            QStringLiteral("OpenOffice Writer"), QStringLiteral("OpenOffice Calc"),
            QStringLiteral("буфер обмена"),      QStringLiteral("HTML-файл"),
            QStringLiteral("PDF-файл")};
}

bool ExportTakesSelection(int target) {
    return target >= kWord && target <= kClipboard;
}

void ExportReport(ExportContext& context) {
    try {
        exportTo(context, ExportTargetCaptions().value(context.target));
    } catch (const std::exception& error) {
        context.services.messageBox(
            errorCaption(),
            QStringLiteral("В ходе выполнения данной операции произошла ошибка:") +
                QString::fromStdString(error.what()),
            ViewerServices::Icon::Error);
    }
}

QString ExportFileName(double now) {
    return QString::fromStdString(FormatDateTime("ОТЧЕТ ddmmyy hhnn", now));
}

}  // namespace kvt::viewer
