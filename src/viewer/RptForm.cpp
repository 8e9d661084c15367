#include "viewer/RptForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "infra/DateTime.h"
#include "platform/Beep.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "platform/TempDir.h"
#include "settings/IniSettings.h"
#include "settings/PrintOptions.h"
#include "settings/SettingsCatalogue.h"
#include "ui/Desktop.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "viewer/ApplicationKeyHook.h"
#include "viewer/HtmlView.h"
#include "viewer/PageLayout.h"
#include "viewer/Printing.h"
#include "viewer/TextSearch.h"
#include "viewer/ViewerServices.h"

namespace kvt::viewer {

namespace {

namespace fs = std::filesystem;

constexpr const char* kHtmlTempFileName = "blmkvthtmlreport.html";
constexpr int kInitialWidth = 742;
constexpr int kInitialHeight = 498;
// 750 × 300 with the window's frame; Qt's minimum is that of the client area.
constexpr int kMinimumWidth = 742;
constexpr int kMinimumHeight = 266;
constexpr double kMinimumBrowserVersion = 5.5;

template <class T>
settings::IniSetting<T> defaultingTo(const settings::IniSetting<T>& setting, T value) {
    return {setting.section, setting.key, value};
}

// The lines in code page 1251, each ended by CR LF, as the station software saves text.
std::string cp1251Text(const QStringList& lines) {
    std::string bytes;
    for (const QString& line : lines)
        bytes += platform::utf8ToCp1251(line.toStdString()) + "\r\n";
    return bytes;
}

// Writes a file only its owner can read. The bytes go to a new file made exclusively (never a
// link someone planted) and then take the file's name, replacing whatever had it.
void writePrivateFile(const fs::path& path, const std::string& bytes) {
    std::string temporary =
        (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        platform::throwSystemError(errno, path.string());
    int error = 0;
    for (std::size_t written = 0; written < bytes.size() && error == 0;) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno != EINTR)
            error = errno;
        else if (count > 0)
            written += static_cast<std::size_t>(count);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        platform::throwSystemError(error, path.string());
    }
}

// The browser version the station recorded: nullopt without the value, empty when it cannot
// be read as text.
std::optional<std::string> recordedBrowserVersion() {
    platform::Registry registry(platform::RootKey::LocalMachine);
    if (!registry.openKeyReadOnly(settings::kBrowserVersionKey) ||
        !registry.valueExists(settings::kBrowserVersionValue))
        return std::nullopt;
    try {
        return registry.readString(settings::kBrowserVersionValue);
    } catch (const platform::ERegistryException&) {
        return std::string();
    }
}

void setActionsEnabled(const QObject& actionList, bool enabled) {
    for (QAction* action : actionList.findChildren<QAction*>())
        action->setEnabled(enabled);
}

}  // namespace

void ShowReport(const std::string& reportText, const std::string& htmlText,
                const std::string& title) {
    TRptFrm form(ui::hostWindow());
    form.AssignReport(QString::fromStdString(reportText), QString::fromStdString(htmlText),
                      QString::fromStdString(title));
    form.exec();
    if (std::exception_ptr failure = form.takeFailure())
        std::rethrow_exception(failure);
}

TRptFrm::TRptFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      FormPlacement1(std::string(settings::kPlacementKey), "TRptFrm"),
      printer_(CurrentPrinter()) {
    createComponents();
    resize(kInitialWidth, kInitialHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    ApplicationEvents1 = std::make_unique<ApplicationKeyHook>(
        QStringLiteral("ApplicationEvents1"), nullptr,
        [this](QObject&, QKeyEvent& key) { return ApplicationEvents1Message(key); });
    keyPreview_ = std::make_unique<ApplicationKeyHook>(
        QStringLiteral("KeyPreview"), nullptr, [this](QObject& receiver, QKeyEvent& key) {
            auto* widget = qobject_cast<QWidget*>(&receiver);
            return key.type() == QEvent::KeyPress && widget != nullptr &&
                   (widget == this || isAncestorOf(widget)) && FormKeyDown(key);
        });
    connectHandlers();
    FormCreate();
}

// FormDestroy.
TRptFrm::~TRptFrm() {
    removeTempFile();
}

void TRptFrm::guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        ui::showException(error);
    } catch (...) {
        ui::showException("Неизвестная ошибка");
    }
}

