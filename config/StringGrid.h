#pragma once

#include <QColor>
#include <QTableWidget>

#include <functional>

// A grid with a fixed header row and column (row 0 and column 0 are ordinary cells that can
// not be selected), whose data cells may be painted in plain colours. Selecting a cell by mouse
// or keyboard reports it, also when the current cell is clicked again, because the editors
// toggle a value on every selection.
class StringGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit StringGrid(QWidget *parent = nullptr);

    // Fill colour of data cell (row, column); an invalid colour leaves the cell plain.
    void setCellColour(std::function<QColor(int, int)> colour);
    [[nodiscard]] QColor cellColour(int row, int column) const;

    // Sets the size, counting the fixed row and column, without reporting a selection.
    void setGridSize(int rows, int columns);
    void setFixedText(int row, int column, const QString &text);
    // Sets a data cell; editable cells accept typing, the others can not be selected.
    void setDataCell(int row, int column, const QString &text, bool selectable, bool editable);
    // Takes over what is being typed into the current cell.
    void commitEdit();

signals:
    void cellSelected(int row, int column);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    std::function<QColor(int, int)> m_colour;
    bool m_quiet = false;
};
