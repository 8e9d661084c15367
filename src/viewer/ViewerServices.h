#pragma once
// The desktop services the report viewer needs beyond its own window: message boxes, the save
// and print dialogs, the clipboard, starting the office suite and the clock. They sit behind one
// interface so that the viewer's logic runs in tests without a desktop; the Qt implementation is
// the default.
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;

namespace kvt::viewer {

class ViewerServices {
public:
    virtual ~ViewerServices() = default;

    enum class Icon { Information, Error, None };

    // A modal message box with an OK button over the viewer's window.
    virtual void messageBox(const QString& caption, const QString& text, Icon icon) = 0;
    // The file chosen in a save dialog (empty: cancelled). filter in Qt's "A (*.a);;B (*.b)"
    // form; objectName names the dialog so that scripts can find it. A name typed without an
    // extension gets that of the filter chosen, defaultSuffix while the first one is.
    virtual QString saveFileName(const QString& objectName, const QString& folder,
                                 const QString& fileName, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    // The print dialog "PrintDialog" for `printer`, offering page numbers from 1 on and printing
    // to a file; true when confirmed, the printer then set as the operator chose.
    virtual bool printDialog(QPrinter& printer) = 0;
    virtual void setClipboard(const QString& html, const QString& plainText) = 0;
    // Runs a program (the office suite); throws std::runtime_error with the system's words when
    // it cannot be started; returns when it has been started (not when it ends).
    virtual void startProgram(const QString& program, const QStringList& arguments) = 0;
    // Whether the program can be found: an existing executable path, or a name on PATH.
    virtual bool programInstalled(const QString& program) = 0;
    // Days since 30.12.1899 with the time of day as the fraction (platform::nowAsDateTime).
    virtual double now() = 0;
};

// The installed services (the Qt implementation unless a test installed its own).
ViewerServices& viewerServices();
// Installs `services` (nullptr: back to the Qt implementation) and returns the previous one.
std::shared_ptr<ViewerServices> setViewerServices(std::shared_ptr<ViewerServices> services);

}  // namespace kvt::viewer