void TRptFrm::remembered(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        if (!failure_)
            failure_ = std::current_exception();
    }
}

std::exception_ptr TRptFrm::takeFailure() {
    return std::exchange(failure_, nullptr);
}

void TRptFrm::FormCreate() {
    HtmlPending = true;
    HtmlMode = settings::ReadSetting(settings::kFormat);
    cBcPrint->setChecked(settings::ReadSetting(settings::kPrintBackground));
    PrintSettings& print = ModulePrintSettings();
    print.PrintPortrait = settings::ReadSetting(defaultingTo(settings::kOSP, print.PrintPortrait));
    print.PrintFontName =
        settings::ReadSetting(defaultingTo(settings::kFNP, std::string_view(print.PrintFontName)));
    print.PrintFontSize = settings::ReadSetting(defaultingTo(settings::kSFP, print.PrintFontSize));
    print.PrintFontCharset =
        settings::ReadSetting(defaultingTo(settings::kFCP, print.PrintFontCharset));
    if (const std::int32_t target = settings::ReadSetting(settings::kRepExportType);
        target >= 0 && target < rgChooseExport->count())
        rgChooseExport->setItemIndex(target);
    cBcPrintClick();
}

void TRptFrm::AssignReport(const QString& reportText, const QString& htmlText,
                           const QString& title) {
    setWindowTitle(title);
    ReportTitle = title;
    if (htmlText.isEmpty()) {
        bbtRepForm->hide();
        hideNewFormatOptions();
        HtmlMode = false;
    }
    CurrentPage = 1;
    RptMemo->setPlainText(ReportLines(reportText).join(QLatin1Char('\n')));
    HtmlText = htmlText;
    ExportAllowed = settings::ReadSetting(settings::kAllowExportReports);
    btnExport->setEnabled(ExportAllowed);
}

