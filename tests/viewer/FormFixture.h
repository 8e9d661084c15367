#pragma once
// The viewer form on a fresh station: the plug-in's module with a test host for the host values
// the viewer asks, recorded desktop services and beeps, and helpers that act on the form as the
// operator's keys do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin/PluginFixture.h"
#include "viewer/RptForm.h"
#include "viewer/ViewerServices.h"

namespace kvt::test {

class RecordingViewerServices : public viewer::ViewerServices {
public:
    struct Message {
        QString caption;
        QString text;
        Icon icon;
    };
    std::vector<Message> messages;
    QStringList savedFileDialogs;  // object names of the save dialogs asked for
    QString nextFileName;          // the answer of the next save dialog
    // The operator's part in the print dialog: sets the printer and confirms (true) or cancels.
    std::function<bool(QPrinter&)> printDialogAnswer = [](QPrinter&) { return false; };

    void messageBox(const QString& caption, const QString& text, Icon icon) override {
        messages.push_back({caption, text, icon});
    }
    QString saveFileName(const QString& objectName, const QString&, const QString&, const QString&,
                         const QString&) override {
        savedFileDialogs << objectName;
        return nextFileName;
    }
    bool printDialog(QPrinter& printer) override { return printDialogAnswer(printer); }
    void setClipboard(const QString& html, const QString&) override { clipboardHtml = html; }
    void startProgram(const QString&, const QStringList&) override {}
    bool programInstalled(const QString&) override { return false; }
    double now() override { return 0; }

    QString clipboardHtml;
};

class ViewerFormTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        module().GetHostValue = TestHost::GetHostValue;
        previousServices_ = viewer::setViewerServices(services_);
    }
    void TearDown() override {
        viewer::setViewerServices(previousServices_);
        PluginTest::TearDown();
    }

    RecordingViewerServices& services() { return *services_; }

    // A form given its report, as ShowReport gives it.
    static std::unique_ptr<viewer::TRptFrm> makeForm(const QString& report, const QString& html,
                                                     const QString& title = "Сменный отчет") {
        auto form = std::make_unique<viewer::TRptFrm>();
        form->AssignReport(report, html, title);
        return form;
    }
    // Shown (not modally) and active, with the events of the showing handled.
    static void show(viewer::TRptFrm& form) {
        form.show();
        form.activateWindow();
        QApplication::processEvents();
    }
    static std::unique_ptr<viewer::TRptFrm> showForm(const QString& report, const QString& html,
                                                     const QString& title = "Сменный отчет") {
        auto form = makeForm(report, html, title);
        show(*form);
        return form;
    }

    // A key pressed and released where the focus is, as kvt-hostsim's scripts press keys.
    static void press(QWidget& form, QKeyCombination key) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr || !form.isAncestorOf(target))
            target = &form;
        QKeyEvent down(QEvent::KeyPress, key.key(), key.keyboardModifiers());
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key.key(), key.keyboardModifiers());
        QApplication::sendEvent(target, &up);
    }

    // Text typed over the whole content of a spin edit.
    static void type(QWidget& edit, const QString& text) {
        auto* line = edit.findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        line->selectAll();
        line->insert(text);
    }

private:
    std::shared_ptr<RecordingViewerServices> services_ =
        std::make_shared<RecordingViewerServices>();
    std::shared_ptr<viewer::ViewerServices> previousServices_;
};

}  // namespace kvt::test
