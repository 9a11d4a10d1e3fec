#include "widgets/StringGridAccessible.h"

#include "widgets/StringGrid.h"

namespace {

// One cell of a data row. Made when a reader first asks for it and kept by
// the table until the grid goes.
class TGridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    TGridCell(TStringGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override { return grid_ && row_ + 1 < grid_->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return table()->window(); }
    QAccessibleInterface* parent() const override { return table(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (isValid() && t == QAccessible::Description && grid_->cellDescription)
            return grid_->cellDescription(column_, row_ + 1);
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return grid_->cell(column_, row_ + 1).trimmed();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = grid_->cellRect(column_, row_ + 1);
        return r.isEmpty() ? r : QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        s.selected = isSelected();
        s.invisible = rect().isEmpty();
        s.focused = isValid() && grid_->hasFocus() && grid_->row() == row_ + 1 &&
                    grid_->focusColumn() == column_;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override {
        auto* t = static_cast<TStringGridAccessible*>(table());
        return t && t->isRowSelected(row_);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
    }

private:
    QPointer<TStringGrid> grid_;
    int row_;
    int column_;
};

} // namespace

TStringGridAccessible::TStringGridAccessible(TStringGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Table) {}

TStringGridAccessible::~TStringGridAccessible() {
    for (const QAccessible::Id id : std::as_const(cells_))
        QAccessible::deleteAccessibleInterface(id);
}

TStringGrid* TStringGridAccessible::grid() const {
    return static_cast<TStringGrid*>(widget());
}

QAccessibleInterface* TStringGridAccessible::cellAt(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    const int key = row * columnCount() + column;
    if (const auto found = cells_.constFind(key); found != cells_.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* cell = new TGridCell(grid(), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QString TStringGridAccessible::columnDescription(int column) const {
    return column >= 0 && column < columnCount() ? grid()->cell(column, 0) : QString();
}

QString TStringGridAccessible::rowDescription(int row) const {
    return row >= 0 && row < rowCount() ? grid()->cell(0, row + 1).trimmed() : QString();
}

int TStringGridAccessible::columnCount() const {
    return grid()->colCount();
}

int TStringGridAccessible::rowCount() const {
    return grid()->rowCount() - TStringGrid::fixedRows();
}

QList<int> TStringGridAccessible::selectedRows() const {
    QList<int> rows;
    for (int r = 0; r < rowCount(); ++r)
        if (isRowSelected(r))
            rows << r;
    return rows;
}

bool TStringGridAccessible::isRowSelected(int row) const {
    const int gridRow = row + TStringGrid::fixedRows();
    return grid()->rowSelected ? grid()->rowSelected(gridRow) : grid()->row() == gridRow;
}

int TStringGridAccessible::selectedCellCount() const {
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> TStringGridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (const int r : selectedRows())
        for (int c = 0; c < columnCount(); ++c)
            cells << cellAt(r, c);
    return cells;
}

int TStringGridAccessible::childCount() const {
    return rowCount() * columnCount();
}

QAccessibleInterface* TStringGridAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    return cellAt(index / columnCount(), index % columnCount());
}

int TStringGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell || child->parent() != this)
        return -1;
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* TStringGridAccessible::focusChild() const {
    return cellAt(grid()->row() - TStringGrid::fixedRows(), grid()->focusColumn());
}

QAccessibleInterface* TStringGridAccessible::childAt(int x, int y) const {
    const QPoint hit = grid()->mouseToCell(grid()->viewport()->mapFromGlobal(QPoint(x, y)));
    return cellAt(hit.y() - TStringGrid::fixedRows(), hit.x());
}

void* TStringGridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* StringGridAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TStringGrid") && object && object->isWidgetType())
        return new TStringGridAccessible(static_cast<TStringGrid*>(object));
    return nullptr;
}