const QStringList& TRptFrm::memoLines() const {
    if (!memoLines_) {
        const QString text = RptMemo->toPlainText();
        memoLines_ = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    return *memoLines_;
}

void TRptFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    remembered([this] { FormShow(); });
    // The modal loop has not begun yet; the form closes from inside it.
    if (failure_)
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void TRptFrm::FormShow() {
    const settings::PrintOptions options = settings::ReadPrintOptions(ReportTitle.toStdString());
    rgOrientation->setItemIndex(options.orientation);
    ComboBox1->setCurrentIndex(options.fontSize);
    SavedScale = options.scale;
    FormPlacement1.restore(*this);
    if (HtmlMode) {
        showNewFormat();
        return;
    }
    bbtRepForm->setText(QStringLiteral("Новый формат"));
    Panel3->setVisible(PreviewShown);
    Panel4->setVisible(!PreviewShown);
    if (PreviewShown)
        PreviewShow(1);
    hideNewFormatOptions();
    Timer1->start();
}

void TRptFrm::showNewFormat() {
    Panel3->hide();
    Panel4->hide();
    if (HtmlPending) {
        LoadHtml();
        HtmlPending = false;
    }
    bbtRepForm->setText(QStringLiteral("Старый формат"));
    for (QWidget* option : std::initializer_list<QWidget*>{edScale, lbScale, cBcPrint, gbExportData,
                                                           sbtnAdditional, rgOrientation})
        option->show();
}

void TRptFrm::hideNewFormatOptions() {
    for (QWidget* option : std::initializer_list<QWidget*>{rgOrientation, edScale, lbScale,
                                                           cBcPrint, sbtnAdditional, gbExportData})
        option->hide();
    hideOptionsPanel();
}

void TRptFrm::hideOptionsPanel() {
    sbtnAdditional->setChecked(false);
    panWBParams->hide();
}

void TRptFrm::bbtRepFormClick() {
    guarded([this] {
        HtmlMode = !HtmlMode;
        // The find bar stays and searches the format now shown.
        clearHighlights();
        if (!pnlFind->isHidden())
            QMetaObject::invokeMethod(this, &TRptFrm::refreshFind, Qt::QueuedConnection);
        if (HtmlMode) {
            showNewFormat();
            return;
        }
        Panel4->show();
        bbtRepForm->setText(QStringLiteral("Новый формат"));
        hideNewFormatOptions();
    });
}

void TRptFrm::LoadHtml() {
    if (HtmlTempPath.empty())
        HtmlTempPath = platform::privateTempDir() / kHtmlTempFileName;
    const QStringList lines = ReportLines(HtmlText);
    removeTempFile();
    Timer1->stop();
    writePrivateFile(HtmlTempPath, cp1251Text(lines));
    wb->loadFile(QString::fromStdString(HtmlTempPath.string()));
}

void TRptFrm::removeTempFile() noexcept {
    std::error_code ignored;
    if (!HtmlTempPath.empty())
        fs::remove(HtmlTempPath, ignored);
}

void TRptFrm::wbDocumentComplete() {
    guarded([this] {
        // A changed text runs edScaleChange, which zooms the page.
        edScale->setValue(SavedScale);
        Timer1->start();
        ComboBox1Select();
    });
}

void TRptFrm::edScaleChange() {
    if (scaleChanging_)
        return;
    // The version check may show a message box, whose event loop must not re-enter here.
    const QScopedValueRollback<bool> detached(scaleChanging_, true);
    guarded([this] {
        if (!CheckBrowserVersion() || !edScale->isEnabled())
            return;
        double percent = 0;
        if (!TryStrToFloat(edScale->text().trimmed().toStdString(), percent))
            percent = 0;
        if (!(percent >= kScaleMinimum))
            percent = kScaleMinimum;
        else if (percent > kScaleMaximum)
            percent = kScaleMaximum;
        SavedScale = edScale->value();
        wb->setZoom(percent / 100.0);
    });
}

void TRptFrm::ComboBox1Select() {
    guarded([this] { wb->setTextSize(ComboBox1->currentIndex()); });
}

// The browser is the HTML view; a version recorded under the browser's key still rules, as
// stations that pinned an old browser expect, and without one the view's own version counts.
bool TRptFrm::CheckBrowserVersion() {
    const std::optional<std::string> recorded = recordedBrowserVersion();
    QString shown;
    bool enough = false;
    if (recorded) {
        double version = 0;
        if (!TryStrToFloat(*recorded, version))
            version = 0;
        enough = version >= kMinimumBrowserVersion;
        shown = QString::fromStdString(*recorded);
    } else {
        enough = HtmlView::version() >= QVersionNumber(5, 5);
        shown = HtmlView::version().toString();
    }
    if (!enough)
        viewerServices().messageBox(
            QStringLiteral("Информация"),
            QStringLiteral("Установленная версия Microsoft Internet Explorer ") + shown +
                QStringLiteral(" не допускает использования данной функции.\n\r"
                               "Установите Internet Explorer версии не ниже 5.5."),
            ViewerServices::Icon::Information);
    return enough;
}

void TRptFrm::Timer1Timer() {
    guarded([this] {
        removeTempFile();
        if (BroughtToFront)
            return;
        BroughtToFront = true;
        raise();
        activateWindow();
    });
}

void TRptFrm::sbtnAdditionalClick() {
    guarded([this] {
        placeOptionsPanel();
        panWBParams->raise();
        panWBParams->setVisible(sbtnAdditional->isChecked());
    });
}

void TRptFrm::SpeedButton1Click() {
    guarded([this] { hideOptionsPanel(); });
}

void TRptFrm::CloseButtonClick() {
    guarded([this] {
        if (!panWBParams->isHidden())
            hideOptionsPanel();
        else
            reject();
    });
}

bool TRptFrm::FormKeyDown(QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && key.key() == Qt::Key_Escape) {
        if (!pnlFind->isHidden())
            FindClose();
        else
            CloseButtonClick();
        return true;
    }
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && edFind->hasFocus()) {
        if (modifiers == Qt::ShiftModifier)
            btnFindPrevClick();
        else
            btnFindNextClick();
        return true;
    }
    if (modifiers == Qt::NoModifier && key.key() == Qt::Key_F6) {
        PrintBtnClick();
        return true;
    }
    if (modifiers.testFlag(Qt::ControlModifier) && key.key() == Qt::Key_E) {
        platform::Beep(400, 100);
        RptMemo->setReadOnly(!RptMemo->isReadOnly());
        return true;
    }
    return false;
}

