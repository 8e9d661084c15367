#pragma once

// A Qt item model over the dataset behind a data source, for the grids of the forms: one column
// per visible field, one row per visible record in the dataset's order. Cells are read with the
// dataset's row peek (FieldTextAt): painting never moves the cursor, never disturbs the details
// that follow it, and a get-text handler sees the painted record as current, also when it reads
// other fields of the dataset ("Time" shown only where "Gsm" is not empty).

#include <QAbstractTableModel>
#include <QModelIndexList>
#include <QString>
#include <map>
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
        // The field's name (horizontal header), which stays when labels change: scripts and
        // tests find a grid's column by it.
        FieldNameRole,
    };

    explicit DataSetModel(DataSource& source, QObject* parent = nullptr);
    ~DataSetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // A cell whose get-text handler fails shows nothing: a grid cannot raise while painting.
    // EditRole gives the field's editing text, DisplayRole the text the grid shows.
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

    // Reads the columns and records anew, after labels, visibility or widths of fields were
    // changed in place.
    void reload();

    // A view's own title over a column, in place of the field's label, until the columns are
    // read anew; every reader of the header (the view, a script) sees the same title.
    void setColumnTitle(int column, QString title);

private:
    void dataSourceEvent(DataSource& source, DataEvent event) override;
    void dataSourceDestroyed(DataSource& source) override;

    ClientDataSet* dataSet() const;
    bool hasRow(int row) const { return row >= 0 && row < rows_; }
    void rebuild();
    void emitCurrentRowChanged();

    DataSource* source_;
    std::vector<Field*> fields_;  // visible fields of the dataset, in order
    std::map<int, QString> columnTitles_;
    int rows_ = 0;
    int currentRow_ = -1;
};

}  // namespace kvt::data
