#include "viewer/TextSearch.h"

#include <algorithm>

namespace kvt::viewer {

namespace {

// The marks QTextDocument keeps in its text where the view shows a line end or a blank.
constexpr char16_t kBeginningOfFrame = 0xFDD0;
constexpr char16_t kEndOfFrame = 0xFDD1;

char16_t foldedUnit(char16_t unit) {
    // Latin and Cyrillic, the letters of every report, without a look into Unicode's tables.
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
    if (unit >= u'А' && unit <= u'Я')
        return static_cast<char16_t>(unit + (u'а' - u'А'));
    if (unit >= u'а' && unit <= u'я')
        return unit;
    if (unit >= u'Ѐ' && unit <= u'Џ')
        return static_cast<char16_t>(unit + (u'ѐ' - u'Ѐ'));
    switch (unit) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case kBeginningOfFrame:
        case kEndOfFrame:
            return u'\n';
        case QChar::Nbsp:
            return u' ';
        default:
            // One UTF-16 unit for one: the simple folding, which keeps every position.
            return QChar::toCaseFolded(unit);
    }
}

}  // namespace

TextSearch::TextSearch(QStringView text) : text_(folded(text)) {}

QString TextSearch::folded(QStringView text) {
    QString result(text.size(), Qt::Uninitialized);
    std::ranges::transform(text, result.begin(),
                           [](QChar unit) { return QChar(foldedUnit(unit.unicode())); });
    return result;
}

void TextSearch::setPattern(QStringView pattern) {
    pattern_ = folded(pattern);
    matches_.clear();
    current_ = -1;
    if (pattern_.isEmpty())
        return;
    // The pattern's first letter is looked for with the vector instructions of QStringView's
    // search for one character; only where it stands is the whole pattern compared.
    const QStringView text(text_);
    const QChar first = pattern_.front();
    const qsizetype last = text.size() - pattern_.size();
    for (qsizetype at = text.indexOf(first); at >= 0 && at <= last; at = text.indexOf(first, at)) {
        if (text.sliced(at, pattern_.size()) == pattern_) {
            matches_.push_back(at);
            at += pattern_.size();
        } else {
            ++at;
        }
    }
}

qsizetype TextSearch::currentPosition() const {
    return current_ < 0 ? -1 : matches_[static_cast<std::size_t>(current_)];
}

qsizetype TextSearch::moveTo(qsizetype position) {
    if (matches_.empty())
        return current_ = -1;
    const auto at = std::ranges::lower_bound(matches_, position);
    current_ = at == matches_.end() ? 0 : at - matches_.begin();
    return current_;
}

qsizetype TextSearch::next() {
    if (matches_.empty())
        return current_ = -1;
    current_ = current_ < 0 || current_ + 1 == count() ? 0 : current_ + 1;
    return current_;
}

qsizetype TextSearch::previous() {
    if (matches_.empty())
        return current_ = -1;
    current_ = current_ <= 0 ? count() - 1 : current_ - 1;
    return current_;
}

std::pair<qsizetype, qsizetype> TextSearch::matchesWithin(qsizetype from, qsizetype to) const {
    const auto first = std::ranges::lower_bound(matches_, from - pattern_.size() + 1);
    const auto last = std::lower_bound(first, matches_.end(), to);
    return {first - matches_.begin(), last - matches_.begin()};
}

}  // namespace kvt::viewer
