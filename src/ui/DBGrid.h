#pragma once
// A read-only grid over the dataset behind a data source, as the station's forms show lists:
// one column per visible field (or the fields of the grid's own column list), the dataset's
// current record as the grid's current row (moving
// either moves the other), a marked-rows list in record order for forms that let the operator
// pick several rows, and a cell-drawing handler through which a form colours single cells.
#include <QColor>
#include <QString>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/ClientDataSet.h"
#include "data/DataSetModel.h"
#include "data/DataSource.h"

namespace kvt::ui {

// What a cell-drawing handler knows of the cell being drawn, and the brush it may choose.
struct GridCell {
    int dataCol = 0;  // the field's column among the grid's columns, from 0
    const data::Field& field;
    int recNo = 0;                // the record drawn, 1-based in the dataset's visible order
    std::optional<QColor> brush;  // the cell's background; unset: the grid's own
};

// A column of a grid that lists its own columns: the field it shows, its title and its width in
// pixels.
struct GridColumn {
    std::string fieldName;
    QString title;
    int width = 0;
};

enum class GridOption : unsigned {
    Titles = 1u << 0,
    Indicator = 1u << 1,
    ColumnResize = 1u << 2,
    ColLines = 1u << 3,
    RowLines = 1u << 4,
    Tabs = 1u << 5,
    RowSelect = 1u << 6,
    ConfirmDelete = 1u << 7,
    CancelOnExit = 1u << 8,
    MultiSelect = 1u << 9,
};

class GridOptions {
public:
    constexpr GridOptions() = default;
    constexpr GridOptions(std::initializer_list<GridOption> options) {
        for (const GridOption option : options)
            bits_ |= static_cast<unsigned>(option);
    }
    constexpr bool has(GridOption option) const {
        return (bits_ & static_cast<unsigned>(option)) != 0;
    }
    constexpr GridOptions with(GridOption option) const {
        GridOptions result = *this;
        result.bits_ |= static_cast<unsigned>(option);
        return result;
    }
    constexpr bool operator==(const GridOptions&) const = default;

private:
    unsigned bits_ = 0;
};

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    using DrawColumnCellHandler = std::function<void(GridCell& cell)>;

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    data::DataSource* DataSource() const;
    // Shows the dataset behind `source` (none: an empty grid).
    void SetDataSource(data::DataSource* source);
    data::ClientDataSet* DataSet() const;

    GridOptions Options() const { return options_; }
    void SetOptions(GridOptions options);

    // With a column list the grid shows just those fields, in the list's order, under the
    // list's titles and widths; a listed field the dataset lacks is left out. Empty: every
    // visible field, titled and sized by the field itself.
    void SetColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& Columns() const { return columns_; }
    // The title shown over a model column: the column list's, else the field's label.
    QString columnTitle(int column) const;

    // The marked records, each once, in record order (MultiSelect only; empty otherwise).
    std::vector<data::Bookmark> SelectedRows() const;

    // Runs before the grid draws each cell; it may choose the cell's brush. The handler must not
    // raise: a grid cannot fail while it paints. None: every cell drawn as usual.
    void SetOnDrawColumnCell(DrawColumnCellHandler handler);
    const DrawColumnCellHandler& OnDrawColumnCell() const { return onDrawColumnCell_; }

    // The brush the handler chose for the cell of `row` and `column` (model positions), for the
    // painting delegate.
    std::optional<QColor> cellBrush(int row, int column) const;

signals:
    // A printable character typed while the grid has the focus (the form searches with it).
    void KeyPress(const QString& text);
    // A double click anywhere on the grid, on a row or not.
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The form does its own typed search: the view's own would move the row a second time.
    void keyboardSearch(const QString& search) override;

private:
    void applyOptions();
    void applyColumnWidths();
    void applyColumnList();
    // The column-list entry of a model column; nullptr without a list or when it lists none.
    const GridColumn* listedColumn(int column) const;
    void followCursor();
    void currentRowChosen(const QModelIndex& current);

    data::DataSource* source_ = nullptr;
    std::unique_ptr<data::DataSetModel> model_;
    GridOptions options_;
    std::vector<GridColumn> columns_;
    DrawColumnCellHandler onDrawColumnCell_;
};

}  // namespace kvt::ui
