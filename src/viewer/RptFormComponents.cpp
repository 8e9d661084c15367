// The components of TRptFrm and their wiring.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "viewer/Export.h"
#include "viewer/HtmlView.h"
#include "viewer/RptForm.h"

namespace kvt::viewer {

namespace {

constexpr int kButtonPanelHeight = 41;
constexpr int kButtonTop = 8;
constexpr int kButtonHeight = 25;
constexpr int kTimerIntervalMs = 1000;
constexpr int kScaleInitial = 100;
constexpr int kScaleLength = 3;

template <class Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* pushButton = named(new QPushButton(caption, parent), name);
    // The viewer has no default button: Enter in the scale edit must not press one.
    pushButton->setAutoDefault(false);
    return pushButton;
}

QToolButton* glyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph) {
    auto* toolButton = named(new QToolButton(parent), name);
    toolButton->setIcon(parent->style()->standardIcon(glyph));
    return toolButton;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption = {}) {
    return named(new QLabel(caption, parent), name);
}

QFrame* panel(QWidget* parent, const char* name) {
    auto* frame = named(new QFrame(parent), name);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

QFont memoFont() {
    QFont font(QStringLiteral("Fixedsys"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace

void TRptFrm::createComponents() {
    setObjectName(QStringLiteral("RptFrm"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(createClientViews(), 1);
    layout->addWidget(createFindPanel());
    layout->addWidget(createButtonPanel());
    createOptionsPanel();
    createActions();
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(kTimerIntervalMs);
}

// The three views share the client area; the later one lies on top, and the one shown is the
// topmost that is not hidden.
QFrame* TRptFrm::createClientViews() {
    auto* client = new QFrame(this);
    auto* views = new QGridLayout(client);
    views->setContentsMargins(0, 0, 0, 0);
    wb = named(new HtmlView(client), "wb");
    Panel4 = panel(client, "Panel4");
    auto* memoLayout = new QVBoxLayout(Panel4);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    RptMemo = named(new QPlainTextEdit(Panel4), "RptMemo");
    RptMemo->setReadOnly(true);
    RptMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    RptMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RptMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RptMemo->setFont(memoFont());
    QPalette memoPalette = RptMemo->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    memoPalette.setColor(QPalette::Text, Qt::black);
    RptMemo->setPalette(memoPalette);
    memoLayout->addWidget(RptMemo);
    Panel3 = createPreviewPanel(client);
    Panel3->hide();
    for (QWidget* view : std::initializer_list<QWidget*>{wb, Panel4, Panel3}) {
        views->addWidget(view, 0, 0);
        view->raise();
    }
    return client;
}

QFrame* TRptFrm::createPreviewPanel(QWidget* parent) {
    auto* preview = panel(parent, "Panel3");
    auto* layout = new QVBoxLayout(preview);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel2 = panel(preview, "Panel2");
    auto* tools = new QHBoxLayout(Panel2);
    FirstBtn = glyphButton(Panel2, "FirstBtn", QStyle::SP_MediaSkipBackward);
    PrevBtn = glyphButton(Panel2, "PrevBtn", QStyle::SP_MediaSeekBackward);
    NextBtn = glyphButton(Panel2, "NextBtn", QStyle::SP_MediaSeekForward);
    LastBtn = glyphButton(Panel2, "LastBtn", QStyle::SP_MediaSkipForward);
    BitBtn2 = button(Panel2, "BitBtn2", QStringLiteral("Настройка печати"));
    bbtSetupFont = button(Panel2, "bbtSetupFont", QStringLiteral("Настройка шрифта"));
    PrintBtn = button(Panel2, "PrintBtn", QStringLiteral("Печать..."));
    StaticText3 = label(Panel2, "StaticText3", QStringLiteral("Страница:"));
    StaticText4 = label(Panel2, "StaticText4");
    StaticText1 = label(Panel2, "StaticText1", QStringLiteral("Страниц:"));
    StaticText2 = label(Panel2, "StaticText2");
    for (QWidget* tool : std::initializer_list<QWidget*>{
             FirstBtn, PrevBtn, NextBtn, LastBtn, BitBtn2, bbtSetupFont, PrintBtn, StaticText3,
             StaticText4, StaticText1, StaticText2})
        tools->addWidget(tool);
    tools->addStretch();
    layout->addWidget(Panel2);
    ScrollBox1 = named(new QScrollArea(preview), "ScrollBox1");
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    Image1 = label(ScrollBox1, "Image1");
    ScrollBox1->setWidget(Image1);
    layout->addWidget(ScrollBox1, 1);
    return preview;
}

// The buttons keep their places from the right edge (FormResize), as the operator knows them.
QFrame* TRptFrm::createButtonPanel() {
    Panel1 = panel(this, "Panel1");
    Panel1->setFixedHeight(kButtonPanelHeight);
    QFont bold = Panel1->font();
    bold.setBold(true);
    Panel1->setFont(bold);
    bbtRepForm = button(Panel1, "bbtRepForm", QStringLiteral("Новый формат"));
    bbtRepForm->setGeometry(8, kButtonTop, 120, kButtonHeight);
    sbtnAdditional = button(Panel1, "sbtnAdditional", QStringLiteral("Дополнительно >>"));
    sbtnAdditional->setCheckable(true);
    sbtnAdditional->setGeometry(136, kButtonTop, 140, kButtonHeight);
    bbtPreview = button(Panel1, "bbtPreview", QStringLiteral("Просмотр"));
    bbtPreview->resize(105, kButtonHeight);
    PrintButton = button(Panel1, "PrintButton", QStringLiteral("&Печатать(F5)"));
    PrintButton->resize(110, kButtonHeight);
    CloseButton = button(Panel1, "CloseButton", QStringLiteral("Отмена"));
    CloseButton->resize(105, kButtonHeight);
    return Panel1;
}

QFrame* TRptFrm::createFindPanel() {
    pnlFind = panel(this, "pnlFind");
    auto* row = new QHBoxLayout(pnlFind);
    row->setContentsMargins(8, 2, 8, 2);
    QLabel* caption = label(pnlFind, "lbFind", QStringLiteral("Найти:"));
    edFind = named(new QLineEdit(pnlFind), "edFind");
    edFind->setMinimumWidth(240);
    caption->setBuddy(edFind);
    btnFindPrev = glyphButton(pnlFind, "btnFindPrev", QStyle::SP_ArrowUp);
    btnFindPrev->setToolTip(QStringLiteral("Предыдущее совпадение (Shift+F3)"));
    btnFindNext = glyphButton(pnlFind, "btnFindNext", QStyle::SP_ArrowDown);
    btnFindNext->setToolTip(QStringLiteral("Следующее совпадение (F3)"));
    lbFindResult = label(pnlFind, "lbFindResult");
    btnFindClose = named(new QToolButton(pnlFind), "btnFindClose");
    btnFindClose->setText(QStringLiteral("X"));
    btnFindClose->setToolTip(QStringLiteral("Закрыть (Esc)"));
    for (QWidget* part :
         std::initializer_list<QWidget*>{caption, edFind, btnFindPrev, btnFindNext, lbFindResult})
        row->addWidget(part);
    row->addStretch();
    row->addWidget(btnFindClose);
    pnlFind->hide();
    return pnlFind;
}

void TRptFrm::createOptionsPanel() {
    panWBParams = panel(this, "panWBParams");
    panWBParams->setFrameShadow(QFrame::Raised);
    panWBParams->setAutoFillBackground(true);
    auto* columns = new QHBoxLayout(panWBParams);

    auto* view = new QVBoxLayout;
    auto* scaleRow = new QHBoxLayout;
    lbScale = label(panWBParams, "lbScale", QStringLiteral("Масштаб:"));
    edScale = named(new ui::TSpinEdit(panWBParams), "edScale");
    edScale->setRange(kScaleMinimum, kScaleMaximum);
    edScale->setValue(kScaleInitial);
    edScale->setMaxLength(kScaleLength);
    lbScale->setBuddy(edScale);
    scaleRow->addWidget(lbScale);
    scaleRow->addWidget(edScale);
    scaleRow->addStretch();
    view->addLayout(scaleRow);
    cBcPrint = named(new QCheckBox(QStringLiteral("Печатать фон"), panWBParams), "cBcPrint");
    view->addWidget(cBcPrint);
    auto* sizeRow = new QHBoxLayout;
    Label1 = label(panWBParams, "Label1", QStringLiteral("Размер шрифта:"));
    ComboBox1 = named(new QComboBox(panWBParams), "ComboBox1");
    ComboBox1->addItems({QStringLiteral("Самый мелкий"), QStringLiteral("Мелкий"),
                         QStringLiteral("Средний"), QStringLiteral("Крупный"),
                         QStringLiteral("Самый крупный")});
    ComboBox1->setCurrentIndex(HtmlView::kMediumTextSize);
    Label1->setBuddy(ComboBox1);
    sizeRow->addWidget(Label1);
    sizeRow->addWidget(ComboBox1);
    view->addLayout(sizeRow);
    rgOrientation =
        named(new ui::TRadioGroup(QStringLiteral("Ориентация"), panWBParams), "rgOrientation");
    rgOrientation->setItems({QStringLiteral("Книжная"), QStringLiteral("Альбомная")});
    view->addWidget(rgOrientation);
    view->addStretch();
    columns->addLayout(view);

    gbExportData =
        named(new QGroupBox(QStringLiteral("Экспорт данных"), panWBParams), "gbExportData");
    auto* exportLayout = new QVBoxLayout(gbExportData);
    rgChooseExport = named(new ui::TRadioGroup(QStringLiteral("Экспортировать в:"), gbExportData),
                           "rgChooseExport");
    rgChooseExport->setItems(ExportTargetCaptions());
    rgChooseExport->setItemIndex(0);
    exportLayout->addWidget(rgChooseExport);
    btnExport = button(gbExportData, "btnExport", QStringLiteral("Выполнить"));
    exportLayout->addWidget(btnExport);
    columns->addWidget(gbExportData);

    SpeedButton1 = named(new QToolButton(panWBParams), "SpeedButton1");
    SpeedButton1->setText(QStringLiteral("X"));
    SpeedButton1->setToolTip(QStringLiteral("Закрыть"));
    columns->addWidget(SpeedButton1, 0, Qt::AlignTop);

    panWBParams->adjustSize();
    panWBParams->hide();
}

void TRptFrm::createActions() {
    ActionList1 = named(new QObject(this), "ActionList1");
    const auto action = [this](const char* name, const QKeySequence& shortcut) {
        auto* created = named(new QAction(ActionList1), name);
        created->setShortcut(shortcut);
        addAction(created);
        return created;
    };
    ActionOnKeyUp = action("ActionOnKeyUp", Qt::Key_Up);
    ActionOnKeyDown = action("ActionOnKeyDown", Qt::Key_Down);
    ActionOnPgUp = action("ActionOnPgUp", Qt::Key_PageUp);
    ActionOnPgDown = action("ActionOnPgDown", Qt::Key_PageDown);
    ActionOnHome = action("ActionOnHome", Qt::Key_Home);
    ActionOnEnd = action("ActionOnEnd", Qt::Key_End);
    ActionOnEdit = action("ActionOnEdit", Qt::CTRL | Qt::Key_E);
    ActionOnPrint = action("ActionOnPrint", Qt::Key_F5);

    const auto findAction = [this](const char* name, const QKeySequence& shortcut) {
        auto* created = named(new QAction(this), name);
        created->setShortcut(shortcut);
        addAction(created);
        return created;
    };
    acFind = findAction("acFind", Qt::CTRL | Qt::Key_F);
    acFindNext = findAction("acFindNext", Qt::Key_F3);
    acFindPrev = findAction("acFindPrev", Qt::SHIFT | Qt::Key_F3);
}

void TRptFrm::connectHandlers() {
    connect(RptMemo, &QPlainTextEdit::textChanged, this, [this] { memoLines_.reset(); });
    connect(bbtRepForm, &QPushButton::clicked, this, &TRptFrm::bbtRepFormClick);
    connect(sbtnAdditional, &QPushButton::clicked, this, &TRptFrm::sbtnAdditionalClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TRptFrm::SpeedButton1Click);
    connect(CloseButton, &QPushButton::clicked, this, &TRptFrm::CloseButtonClick);
    connect(edScale, &ui::TSpinEdit::changed, this, &TRptFrm::edScaleChange);
    connect(ComboBox1, &QComboBox::activated, this, &TRptFrm::ComboBox1Select);
    connect(wb, &HtmlView::documentComplete, this, &TRptFrm::wbDocumentComplete);
    connect(Timer1, &QTimer::timeout, this, &TRptFrm::Timer1Timer);
    connect(ActionOnKeyUp, &QAction::triggered, this, &TRptFrm::ActionOnKeyUpExecute);
    connect(ActionOnKeyDown, &QAction::triggered, this, &TRptFrm::ActionOnKeyDownExecute);
    connect(ActionOnPgUp, &QAction::triggered, this, &TRptFrm::ActionOnPgUpExecute);
    connect(ActionOnPgDown, &QAction::triggered, this, &TRptFrm::ActionOnPgDownExecute);
    connect(ActionOnHome, &QAction::triggered, this, &TRptFrm::ActionOnHomeExecute);
    connect(ActionOnEnd, &QAction::triggered, this, &TRptFrm::ActionOnEndExecute);
    connect(ActionOnEdit, &QAction::triggered, this, &TRptFrm::ActionOnEditExecute);
    connect(ActionOnPrint, &QAction::triggered, this, &TRptFrm::ActionOnPrintExecute);
    RptMemo->installEventFilter(this);
    connect(bbtPreview, &QPushButton::clicked, this, &TRptFrm::bbtPreviewClick);
    connect(FirstBtn, &QToolButton::clicked, this, &TRptFrm::FirstBtnClick);
    connect(PrevBtn, &QToolButton::clicked, this, &TRptFrm::PrevBtnClick);
    connect(NextBtn, &QToolButton::clicked, this, &TRptFrm::NextBtnClick);
    connect(LastBtn, &QToolButton::clicked, this, &TRptFrm::LastBtnClick);
    connect(PrintButton, &QPushButton::clicked, this, &TRptFrm::PrintButtonClick);
    connect(PrintBtn, &QPushButton::clicked, this, &TRptFrm::PrintBtnClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TRptFrm::BitBtn2Click);
    connect(bbtSetupFont, &QPushButton::clicked, this, &TRptFrm::bbtSetupFontClick);
    connect(cBcPrint, &QCheckBox::clicked, this, &TRptFrm::cBcPrintClick);
    connect(btnExport, &QPushButton::clicked, this, &TRptFrm::btnExportClick);
    connectFind();
}

void TRptFrm::connectFind() {
    connect(acFind, &QAction::triggered, this, &TRptFrm::FindShow);
    connect(acFindNext, &QAction::triggered, this, &TRptFrm::btnFindNextClick);
    connect(acFindPrev, &QAction::triggered, this, &TRptFrm::btnFindPrevClick);
    connect(edFind, &QLineEdit::textChanged, this, &TRptFrm::edFindChange);
    connect(btnFindNext, &QToolButton::clicked, this, &TRptFrm::btnFindNextClick);
    connect(btnFindPrev, &QToolButton::clicked, this, &TRptFrm::btnFindPrevClick);
    connect(btnFindClose, &QToolButton::clicked, this, &TRptFrm::FindClose);
    connect(RptMemo, &QPlainTextEdit::textChanged, this, &TRptFrm::searchTextChanged);
    connect(wb, &QTextEdit::textChanged, this, &TRptFrm::searchTextChanged);
    for (QAbstractScrollArea* view : std::initializer_list<QAbstractScrollArea*>{RptMemo, wb}) {
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &TRptFrm::highlightMatches);
        view->viewport()->installEventFilter(this);
    }
}

}  // namespace kvt::viewer