// F5 is taken before anything else sees it: the shortcut question is answered "taken" so
// that no shortcut of the focused window fires, and the press itself prints. A key held down
// repeats its press; only the first one prints.
bool TRptFrm::ApplicationEvents1Message(QKeyEvent& key) {
    if (key.key() != Qt::Key_F5)
        return false;
    key.accept();
    if (key.type() == QEvent::KeyPress && !key.isAutoRepeat())
        PrintButtonClick();
    return true;
}

void TRptFrm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TRptFrm::FormResize() {
    bbtPreview->move(width() - 348, bbtPreview->y());
    PrintButton->move(width() - 236, PrintButton->y());
    CloseButton->move(width() - 120, CloseButton->y());
    placeOptionsPanel();
}

// The options panel lies over the report, on what stands below it: the button panel at the
// bottom and the find bar above that when it is open. Their places are counted from the bottom,
// since the layout may not have moved them yet.
void TRptFrm::placeOptionsPanel() {
    int bottom = height() - Panel1->height();
    if (pnlFind->isVisibleTo(this))
        bottom -= pnlFind->sizeHint().height();
    panWBParams->move(panWBParams->x(), bottom - panWBParams->height());
}

bool TRptFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == RptMemo->viewport() || watched == wb->viewport()))
        highlightMatches();
    else if (watched == RptMemo && event->type() == QEvent::FocusIn)
        RptMemoEnter();
    else if (watched == RptMemo && event->type() == QEvent::FocusOut)
        RptMemoExit();
    return QDialog::eventFilter(watched, event);
}

// Inside the memo the keys keep their editing meaning.
void TRptFrm::RptMemoEnter() {
    setActionsEnabled(*ActionList1, false);
}

void TRptFrm::RptMemoExit() {
    setActionsEnabled(*ActionList1, true);
}

QAbstractScrollArea& TRptFrm::scrollTarget() const {
    if (!Panel3->isHidden())
        return *ScrollBox1;
    return *RptMemo;
}

void TRptFrm::scrollBrowserByHalfHeight(int direction) {
    if (!wb->documentLoaded())
        return;
    QScrollBar& bar = *wb->verticalScrollBar();
    bar.setValue(bar.value() + direction * (wb->height() / 2));
}

void TRptFrm::ActionOnKeyUpExecute() {
    scrollTarget().verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
}

void TRptFrm::ActionOnKeyDownExecute() {
    scrollTarget().verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void TRptFrm::ActionOnPgUpExecute() {
    if (HtmlMode)
        scrollBrowserByHalfHeight(-1);
    else
        scrollTarget().verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
}

void TRptFrm::ActionOnPgDownExecute() {
    if (HtmlMode)
        scrollBrowserByHalfHeight(1);
    else
        scrollTarget().verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
}

void TRptFrm::ActionOnHomeExecute() {
    scrollTarget().horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
}

void TRptFrm::ActionOnEndExecute() {
    scrollTarget().horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
}

void TRptFrm::ActionOnEditExecute() {
    RptMemo->setReadOnly(false);
}

void TRptFrm::ActionOnPrintExecute() {
    PrintButtonClick();
}

void TRptFrm::done(int result) {
    remembered([this] { FormClose(); });
    QDialog::done(result);
}

void TRptFrm::FormClose() {
    settings::WritePrintOptions(
        ReportTitle.toStdString(),
        {rgOrientation->itemIndex(), ComboBox1->currentIndex(), edScale->value()});
    const PrintSettings& print = ModulePrintSettings();
    settings::WriteSetting(settings::kOSP, print.PrintPortrait);
    settings::WriteSetting(settings::kFNP, print.PrintFontName);
    settings::WriteSetting(settings::kSFP, print.PrintFontSize);
    settings::WriteSetting(settings::kFCP, print.PrintFontCharset);
    settings::WriteSetting(settings::kFormat, HtmlMode);
    settings::WriteSetting(settings::kPrintBackground, cBcPrint->isChecked());
    settings::WriteSetting(settings::kRepExportType, rgChooseExport->itemIndex());
    FormPlacement1.save(*this);
}

}  // namespace kvt::viewer
