#include "data/DataSetModel.h"

#include <algorithm>

namespace kvt::data {

namespace {

Qt::Alignment qtAlignment(FieldAlignment alignment) {
    switch (alignment) {
        case FieldAlignment::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case FieldAlignment::Center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case FieldAlignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// The private cursor's field shows itself exactly as the dataset's own field does.
void copyPresentation(const Field& from, Field& to) {
    to.DisplayLabel = from.DisplayLabel;
    to.Visible = from.Visible;
    to.DisplayWidth = from.EffectiveDisplayWidth();
    to.Alignment = from.Alignment;
    to.DisplayFormat = from.DisplayFormat;
    to.Currency = from.Currency;
    to.Origin = from.Origin;
    to.OnGetText = from.OnGetText;
}

}  // namespace

DataSetModel::DataSetModel(DataSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(&source), cursor_("DataSetModel") {
    source_->addObserver(*this);
    rebuild();
}

DataSetModel::~DataSetModel() {
    if (source_)
        source_->removeObserver(*this);
}

ClientDataSet* DataSetModel::dataSet() const {
    return source_ ? source_->DataSet() : nullptr;
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(cursorFields_.size());
}

Field* DataSetModel::fieldAt(int column) const {
    if (column < 0 || column >= static_cast<int>(sourceFields_.size()))
        return nullptr;
    return sourceFields_[static_cast<std::size_t>(column)];
}

bool DataSetModel::moveCursorTo(int row) const {
    if (row < 0 || row >= rows_)
        return false;
    cursor_.SetRecNo(row + 1);
    return true;
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount())
        return {};
    const Field& field = *cursorFields_[static_cast<std::size_t>(index.column())];
    switch (role) {
        case Qt::DisplayRole:
            if (!moveCursorTo(index.row()))
                return {};
            return QString::fromStdString(field.DisplayText());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(field.Alignment));
        case DisplayWidthRole:
            return field.DisplayWidth;
        case CurrentRowRole:
            return index.row() == currentRow_;
        default:
            return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const Field& field = *cursorFields_[static_cast<std::size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(field.DisplayName());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(field.Alignment));
        case DisplayWidthRole:
            return field.DisplayWidth;
        default:
            return {};
    }
}

std::vector<Bookmark> DataSetModel::bookmarksOf(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(indexes.size()));
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && index.model() == this)
            rows.push_back(index.row());
    }
    return bookmarksOf(std::move(rows));
}

std::vector<Bookmark> DataSetModel::bookmarksOf(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<Bookmark> bookmarks;
    for (const int row : rows) {
        if (moveCursorTo(row))
            bookmarks.push_back(cursor_.GetBookmark());
    }
    return bookmarks;
}

int DataSetModel::rowOf(const Bookmark& bookmark) const {
    if (rows_ == 0 || !cursor_.BookmarkValid(bookmark))
        return -1;
    cursor_.GotoBookmark(bookmark);
    return cursor_.RecNo() - 1;
}

int DataSetModel::currentRow() const {
    return currentRow_;
}

void DataSetModel::setCurrentRow(int row) {
    ClientDataSet* set = dataSet();
    if (set && row >= 0 && row < rows_)
        set->SetRecNo(row + 1);
}

void DataSetModel::reload() {
    beginResetModel();
    rebuild();
    endResetModel();
}

void DataSetModel::rebuild() {
    sourceFields_.clear();
    cursorFields_.clear();
    rows_ = 0;
    currentRow_ = -1;
    ClientDataSet* set = dataSet();
    if (!set || !set->Active()) {
        cursor_.Close();
        return;
    }
    cursor_.CloneCursor(*set, false);
    for (Field* field : set->Fields()) {
        Field* own = field->Visible ? cursor_.FindField(field->FieldName()) : nullptr;
        if (!own)
            continue;
        copyPresentation(*field, *own);
        sourceFields_.push_back(field);
        cursorFields_.push_back(own);
    }
    rows_ = cursor_.RecordCount();
    currentRow_ = set->RecNo() - 1;
}

void DataSetModel::emitCurrentRowChanged() {
    const int previous = currentRow_;
    ClientDataSet* set = dataSet();
    currentRow_ = set && set->Active() ? set->RecNo() - 1 : -1;
    if (previous == currentRow_ || columnCount() == 0)
        return;
    for (const int row : {previous, currentRow_}) {
        if (row >= 0 && row < rows_)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1), {CurrentRowRole});
    }
}

void DataSetModel::dataSourceEvent(DataSource&, DataEvent event) {
    if (event == DataEvent::CursorMoved)
        emitCurrentRowChanged();
    else
        reload();
}

void DataSetModel::dataSourceDestroyed(DataSource&) {
    beginResetModel();
    source_ = nullptr;
    rebuild();
    endResetModel();
}

}  // namespace kvt::data
