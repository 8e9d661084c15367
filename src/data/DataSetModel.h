#pragma once

// A Qt item model over the dataset behind a data source, for the grids of the forms: one column
// per visible field, one row per visible record in the dataset's order. Cells are read through a
// private cloned cursor, so that painting a grid never moves the dataset's own cursor and never
// disturbs the details that follow it.

#include <QAbstractTableModel>
#include <QModelIndexList>
#include <vector>

#include "data/ClientDataSet.h"
#include "data/DataEvents.h"
#include "data/DataSource.h"

namespace kvt::data {

class DataSetModel : public QAbstractTableModel, private DataSourceObserver {
public:
    enum Role {
        // The field's display width in characters (data and horizontal header); the view turns
        // it into pixels with its own font.
        DisplayWidthRole = Qt::UserRole + 1,
        // True on the row of the dataset's current record.
        CurrentRowRole,
    };

    explicit DataSetModel(DataSource& source, QObject* parent = nullptr);
    ~DataSetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    DataSource* source() const { return source_; }
    // The field shown in a column, or nullptr outside the columns.
    Field* fieldAt(int column) const;

    // The records of the given rows (or of the rows of the given indexes), each once, in record
    // order; rows outside the model are left out.
    std::vector<Bookmark> bookmarksOf(const QModelIndexList& indexes) const;
    std::vector<Bookmark> bookmarksOf(std::vector<int> rows) const;
    // The row of a record, or -1 when it is not among the visible records.
    int rowOf(const Bookmark& bookmark) const;

    // The row of the dataset's current record, -1 when there is none.
    int currentRow() const;
    // Moves the dataset's cursor to the row.
    void setCurrentRow(int row);

    // Reads the columns and records anew, after presentation properties of fields were changed
    // in place.
    void reload();

private:
    void dataSourceEvent(DataSource& source, DataEvent event) override;
    void dataSourceDestroyed(DataSource& source) override;

    ClientDataSet* dataSet() const;
    void rebuild();
    bool moveCursorTo(int row) const;
    void emitCurrentRowChanged();

    DataSource* source_;
    mutable ClientDataSet cursor_;
    std::vector<Field*> sourceFields_;  // visible fields of the dataset
    std::vector<Field*> cursorFields_;  // the same fields of the private cursor
    int rows_ = 0;
    int currentRow_ = -1;
};

}  // namespace kvt::data
