// The string grid as screen readers see it: a table whose rows are the grid's
// data rows and whose columns carry the header row's captions; the current
// row is the focused one.
#pragma once

#include <QAccessibleWidget>
#include <QHash>

class TStringGrid;

class TStringGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TStringGridAccessible(TStringGrid* grid);
    ~TStringGridAccessible() override;

    // The cell of a data row (0 is the grid's first row below the header).
    QAccessibleInterface* cellAt(int row, int column) const override;
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedRows().size(); }
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    QAccessible::Role role() const override { return QAccessible::Table; }
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    TStringGrid* grid() const;

private:
    mutable QHash<int, QAccessible::Id> cells_;
};

// Screen readers' view of every TStringGrid (installed by the grid itself).
QAccessibleInterface* StringGridAccessibleFactory(const QString& className, QObject* object);
