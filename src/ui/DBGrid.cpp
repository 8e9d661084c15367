#include "ui/DBGrid.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kvt::ui {

namespace {

constexpr int kCellPadding = 8;
constexpr int kIndicatorWidth = 12;

// Draws each cell with the brush the grid's handler chose for it; a chosen brush shows also on
// marked rows, as the form means it to.
class CellDelegate final : public QStyledItemDelegate {
public:
    explicit CellDelegate(TDBGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const std::optional<QColor> brush = grid_.cellBrush(index.row(), index.column());
        if (!brush) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.state &= ~QStyle::State_Selected;
        cell.backgroundBrush = *brush;
        const QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    }

private:
    TDBGrid& grid_;
};

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new CellDelegate(*this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(kIndicatorWidth);
    applyOptions();
}

TDBGrid::~TDBGrid() {
    // The view lets go of the model before the model goes.
    setModel(nullptr);
}

data::DataSource* TDBGrid::DataSource() const {
    return source_;
}

data::ClientDataSet* TDBGrid::DataSet() const {
    return source_ ? source_->DataSet() : nullptr;
}

void TDBGrid::SetDataSource(data::DataSource* source) {
    if (source == source_ && (model_ || !source))
        return;
    std::unique_ptr<data::DataSetModel> previous = std::move(model_);
    source_ = source;
    if (source_)
        model_ = std::make_unique<data::DataSetModel>(*source_);
    setModel(model_.get());
    previous.reset();
    if (!model_)
        return;
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        followCursor();
    });
    connect(model_.get(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(data::DataSetModel::CurrentRowRole))
                    followCursor();
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowChosen(current); });
    applyOptions();
    applyColumnWidths();
    followCursor();
}

void TDBGrid::SetOptions(GridOptions options) {
    options_ = options;
    applyOptions();
}

void TDBGrid::applyOptions() {
    horizontalHeader()->setVisible(options_.has(GridOption::Titles));
    verticalHeader()->setVisible(options_.has(GridOption::Indicator));
    horizontalHeader()->setSectionResizeMode(
        options_.has(GridOption::ColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    setShowGrid(options_.has(GridOption::ColLines) || options_.has(GridOption::RowLines));
    setSelectionBehavior(options_.has(GridOption::RowSelect) ? QAbstractItemView::SelectRows
                                                             : QAbstractItemView::SelectItems);
    setSelectionMode(options_.has(GridOption::MultiSelect) ? QAbstractItemView::ExtendedSelection
                                                           : QAbstractItemView::SingleSelection);
}

void TDBGrid::SetColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    // Columns hidden or moved by a previous list come back before the new one applies.
    QHeaderView& header = *horizontalHeader();
    for (int column = 0; column < header.count(); ++column) {
        header.moveSection(header.visualIndex(column), column);
        header.showSection(column);
    }
    applyColumnWidths();
    header.viewport()->update();
}

const GridColumn* TDBGrid::listedColumn(int column) const {
    if (!model_ || columns_.empty())
        return nullptr;
    const QString name =
        model_->headerData(column, Qt::Horizontal, data::DataSetModel::FieldNameRole).toString();
    const auto listed = std::find_if(columns_.begin(), columns_.end(), [&name](const auto& entry) {
        return name.compare(QString::fromStdString(entry.fieldName), Qt::CaseInsensitive) == 0;
    });
    return listed == columns_.end() ? nullptr : &*listed;
}

QString TDBGrid::columnTitle(int column) const {
    return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
}

// Each reset may bring other fields (the dataset reopened, the source switched), so the list is
// laid on again after every one.
void TDBGrid::applyColumnList() {
    QHeaderView& header = *horizontalHeader();
    std::vector<std::pair<std::size_t, int>> shown;  // (list position, model column)
    for (int column = 0; column < model_->columnCount(); ++column) {
        const GridColumn* listed = listedColumn(column);
        setColumnHidden(column, listed == nullptr);
        if (listed) {
            shown.emplace_back(static_cast<std::size_t>(listed - columns_.data()), column);
            setColumnWidth(column, listed->width);
            model_->setColumnTitle(column, listed->title);
        }
    }
    std::sort(shown.begin(), shown.end());
    for (std::size_t visual = 0; visual < shown.size(); ++visual)
        header.moveSection(header.visualIndex(shown[visual].second), static_cast<int>(visual));
}

void TDBGrid::applyColumnWidths() {
    if (!model_)
        return;
    if (!columns_.empty()) {
        applyColumnList();
        return;
    }
    // A display width counts characters of the width of a digit; the title shows whole too.
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
    for (int column = 0; column < model_->columnCount(); ++column) {
        const int characters =
            model_->headerData(column, Qt::Horizontal, data::DataSetModel::DisplayWidthRole)
                .toInt();
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        setColumnWidth(column, std::max(characters * charWidth,
                                        titleMetrics.horizontalAdvance(title) + kCellPadding) +
                                   kCellPadding);
    }
}

std::vector<data::Bookmark> TDBGrid::SelectedRows() const {
    if (!model_ || !options_.has(GridOption::MultiSelect))
        return {};
    return model_->bookmarksOf(selectionModel()->selectedRows());
}

void TDBGrid::SetOnDrawColumnCell(DrawColumnCellHandler handler) {
    onDrawColumnCell_ = std::move(handler);
    viewport()->update();
}

std::optional<QColor> TDBGrid::cellBrush(int row, int column) const {
    if (!onDrawColumnCell_ || !model_)
        return std::nullopt;
    const data::Field* field = model_->fieldAt(column);
    if (!field)
        return std::nullopt;
    GridCell cell{column, *field, row + 1, std::nullopt};
    onDrawColumnCell_(cell);
    return cell.brush;
}

// The dataset's cursor moved (a search, the program): the grid's current row follows without
// touching the marks, as the operator's marks are not the cursor's business.
void TDBGrid::followCursor() {
    if (!model_)
        return;
    const int row = model_->currentRow();
    if (row < 0 || currentIndex().row() == row)
        return;
    const QModelIndex target = model_->index(row, std::max(currentIndex().column(), 0));
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    scrollTo(target);
}

void TDBGrid::currentRowChosen(const QModelIndex& current) {
    if (model_ && current.isValid() && current.row() != model_->currentRow())
        model_->setCurrentRow(current.row());
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (!command && !text.isEmpty() && text.at(0).isPrint()) {
        emit KeyPress(text);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void TDBGrid::keyboardSearch(const QString&) {}

}  // namespace kvt::ui
