#include "config/StringGrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace {

class GridDelegate : public QStyledItemDelegate
{
public:
    explicit GridDelegate(StringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QPalette &palette = option.palette;
        if (index.row() == 0 || index.column() == 0) {
            painter->fillRect(option.rect, palette.button());
            painter->setPen(palette.color(QPalette::Dark));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->setPen(palette.color(QPalette::Active, QPalette::ButtonText));
            painter->drawText(option.rect.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft,
                              index.data().toString());
            return;
        }
        const QColor fill = m_grid->cellColour(index.row(), index.column());
        if (!fill.isValid()) {
            QStyleOptionViewItem plain = option;
            plain.state |= QStyle::State_Enabled; // a cell that can't be chosen still reads
            QStyledItemDelegate::paint(painter, plain, index);
            return;
        }
        painter->fillRect(option.rect, fill);
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(palette.color(QPalette::Highlight), 2));
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        }
    }

    // Conflict times are whole seconds: digits and Backspace only.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            static const QRegularExpression digits(QStringLiteral("[0-9]*"));
            line->setValidator(new QRegularExpressionValidator(digits, line));
        }
        return editor;
    }

private:
    StringGrid *m_grid;
};

} // namespace

StringGrid::StringGrid(QWidget *parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setItemDelegate(new GridDelegate(this));
    // Tab leaves the grid: in the mark and flag grids every cell entered is toggled, so a key
    // meant to reach the buttons must never walk through the cells.
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setMinimumSectionSize(20);
}

void StringGrid::setCellColour(std::function<QColor(int, int)> colour)
{
    m_colour = std::move(colour);
    viewport()->update();
}

QColor StringGrid::cellColour(int row, int column) const
{
    return m_colour ? m_colour(row, column) : QColor();
}

void StringGrid::setGridSize(int rows, int columns)
{
    QScopedValueRollback quiet(m_quiet, true);
    if (rowCount() != rows)
        setRowCount(rows);
    if (columnCount() != columns)
        setColumnCount(columns);
}

void StringGrid::setFixedText(int row, int column, const QString &text)
{
    QScopedValueRollback quiet(m_quiet, true);
    auto *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setFlags(Qt::NoItemFlags);
    cell->setText(text);
}

void StringGrid::setDataCell(int row, int column, const QString &text, bool selectable,
                             bool editable)
{
    QScopedValueRollback quiet(m_quiet, true);
    auto *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    Qt::ItemFlags flags = Qt::NoItemFlags;
    if (selectable)
        flags |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (selectable && editable)
        flags |= Qt::ItemIsEditable;
    cell->setFlags(flags);
    cell->setText(text);
}

void StringGrid::commitEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void StringGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableWidget::currentChanged(current, previous);
    if (!m_quiet && current.isValid() && current.row() > 0 && current.column() > 0)
        emit cellSelected(current.row(), current.column());
}

void StringGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex before = currentIndex();
    const QModelIndex at = indexAt(event->position().toPoint());
    QTableWidget::mousePressEvent(event);
    // A click on the cell that is already current selects it again.
    if (at.isValid() && at == before && currentIndex() == before && at.row() > 0 &&
        at.column() > 0 && (at.flags() & Qt::ItemIsEnabled))
        emit cellSelected(at.row(), at.column());
}

void StringGrid::focusInEvent(QFocusEvent *event)
{
    // Gaining focus makes the view pick a current cell; that is no choice of the user's.
    QScopedValueRollback quiet(m_quiet, true);
    QTableWidget::focusInEvent(event);
}
