#include "data/DataSetModel.h"

#include <algorithm>
#include <exception>

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

}  // namespace

DataSetModel::DataSetModel(DataSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(&source) {
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
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

Field* DataSetModel::fieldAt(int column) const {
    if (column < 0 || column >= columnCount())
        return nullptr;
    return fields_[static_cast<std::size_t>(column)];
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    const Field* field = index.isValid() ? fieldAt(index.column()) : nullptr;
    if (!field || !hasRow(index.row()))
        return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            try {
                return QString::fromStdString(
                    dataSet()->FieldTextAt(index.row() + 1, *field, role == Qt::DisplayRole));
            } catch (const std::exception&) {
                return {};
            }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(field->Alignment));
        case DisplayWidthRole:
            return field->EffectiveDisplayWidth();
        case CurrentRowRole:
            return index.row() == currentRow_;
        default:
            return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const Field* field = orientation == Qt::Horizontal ? fieldAt(section) : nullptr;
    if (!field)
        return {};
    switch (role) {
        case Qt::DisplayRole:
            if (const auto titled = columnTitles_.find(section); titled != columnTitles_.end())
                return titled->second;
            return QString::fromStdString(field->DisplayName());
        case FieldNameRole:
            return QString::fromStdString(field->FieldName());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(field->Alignment));
        case DisplayWidthRole:
            return field->EffectiveDisplayWidth();
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

// Rows are record numbers minus one, so sorting the rows puts the bookmarks in record order.
std::vector<Bookmark> DataSetModel::bookmarksOf(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<Bookmark> bookmarks;
    for (const int row : rows) {
        if (hasRow(row))
            bookmarks.push_back(dataSet()->BookmarkAt(row + 1));
    }
    return bookmarks;
}

int DataSetModel::rowOf(const Bookmark& bookmark) const {
    return rows_ == 0 ? -1 : dataSet()->RecNoOf(bookmark) - 1;
}

int DataSetModel::currentRow() const {
    return currentRow_;
}

void DataSetModel::setCurrentRow(int row) {
    if (hasRow(row))
        dataSet()->SetRecNo(row + 1);
}

void DataSetModel::reload() {
    beginResetModel();
    rebuild();
    endResetModel();
}

void DataSetModel::setColumnTitle(int column, QString title) {
    columnTitles_[column] = std::move(title);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void DataSetModel::rebuild() {
    fields_.clear();
    columnTitles_.clear();
    rows_ = 0;
    currentRow_ = -1;
    ClientDataSet* set = dataSet();
    if (!set || !set->Active())
        return;
    for (Field* field : set->Fields()) {
        if (field->Visible)
            fields_.push_back(field);
    }
    // Counting fetches every packet the dataset may fetch, so every row can be peeked at.
    rows_ = set->RecordCount();
    currentRow_ = set->RecNo() - 1;
}

void DataSetModel::emitCurrentRowChanged() {
    const int previous = currentRow_;
    ClientDataSet* set = dataSet();
    currentRow_ = set && set->Active() ? set->RecNo() - 1 : -1;
    if (previous == currentRow_ || columnCount() == 0)
        return;
    for (const int row : {previous, currentRow_}) {
        if (hasRow(row))
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
