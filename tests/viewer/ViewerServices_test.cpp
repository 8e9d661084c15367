// The desktop's own save dialog, driven as the operator fills it in.
#include "viewer/ViewerServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "support/TestRoot.h"
#include "support/WidgetApplication.h"

namespace kvt::viewer {
namespace {

class SaveDialogTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        previous_ = setViewerServices(nullptr);
    }
    void TearDown() override {
        setViewerServices(previous_);
        FreshRoot::TearDown();
    }

    // Picks the filter from the list, types the name and presses Return, once the dialog came.
    static void answer(int filter, const QString& name) {
        auto* poll = new QTimer(QApplication::instance());
        QObject::connect(poll, &QTimer::timeout, [poll, filter, name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            poll->deleteLater();
            auto* filters = dialog->findChild<QComboBox*>("fileTypeCombo");
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            filters->setCurrentIndex(filter);
            emit filters->activated(filter);
            emit filters->textActivated(filters->currentText());
            edit->setText(name);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(edit, &enter);
        });
        poll->start(10);
    }

private:
    std::shared_ptr<ViewerServices> previous_;
};

TEST_F(SaveDialogTest, ANameWithoutExtensionTakesThatOfTheFilterChosen) {
    const QString folder = QString::fromStdString(base().string());
    const struct {
        int filter;  // the filter the operator picks before typing the name
        const char* typed;
        const char* saved;
    } cases[] = {{0, "Отчет", "Отчет.html"},
                 {1, "Отчет", "Отчет.htm"},
                 {1, "Отчет.txt", "Отчет.txt"},
                 {2, "Отчет", "Отчет"}};
    for (const auto& each : cases) {
        SCOPED_TRACE(each.saved);
        answer(each.filter, QString::fromUtf8(each.typed));
        const QString saved = viewerServices().saveFileName(
            "SaveHTMLDialog", folder, "ОТЧЕТ 071226 1405",
            "HTML-файлы (*.html);;HTM-файлы (*.htm);;Все файлы (*.*)", "html");
        EXPECT_EQ(saved, folder + "/" + QString::fromUtf8(each.saved));
    }
}

}  // namespace
}  // namespace kvt::viewer
