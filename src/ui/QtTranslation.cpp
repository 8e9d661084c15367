#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace kvt::ui {

namespace {

// A text of every Qt translation: the standard buttons' "Cancel".
constexpr char kProbeContext[] = "QPlatformTheme";
constexpr char kProbeText[] = "Cancel";

}  // namespace

bool installQtRussianTranslation() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    // The application owns it from here: Qt looks it up for as long as the application lives.
    translator.release()->setParent(application);
    return true;
}

bool qtTextsTranslated() {
    return QCoreApplication::translate(kProbeContext, kProbeText) != QLatin1String(kProbeText);
}

void ensureQtTextsTranslated() {
    if (!qtTextsTranslated())
        installQtRussianTranslation();
}

}  // namespace kvt::ui
