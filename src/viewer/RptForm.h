#pragma once
// The report viewer TRptFrm: shows a finished report as fixed-pitch text (the old format, with
// its page preview) or as an HTML page (the new format), switches between them, zooms, prints
// and exports, and remembers its settings per station and per report title.
#include <QDialog>
#include <QString>

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/FormPlacement.h"

class QAbstractScrollArea;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;

namespace kvt::ui {
class TRadioGroup;
class TSpinEdit;
}  // namespace kvt::ui

namespace kvt::viewer {

class ApplicationKeyHook;
class HtmlView;
class TextSearch;

// Shows one report modally over the host's window and returns when the operator closes the
// viewer. The texts are UTF-8; an empty HTML text offers the old format only. Errors of the
// settings stores met while showing or closing the viewer reach the caller after the viewer
// has gone.
void ShowReport(const std::string& reportText, const std::string& htmlText,
                const std::string& title);

class TRptFrm : public QDialog {
    Q_OBJECT
public:
    // Reads the station's viewer settings (cnf.INI "Misc"); their errors pass through.
    explicit TRptFrm(QWidget* parent = nullptr);
    ~TRptFrm() override;

    // The report to show, before the form is shown: caption and title, the memo's text, the
    // HTML, and whether export is allowed.
    void AssignReport(const QString& reportText, const QString& htmlText, const QString& title);
    // The first error of FormShow or FormClose, which ran inside the event loop; empty if none.
    std::exception_ptr takeFailure();

    bool htmlMode() const { return HtmlMode; }
    int savedScale() const { return SavedScale; }
    int currentPage() const { return CurrentPage; }
    // The file the HTML is written to for the view; empty until the HTML is first loaded.
    const std::filesystem::path& htmlTempPath() const { return HtmlTempPath; }
    // The memo's lines as they would print.
    // The memo's lines, split once per change of its text: previewing page after page of a long
    // report must not split the whole text again for every page.
    const QStringList& memoLines() const;

    // Keys seen before the controls: Esc, F6, Ctrl+E and Enter in the find bar; true when taken.
    bool FormKeyDown(QKeyEvent& key);
    // Keys of the whole application while the viewer exists: F5 prints, once per press.
    bool ApplicationEvents1Message(QKeyEvent& key);
    // True when the browser may be used for the function asked; tells the operator otherwise.
    bool CheckBrowserVersion();

    // Components, named as the operator's scripts and the settings know them.
    HtmlView* wb;
    QFrame* Panel4;
    QPlainTextEdit* RptMemo;
    QFrame* Panel3;
    QFrame* Panel2;
    QToolButton* FirstBtn;
    QToolButton* PrevBtn;
    QToolButton* NextBtn;
    QToolButton* LastBtn;
    QPushButton* BitBtn2;
    QPushButton* bbtSetupFont;
    QPushButton* PrintBtn;
    QLabel* StaticText3;
    QLabel* StaticText4;
    QLabel* StaticText1;
    QLabel* StaticText2;
    QScrollArea* ScrollBox1;
    QLabel* Image1;
    QFrame* Panel1;
    QPushButton* bbtRepForm;
    QPushButton* sbtnAdditional;
    QPushButton* bbtPreview;
    QPushButton* PrintButton;
    QPushButton* CloseButton;
    QFrame* panWBParams;
    QLabel* lbScale;
    ui::TSpinEdit* edScale;
    QCheckBox* cBcPrint;
    ui::TRadioGroup* rgOrientation;
    QLabel* Label1;
    QComboBox* ComboBox1;
    QGroupBox* gbExportData;
    ui::TRadioGroup* rgChooseExport;
    QPushButton* btnExport;
    QToolButton* SpeedButton1;
    QTimer* Timer1;
    // The find bar beneath the report, and its keys in both formats: outside ActionList1, whose
    // keys the memo takes back for editing.
    QFrame* pnlFind;
    QLineEdit* edFind;
    QToolButton* btnFindPrev;
    QToolButton* btnFindNext;
    QLabel* lbFindResult;
    QToolButton* btnFindClose;
    QAction* acFind;
    QAction* acFindNext;
    QAction* acFindPrev;
    QObject* ActionList1;
    QAction* ActionOnKeyUp;
    QAction* ActionOnKeyDown;
    QAction* ActionOnPgUp;
    QAction* ActionOnPgDown;
    QAction* ActionOnHome;
    QAction* ActionOnEnd;
    QAction* ActionOnEdit;
    QAction* ActionOnPrint;
    // Hooks on the application, unhooked before the form's widgets go.
    std::unique_ptr<ApplicationKeyHook> ApplicationEvents1;

public slots:
    void done(int result) override;

