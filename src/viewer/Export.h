#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "viewer/ViewerServices.h"

namespace kvt::viewer {

inline constexpr int kExportTargetCount = 6;

// The items of the export list, in the order of the target indexes.
QStringList ExportTargetCaptions();

// What the export needs from the viewer.
struct ExportContext {
    int target;                                     // 0..kExportTargetCount-1
    QString html;                                   // HtmlText
    std::function<QString()> renderedDocumentHtml;  // the view's document, as "select all + copy"
    ViewerServices& services;  // message boxes, file dialog, clipboard, office, clock
};

// Sends the report to the chosen target and tells the user the outcome; never throws.
void ExportReport(ExportContext&);

// "ОТЧЕТ ddmmyy hhnn" for the moment now (days since 30.12.1899).
QString ExportFileName(double now);

}  // namespace kvt::viewer
