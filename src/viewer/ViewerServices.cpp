#include "viewer/ViewerServices.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <climits>
#include <mutex>
#include <stdexcept>

#include "platform/Clock.h"
#include "ui/Desktop.h"

namespace kvt::viewer {

namespace {

QWidget* dialogParent() {
    if (QWidget* active = QApplication::activeModalWidget())
        return active;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return ui::hostWindow();
}

QMessageBox::Icon messageIcon(ViewerServices::Icon icon) {
    switch (icon) {
        case ViewerServices::Icon::Information:
            return QMessageBox::Information;
        case ViewerServices::Icon::Error:
            return QMessageBox::Critical;
        case ViewerServices::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The extension of a filter's first pattern, "htm" for "HTM-файлы (*.htm)"; none for "*.*".
QString filterSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^ ;)*]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

class QtViewerServices final : public ViewerServices {
public:
    void messageBox(const QString& caption, const QString& text, Icon icon) override {
        QMessageBox box(messageIcon(icon), caption, text, QMessageBox::Ok, dialogParent());
        box.exec();
    }

    QString saveFileName(const QString& objectName, const QString& folder, const QString& fileName,
                         const QString& filter, const QString& defaultSuffix) override {
        // Non-native, so that it looks the same everywhere and scripts can fill it in.
        QFileDialog dialog(dialogParent(), QString(), folder, filter);
        dialog.setObjectName(objectName);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& chosen) { dialog.setDefaultSuffix(filterSuffix(chosen)); });
        if (!fileName.isEmpty())
            dialog.selectFile(fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    bool printDialog(QPrinter& printer) override {
        QPrintDialog dialog(&printer, dialogParent());
        dialog.setObjectName(QStringLiteral("PrintDialog"));
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(1, INT_MAX);
        return dialog.exec() == QDialog::Accepted;
    }

    void setClipboard(const QString& html, const QString& plainText) override {
        auto data = std::make_unique<QMimeData>();
        data->setHtml(html);
        data->setText(plainText);
        QApplication::clipboard()->setMimeData(data.release());
    }

    void startProgram(const QString& program, const QStringList& arguments) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (!process.startDetached())
            throw std::runtime_error(process.errorString().toStdString());
    }

    bool programInstalled(const QString& program) override {
        if (program.contains(QLatin1Char('/'))) {
            const QFileInfo file(program);
            return file.isFile() && file.isExecutable();
        }
        return !QStandardPaths::findExecutable(program).isEmpty();
    }

    double now() override { return platform::nowAsDateTime(); }
};

std::mutex gServicesMutex;
std::shared_ptr<ViewerServices> gServices;

}  // namespace

ViewerServices& viewerServices() {
    const std::scoped_lock lock(gServicesMutex);
    if (!gServices)
        gServices = std::make_shared<QtViewerServices>();
    return *gServices;
}

std::shared_ptr<ViewerServices> setViewerServices(std::shared_ptr<ViewerServices> services) {
    const std::scoped_lock lock(gServicesMutex);
    std::shared_ptr<ViewerServices> previous = std::move(gServices);
    gServices = std::move(services);
    return previous;
}

}  // namespace kvt::viewer
