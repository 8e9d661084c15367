#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "viewer/ViewerServices.h"

namespace kvt::viewer {

inline constexpr int kExportTargetCount = 7;

// The items of the export list, in the order of the target indexes: the six of the station's
// viewer, then "PDF-файл".
QStringList ExportTargetCaptions();

// Whether the target takes the page through the view's selection (all but the files), which the
// viewer clears afterwards.
bool ExportTakesSelection(int target);

// What the export needs from the viewer.
struct ExportContext {
    int target;                                     // 0..kExportTargetCount-1
    QString html;                                   // HtmlText
    std::function<QString()> renderedDocumentHtml;  // the view's document, as "select all + copy"
    std::function<QByteArray()> pdf;                // the report as shown, printed to PDF
    ViewerServices& services;  // message boxes, file dialog, clipboard, office, clock
};

// Sends the report to the chosen target and tells the user the outcome; never throws.
void ExportReport(ExportContext&);

// "ОТЧЕТ ddmmyy hhnn" for the moment now (days since 30.12.1899).
QString ExportFileName(double now);

}  // namespace kvt::viewer
