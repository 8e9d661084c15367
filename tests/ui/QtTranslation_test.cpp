#include "ui/QtTranslation.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTranslator>

#include <memory>

#include "support/WidgetApplication.h"

namespace kvt::ui {
namespace {

// Qt's stock file dialog as the plug-in opens it headless: Qt's own widgets, not the desktop's.
QString fileDialogCancelText() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    return buttons == nullptr ? QString() : buttons->button(QDialogButtonBox::Cancel)->text();
}

class QtTranslationTest : public ::testing::Test {
protected:
    // Every translator the application was given goes with the test.
    void TearDown() override {
        hostTranslator_.reset();
        qDeleteAll(
            QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
    }

    // A host's own translation of Qt's texts, in another language than the plug-in's.
    void installHostTranslation(const QString& language) {
        hostTranslator_ = std::make_unique<QTranslator>();
        ASSERT_TRUE(hostTranslator_->load("qtbase_" + language,
                                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        ASSERT_TRUE(QCoreApplication::installTranslator(hostTranslator_.get()));
    }

    std::unique_ptr<QTranslator> hostTranslator_;
};

TEST_F(QtTranslationTest, AHostWithoutATranslationGetsQtsDialogsInRussian) {
    ASSERT_FALSE(qtTextsTranslated());
    EXPECT_EQ(fileDialogCancelText().toStdString(), "Cancel");

    ensureQtTextsTranslated();
    EXPECT_TRUE(qtTextsTranslated());
    EXPECT_EQ(fileDialogCancelText().toStdString(), "Отмена");
    EXPECT_EQ(QPrintPreviewDialog().windowTitle().toStdString(), "Просмотр печати");

    ensureQtTextsTranslated();
    EXPECT_EQ(QCoreApplication::instance()->findChildren<QTranslator*>().size(), 1);
}

TEST_F(QtTranslationTest, AHostWithItsOwnTranslationKeepsIt) {
    installHostTranslation("de");
    ensureQtTextsTranslated();
    EXPECT_EQ(fileDialogCancelText().toStdString(), "Abbrechen");
    EXPECT_TRUE(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
}

}  // namespace
}  // namespace kvt::ui