    void bbtRepFormClick();
    void sbtnAdditionalClick();
    void SpeedButton1Click();
    void CloseButtonClick();
    void edScaleChange();
    void ComboBox1Select();
    void wbDocumentComplete();
    void Timer1Timer();
    void RptMemoEnter();
    void RptMemoExit();
    void ActionOnKeyUpExecute();
    void ActionOnKeyDownExecute();
    void ActionOnPgUpExecute();
    void ActionOnPgDownExecute();
    void ActionOnHomeExecute();
    void ActionOnEndExecute();
    void ActionOnEditExecute();
    void ActionOnPrintExecute();

    // Printing.
    void bbtPreviewClick();
    void PreviewShow(int page);
    void FirstBtnClick();
    void PrevBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    void PrintButtonClick();
    void PrintBtnClick();
    void BitBtn2Click();
    void bbtSetupFontClick();
    void cBcPrintClick();

    // Export.
    void btnExportClick();

    // Find.
    void FindShow();
    void FindClose();
    void edFindChange();
    void btnFindNextClick();
    void btnFindPrevClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeOptionsPanel();
    // The zoom of the HTML view, in percent: the range of edScale and of the zoom applied.
    static constexpr int kScaleMinimum = 20;
    static constexpr int kScaleMaximum = 500;

    void createComponents();
    QFrame* createClientViews();
    QFrame* createPreviewPanel(QWidget* parent);
    QFrame* createButtonPanel();
    void createOptionsPanel();
    QFrame* createFindPanel();
    void createActions();
    void connectHandlers();
    void connectFind();

    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void LoadHtml();
    void showNewFormat();
    void hideNewFormatOptions();
    void hideOptionsPanel();
    QAbstractScrollArea& scrollTarget() const;
    void scrollBrowserByHalfHeight(int direction);

    bool hostPrints() const;
    void printThroughHost();
    void printMemo(int fromPage, int copies, int toPage);
    void printHtml(QPrinter& printer);
    // The report as it prints in the format shown, on any printer: all the memo's pages, or
    // the HTML in the orientation chosen for it.
    void printShown(QPrinter& printer);
    void PrintToTextFile(const QStringList& lines);
    void readPrinterOrientation();
    void writePrintOrientation();
    void appendCaption(const QString& text);

    void removeTempFile() noexcept;

    // The view the find bar searches, the memo or the HTML view, whichever shows the report as
    // text; none while the page preview is shown.
    template <class Body>
    void withSearchedView(Body&& body);
    void openFind();
    void findStep(qsizetype (TextSearch::*step)());
    // The search over the searched view's text with the bar's pattern (nullptr without a view),
    // made again after that text or the format changed.
    TextSearch* searchShown();
    void searchTextChanged();
    // After the text changed: the matches marked again where the view shows them, the view
    // left where it is.
    void refreshFind();
    // Brings the current match into view, marks it and tells where it is.
    void showCurrentMatch();
    // Marks the matches the view shows now; the others are marked as the view comes to them.
    void highlightMatches();
    void clearHighlights();
    void showFindResult();

    // Runs a handler's body; an error is shown in the standard error box, since it must not
    // leave through the event loop.
    static void guarded(const std::function<void()>& body);
    // Runs a body of the form's life cycle; the first error is kept for the caller of
    // ShowReport.
    void remembered(const std::function<void()>& body);

    bool HtmlMode = false;
    QString HtmlText;
    QString ReportTitle;
    bool PreviewShown = false;
    int CurrentPage = 1;
    bool HtmlPending = true;
    bool BroughtToFront = false;
    int SavedScale = 0;
    bool ExportAllowed = true;
    std::filesystem::path HtmlTempPath;

    ui::TFormPlacement FormPlacement1;
    QPrinter& printer_;  // CurrentPrinter()
    std::unique_ptr<ApplicationKeyHook> keyPreview_;
    bool scaleChanging_ = false;
    std::exception_ptr failure_;
    mutable std::optional<QStringList> memoLines_;
    std::unique_ptr<TextSearch> search_;
    bool searchInHtml_ = false;
    // Where the current match was when the text changed under the search; -1 when none.
    qsizetype keptMatch_ = -1;
    bool findRefreshPending_ = false;
};

}  // namespace kvt::viewer
