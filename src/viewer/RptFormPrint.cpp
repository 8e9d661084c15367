// TRptFrm's printing and export commands.
#include <QApplication>
#include <QCheckBox>
#include <QFontDialog>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

#include <climits>
#include <stdexcept>
#include <vector>

#include "kvtreports/Host.h"
#include "platform/Registry.h"
#include "plugin/KVTRep.h"
#include "settings/IniSettings.h"
#include "settings/SettingsCatalogue.h"
#include "ui/RadioGroup.h"
#include "viewer/Export.h"
#include "viewer/HtmlView.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"
#include "viewer/RptForm.h"
#include "viewer/ViewerServices.h"

namespace kvt::viewer {

namespace {

// Host values of printing.
constexpr std::int32_t kHostPrintsToPrn = 8;
constexpr std::int32_t kHostPrintsFirst = 9;
constexpr std::int32_t kHostPrintsSecond = 10;
constexpr std::int32_t kHostPrintProcedure = 17;

// With KVT_PRINT_PDF naming a file, every print job goes to that PDF file instead of a
// printer: for stations without one, for scripts and for tests.
void routeJob(QPrinter& printer) {
    const QString pdf = qEnvironmentVariable("KVT_PRINT_PDF");
    if (pdf.isEmpty())
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
}

bool portrait(const QPrinter& printer) {
    return printer.pageLayout().orientation() == QPageLayout::Portrait;
}

void setPortrait(QPrinter& printer, bool portrait) {
    printer.setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
}

// Cancelling the wait cursor however the drawing ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

void TRptFrm::appendCaption(const QString& text) {
    setWindowTitle(windowTitle() + text);
}

bool TRptFrm::hostPrints() const {
    return plugin::HostValue(kHostPrintsFirst).toBool() &&
           plugin::HostValue(kHostPrintsSecond).toBool();
}

void TRptFrm::PrintButtonClick() {
    guarded([this] {
        if (HtmlMode) {
            routeJob(printer_);
            printHtml(printer_);
        } else if (hostPrints()) {
            printThroughHost();
        } else {
            printMemo(-1, 1, -1);
        }
    });
}

void TRptFrm::printHtml(QPrinter& printer) {
    // Without a chosen orientation the printer keeps its own.
    if (const int orientation = rgOrientation->itemIndex(); orientation >= 0)
        setPortrait(printer, orientation == 0);
    wb->printDocument(printer);
}

// Drawing the pages for a file is no printing: the caption keeps its times of printed pages.
void TRptFrm::printShown(QPrinter& printer) {
    if (HtmlMode)
        printHtml(printer);
    else
        PrintLines(printer, memoLines(), -1, 1, -1, ModulePrintSettings(), {});
}

void TRptFrm::printThroughHost() {
    const PrintLinesFunc procedure = printProcedureOf(plugin::HostValue(kHostPrintProcedure));
    try {
        if (procedure == nullptr)
            throw std::runtime_error("Хост не передал процедуру печати (значение хоста 17)");
        std::vector<std::string> lines;
        for (const QString& line : memoLines())
            lines.push_back(line.toStdString());
        procedure(lines);
    } catch (const std::exception& error) {
        viewerServices().messageBox(QApplication::applicationDisplayName(),
                                    QString::fromStdString(error.what()),
                                    ViewerServices::Icon::None);
    }
}

void TRptFrm::printMemo(int fromPage, int copies, int toPage) {
    if (plugin::HostValue(kHostPrintsToPrn).toBool()) {
        PrintToPrn(memoLines());
        return;
    }
    routeJob(printer_);
    PrintLines(printer_, memoLines(), fromPage, copies, toPage, ModulePrintSettings(),
               [this](const QString& text) { appendCaption(text); });
}

void TRptFrm::PrintBtnClick() {
    guarded([this] {
        if (HtmlMode) {
            HtmlView::pageSetup(printer_, this);
            return;
        }
        if (hostPrints())
            return;
        PrintSettings& print = ModulePrintSettings();
        setPortrait(printer_, print.PrintPortrait);
        printer_.setPrintRange(QPrinter::AllPages);
        if (viewerServices().printDialog(printer_)) {
            int fromPage = 1;
            int toPage = -1;
            if (printer_.printRange() == QPrinter::PageRange) {
                fromPage = printer_.fromPage();
                toPage = printer_.toPage();
            }
            print.PrintPortrait = portrait(printer_);
            try {
                settings::WriteSetting(settings::kOSP, print.PrintPortrait);
            } catch (const std::exception&) {
                // The choice holds for this station's session even when it cannot be kept.
            }
            // The dialog's "print to file" asks for the report as text; the PDF file of
            // KVT_PRINT_PDF is the printer itself.
            const QString file = printer_.outputFileName();
            const bool toTextFile =
                !file.isEmpty() && file != qEnvironmentVariable("KVT_PRINT_PDF");
            printer_.setOutputFileName(QString());
            // The pages and copies were for this job; the printer itself stays chosen.
            const int copies = printer_.copyCount();
            printer_.setPrintRange(QPrinter::AllPages);
            printer_.setCopyCount(1);
            if (toTextFile)
                PrintToTextFile(memoLines());
            else
                printMemo(fromPage, copies, toPage);
        }
        print.PrintPortrait = portrait(printer_);
        if (PreviewShown)
            PreviewShow(1);
    });
}

void TRptFrm::PrintToTextFile(const QStringList& lines) {
    const QString path =
        viewerServices().saveFileName(QStringLiteral("SaveTextDialog"), QString(), QString(),
                                      QStringLiteral("Text files (*.txt)"), QStringLiteral("txt"));
    if (!path.isEmpty())
        SaveTextFile(path, lines);
}

void TRptFrm::bbtPreviewClick() {
    guarded([this] {
        if (HtmlMode) {
            if (CheckBrowserVersion()) {
                routeJob(printer_);
                wb->printPreview(printer_, this);
            }
            return;
        }
        bbtRepForm->setEnabled(!bbtRepForm->isEnabled());
        ScrollBox1->show();
        Panel3->setHidden(!Panel3->isHidden());
        Panel4->setHidden(!Panel4->isHidden());
        PreviewShown = !PreviewShown;
        if (!Panel3->isHidden()) {
            // The pages are pictures: nothing on them to find.
            FindClose();
            PreviewShow(1);
        }
    });
}

void TRptFrm::PreviewShow(int page) {
    guarded([this, page] {
        const WaitCursor wait;
        const PrintSettings& print = ModulePrintSettings();
        const PreviewPage shown =
            RenderPreviewPage(memoLines(), page, print, printer_, printFont(print),
                              [this](const QString& text) { appendCaption(text); });
        Image1->setPixmap(QPixmap::fromImage(shown.image));
        Image1->adjustSize();
        CurrentPage = shown.page;
        PrevBtn->setEnabled(shown.page != 1);
        NextBtn->setEnabled(shown.page != shown.pageCount);
        StaticText2->setText(QString::number(shown.pageCount));
        StaticText4->setText(QString::number(shown.page));
    });
}

void TRptFrm::FirstBtnClick() {
    PreviewShow(1);
}

void TRptFrm::PrevBtnClick() {
    PreviewShow(CurrentPage - 1);
}

void TRptFrm::NextBtnClick() {
    PreviewShow(CurrentPage + 1);
}

void TRptFrm::LastBtnClick() {
    PreviewShow(INT_MAX);
}

void TRptFrm::BitBtn2Click() {
    guarded([this] {
        PrintSettings& print = ModulePrintSettings();
        setPortrait(printer_, print.PrintPortrait);
        QPageSetupDialog dialog(&printer_, this);
        dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
        if (dialog.exec() != QDialog::Accepted)
            return;
        print.PrintPortrait = portrait(printer_);
        settings::WriteSetting(settings::kOSP, print.PrintPortrait);
        if (PreviewShown)
            PreviewShow(1);
    });
}

// Qt's fonts carry no character set: the one stored is kept as it was.
void TRptFrm::bbtSetupFontClick() {
    guarded([this] {
        PrintSettings& print = ModulePrintSettings();
        QFontDialog dialog(printFont(print), this);
        dialog.setObjectName(QStringLiteral("FontDialog"));
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QFont chosen = dialog.selectedFont();
        print.PrintFontName = chosen.family().toStdString();
        if (chosen.pointSize() > 0)
            print.PrintFontSize = chosen.pointSize();
        settings::WriteSetting(settings::kFNP, print.PrintFontName);
        settings::WriteSetting(settings::kSFP, print.PrintFontSize);
        settings::WriteSetting(settings::kFCP, print.PrintFontCharset);
        if (PreviewShown)
            PreviewShow(CurrentPage);
    });
}

// The view prints backgrounds as the box says; the browser key is kept in step for the other
// programs of the station that read it, but only where the key exists already.
void TRptFrm::cBcPrintClick() {
    guarded([this] {
        wb->setPrintBackgrounds(cBcPrint->isChecked());
        platform::Registry registry(platform::RootKey::LocalMachine);
        try {
            if (registry.openKey(settings::kBrowserMainKey, false))
                registry.writeString(settings::kPrintBackgroundValue,
                                     cBcPrint->isChecked() ? "yes" : "no");
        } catch (const platform::ERegistryException&) {
            // A key that cannot be written leaves the setting as it was.
        }
    });
}

void TRptFrm::btnExportClick() {
    guarded([this] {
        ExportContext context{
            rgChooseExport->itemIndex(), HtmlText,
            [this] {
                wb->selectAll();
                return wb->selectedHtml();
            },
            [this] { return PrintToPdf(printer_, [this](QPrinter& pdf) { printShown(pdf); }); },
            viewerServices()};
        ExportReport(context);
        if (ExportTakesSelection(context.target))
            wb->clearSelection();
    });
}

}  // namespace kvt::viewer
