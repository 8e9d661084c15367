#pragma once
// Qt's own texts in Russian: the stock dialogs the console and the plug-in open (print preview,
// print, page setup, file and font dialogs) and their standard buttons, from Qt's translations
// (Debian's qt6-translations-l10n, "qtbase_ru.qm" in Qt's translations folder).

namespace kvt::ui {

// Loads Qt's Russian translation into the application, where it is then looked up before the
// translators installed earlier. False when there is no application or the translation is not
// installed; Qt then keeps its English texts.
bool installQtRussianTranslation();

// True when the application already translates Qt's own texts, whatever the language: some
// translator answers for Qt's standard "Cancel".
bool qtTextsTranslated();

// For the plug-in in a host that loaded no translation of Qt's texts: installs the Russian one.
// A host that translates them itself is left as it is, and so is the application once they are
// translated.
void ensureQtTextsTranslated();

}  // namespace kvt::ui
