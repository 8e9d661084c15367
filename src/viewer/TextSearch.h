#pragma once
// Finding a word in a report as the operator looks for it: a car number, a card, a name, in
// whatever case it was typed. The text is folded once, so that stepping through the matches of
// a long report costs nothing more than the search itself.
#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

namespace kvt::viewer {

class TextSearch {
public:
    // The text as a view's document holds it (QTextDocument::toRawText): its positions are the
    // positions of the document.
    explicit TextSearch(QStringView text);

    // Finds every occurrence of `pattern` from the start of the text, regardless of case and
    // none overlapping the one before; none of them is current. An empty pattern finds none.
    void setPattern(QStringView pattern);
    qsizetype patternLength() const { return pattern_.size(); }

    // The start positions of the matches, ascending.
    const std::vector<qsizetype>& matches() const { return matches_; }
    qsizetype count() const { return static_cast<qsizetype>(matches_.size()); }
    // The index of the current match in matches(), -1 when none is.
    qsizetype current() const { return current_; }
    // The start of the current match, -1 when none is.
    qsizetype currentPosition() const;

    // Each of these makes a match current and returns its index (-1 when there are none).
    // The first match that starts at or after `position`; past the last one, the first.
    qsizetype moveTo(qsizetype position);
    // The match after the current one, the first after the last, the first when none is current.
    qsizetype next();
    // The match before the current one, the last before the first, the last when none is current.
    qsizetype previous();

    // The indexes [first, last) of the matches that lie wholly or partly in [from, to).
    std::pair<qsizetype, qsizetype> matchesWithin(qsizetype from, qsizetype to) const;

    // The text with every letter in one case, position for position: Cyrillic with its Ё, and
    // the document's paragraph and frame marks and no-break spaces read as line ends and
    // blanks, as the operator sees them.
    static QString folded(QStringView text);

private:
    QString text_;
    QString pattern_;
    std::vector<qsizetype> matches_;
    qsizetype current_ = -1;
};

}  // namespace kvt::viewer
