// TRptFrm's find bar: the operator's search through the report as it is shown, the memo's text
// in the old format and the page in the new.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "viewer/HtmlView.h"
#include "viewer/RptForm.h"
#include "viewer/TextSearch.h"

namespace kvt::viewer {

namespace {

QTextCharFormat matchFormat(bool current) {
    QTextCharFormat format;
    format.setBackground(current ? QColor(0xFF, 0x96, 0x32) : QColor(Qt::yellow));
    format.setForeground(Qt::black);
    return format;
}

QTextCursor spanning(QTextDocument& document, qsizetype from, qsizetype to) {
    QTextCursor cursor(&document);
    cursor.setPosition(static_cast<int>(from));
    cursor.setPosition(static_cast<int>(to), QTextCursor::KeepAnchor);
    return cursor;
}

// A report may hold tens of thousands of matches; only those in the lines on screen are marked,
// which keeps painting and scrolling as fast as without them.
template <class View>
QList<QTextEdit::ExtraSelection> visibleMatches(View& view, const TextSearch& search) {
    const QRect area = view.viewport()->rect();
    const QTextBlock first = view.cursorForPosition(area.topLeft()).block();
    const QTextBlock last = view.cursorForPosition(area.bottomRight()).block();
    const auto [begin, end] =
        search.matchesWithin(first.position(), last.position() + last.length());
    QList<QTextEdit::ExtraSelection> selections;
    for (qsizetype index = begin; index < end; ++index) {
        const qsizetype at = search.matches()[static_cast<std::size_t>(index)];
        selections.append({spanning(*view.document(), at, at + search.patternLength()),
                           matchFormat(index == search.current())});
    }
    return selections;
}

// The end first and then the start: a long match at the right edge comes wholly into view, and
// the cursor stays at its start, where the next search goes on from.
template <class View>
void bringIntoView(View& view, qsizetype from, qsizetype to) {
    for (const qsizetype position : {to, from}) {
        view.setTextCursor(spanning(*view.document(), position, position));
        view.ensureCursorVisible();
    }
}

}  // namespace

template <class Body>
void TRptFrm::withSearchedView(Body&& body) {
    if (HtmlMode)
        body(static_cast<QTextEdit&>(*wb));
    else if (Panel3->isHidden())
        body(*RptMemo);
}

void TRptFrm::FindShow() {
    guarded([this] { openFind(); });
}

void TRptFrm::openFind() {
    // The page preview is a picture of the pages, with no text to search.
    if (!Panel3->isHidden())
        return;
    pnlFind->show();
    placeOptionsPanel();
    edFind->setFocus();
    edFind->selectAll();
    if (searchShown() != nullptr)
        showCurrentMatch();
}

void TRptFrm::FindClose() {
    guarded([this] {
        pnlFind->hide();
        placeOptionsPanel();
        clearHighlights();
        search_.reset();
        keptMatch_ = -1;
        withSearchedView([](auto& view) { view.setFocus(); });
    });
}

void TRptFrm::edFindChange() {
    guarded([this] {
        if (pnlFind->isHidden())
            return;
        TextSearch* search = searchShown();
        if (search == nullptr)
            return;
        // Typing on narrows the search from where it stands, the way the operator reads on.
        qsizetype from = search->currentPosition();
        if (from < 0)
            withSearchedView([&from](auto& view) { from = view.textCursor().selectionStart(); });
        search->setPattern(edFind->text());
        search->moveTo(from);
        showCurrentMatch();
    });
}

void TRptFrm::btnFindNextClick() {
    findStep(&TextSearch::next);
}

void TRptFrm::btnFindPrevClick() {
    findStep(&TextSearch::previous);
}

void TRptFrm::findStep(qsizetype (TextSearch::*step)()) {
    guarded([this, step] {
        if (pnlFind->isHidden()) {
            openFind();
            if (pnlFind->isHidden())
                return;
        }
        TextSearch* search = searchShown();
        if (search == nullptr)
            return;
        (search->*step)();
        showCurrentMatch();
    });
}

TextSearch* TRptFrm::searchShown() {
    if (search_ && searchInHtml_ == HtmlMode)
        return search_.get();
    // A match kept from the text before is where the search goes on in the same view.
    const qsizetype kept = searchInHtml_ == HtmlMode ? keptMatch_ : -1;
    search_.reset();
    keptMatch_ = -1;
    searchInHtml_ = HtmlMode;
    withSearchedView([this, kept](auto& view) {
        search_ = std::make_unique<TextSearch>(view.document()->toRawText());
        search_->setPattern(edFind->text());
        search_->moveTo(kept >= 0 ? kept : view.textCursor().selectionStart());
    });
    return search_.get();
}

// The memo's text changes with editing after Ctrl+E, the page's each time it is laid out anew
// for a zoom; the changes come in bursts, and the search is made again once after them.
void TRptFrm::searchTextChanged() {
    if (search_) {
        keptMatch_ = search_->currentPosition();
        search_.reset();
    }
    if (pnlFind->isHidden() || findRefreshPending_)
        return;
    findRefreshPending_ = true;
    QMetaObject::invokeMethod(this, &TRptFrm::refreshFind, Qt::QueuedConnection);
}

void TRptFrm::refreshFind() {
    findRefreshPending_ = false;
    guarded([this] {
        clearHighlights();
        if (pnlFind->isHidden())
            return;
        searchShown();
        highlightMatches();
        showFindResult();
    });
}

void TRptFrm::showCurrentMatch() {
    if (const qsizetype at = search_->currentPosition(); at >= 0)
        withSearchedView(
            [this, at](auto& view) { bringIntoView(view, at, at + search_->patternLength()); });
    highlightMatches();
    showFindResult();
}

void TRptFrm::highlightMatches() {
    if (pnlFind->isHidden() || !search_ || searchInHtml_ != HtmlMode)
        return;
    withSearchedView(
        [this](auto& view) { view.setExtraSelections(visibleMatches(view, *search_)); });
}

void TRptFrm::clearHighlights() {
    RptMemo->setExtraSelections({});
    wb->setExtraSelections({});
}

void TRptFrm::showFindResult() {
    if (!search_ || edFind->text().isEmpty())
        lbFindResult->clear();
    else if (search_->count() == 0)
        lbFindResult->setText(QStringLiteral("не найдено"));
    else
        lbFindResult->setText(
            QStringLiteral("%1 из %2").arg(search_->current() + 1).arg(search_->count()));
}

}  // namespace kvt::viewer
