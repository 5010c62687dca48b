#include "app/ui/editable_list_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>

namespace velmora {

namespace {

// Where the pointer holds the picture of the dragged row.
const QPoint kHotSpot(8, 8);
// A drop goes in front of the row this far below the pointer, so that
// letting go on the lower part of a row puts the dragged one after it.
constexpr int kDropOffset = 10;

} // namespace

CEditableListCtrl::CEditableListCtrl(QTableWidget* table) : m_pTable(table)
{
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setShowGrid(true);
    m_pTable->verticalHeader()->hide();
    // The last column takes what the others leave, and a value is shown as
    // it is: a key cut short in the middle is no key.
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->setTextElideMode(Qt::ElideNone);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Dragging and its scrolling are ours: Qt's own would start a drag
    // operation with a modal loop and scroll by pixels.
    m_pTable->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_pTable->setDragEnabled(false);
    m_pTable->setAutoScroll(false);
    m_pTable->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_pTable->setWordWrap(false);
    m_pTable->viewport()->installEventFilter(this);
    m_pTable->installEventFilter(this);
    for (QScrollBar* bar : {m_pTable->verticalScrollBar(), m_pTable->horizontalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { TakeFocus(); });
    // The focus frame looks like a selection, and the buttons act on the
    // selection: the row with the frame is the selected one. Qt puts the
    // frame on the first row when the table gets the keyboard focus.
    connect(m_pTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !m_pTable->selectionModel()->isRowSelected(current.row(), QModelIndex()))
                    m_pTable->selectionModel()->select(current,
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            });
}

CEditableListCtrl::~CEditableListCtrl()
{
    EndDragImage();
}

void CEditableListCtrl::SetColumnEditable(int column, bool editable)
{
    if (column < 0) return;
    if (static_cast<size_t>(column) >= m_ColumnEditable.size()) m_ColumnEditable.resize(column + 1, true);
    m_ColumnEditable[static_cast<size_t>(column)] = editable;
}

bool CEditableListCtrl::IsColumnEditable(int column) const
{
    if (column < 0) return false;
    return static_cast<size_t>(column) >= m_ColumnEditable.size() || m_ColumnEditable[static_cast<size_t>(column)];
}

int CEditableListCtrl::SelectedRow() const
{
    const QModelIndexList rows = m_pTable->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CEditableListCtrl::TakeFocus()
{
    if (!m_pTable->hasFocus()) m_pTable->setFocus(Qt::MouseFocusReason);
}

int CEditableListCtrl::TopRow() const
{
    return m_pTable->rowAt(0);
}

int CEditableListCtrl::LastVisibleRow() const
{
    // The last row that is visible in full.
    const int height = m_pTable->viewport()->height();
    int row = m_pTable->rowAt(height - 1);
    if (row < 0) return m_pTable->rowCount() - 1;
    if (m_pTable->rowViewportPosition(row) + m_pTable->rowHeight(row) > height && row > TopRow()) --row;
    return row;
}

void CEditableListCtrl::ScrollToRow(int row)
{
    m_pTable->scrollTo(m_pTable->model()->index(row, 0), QAbstractItemView::EnsureVisible);
    m_pTable->viewport()->repaint();
}

int CEditableListCtrl::DropRowAt(const QPoint& pos) const
{
    const int row = m_pTable->rowAt(pos.y() + kDropOffset);
    return row >= 0 ? row : m_pTable->rowCount();
}

int CEditableListCtrl::MoveRow(int from, int drop)
{
    const int rows = m_pTable->rowCount();
    if (from < 0 || from >= rows) return -1;
    drop = std::clamp(drop, 0, rows);
    const bool wasSelected = m_pTable->selectionModel()->isRowSelected(from, QModelIndex());
    const bool wasCurrent = m_pTable->currentRow() == from;

    m_pTable->insertRow(drop);
    const int source = drop <= from ? from + 1 : from;
    for (int column = 0; column < m_pTable->columnCount(); ++column)
        m_pTable->setItem(drop, column, m_pTable->takeItem(source, column));
    m_pTable->removeRow(source);

    const int to = drop <= from ? drop : drop - 1;
    if (wasSelected)
        m_pTable->setCurrentCell(to, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else if (wasCurrent)
        m_pTable->setCurrentCell(to, 0, QItemSelectionModel::NoUpdate);
    m_pTable->horizontalHeader()->viewport()->repaint();
    emit rowMoved(from, to);
    return to;
}

void CEditableListCtrl::OnLButtonDown(const QPoint& pos)
{
    TakeFocus();
    m_ptPress = pos;
    m_nPressRow = m_pTable->rowAt(pos.y());
    if (m_nPressRow < 0 || m_pTable->columnAt(pos.x()) < 0) {
        // Beside the rows, as in any report list: nothing stays selected.
        m_nPressRow = -1;
        m_pTable->clearSelection();
        m_pTable->selectionModel()->clearCurrentIndex();
        return;
    }
    if (m_nPressRow != m_pTable->currentRow() || SelectedRow() != m_nPressRow)
        m_pTable->setCurrentCell(m_nPressRow, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CEditableListCtrl::OnBeginDrag(int row, const QPoint& globalPos)
{
    if (!m_bDragEnabled || m_bDragging || row < 0 || row >= m_pTable->rowCount()) return;
    m_nDragIndex = row;
    TakeFocus();

    QWidget* viewport = m_pTable->viewport();
    const QRect rowRect(0, m_pTable->rowViewportPosition(row), viewport->width(), m_pTable->rowHeight(row));
    m_pDragImage = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_pDragImage->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pDragImage->setPixmap(viewport->grab(rowRect.intersected(viewport->rect())));
    m_pDragImage->adjustSize();
    m_pDragImage->move(globalPos - kHotSpot);
    m_pDragImage->show();

    m_bDragging = true;
    m_nDropRow = -1;
    // No grab of the pointer: while the button is held, Qt hands every move
    // and the release to the viewport that got the press.
    m_ptLast = viewport->mapFromGlobal(globalPos);
}

void CEditableListCtrl::OnMouseMove(const QPoint& globalPos)
{
    if (!m_bDragging) return;
    TakeFocus();
    // The picture sits under the pointer: out of the way while we look
    // for what is really there.
    if (m_pDragImage) {
        m_pDragImage->move(globalPos - kHotSpot);
        m_pDragImage->hide();
    }
    QWidget* under = QApplication::widgetAt(globalPos);
    m_ptLast = m_pTable->viewport()->mapFromGlobal(globalPos);
    if (under && (under == m_pTable || m_pTable->isAncestorOf(under))) {
        const int row = m_pTable->rowAt(m_ptLast.y());
        if (row >= 0 && row == TopRow() && row > 0)
            ScrollToRow(row - 1);
        else if (row >= 0 && row == LastVisibleRow() && row + 1 < m_pTable->rowCount())
            ScrollToRow(row + 1);
    }
    if (m_pDragImage) m_pDragImage->show();
}

void CEditableListCtrl::OnLButtonUp(const QPoint& globalPos)
{
    if (!m_bDragging) return;
    m_bDragging = false;
    EndDragImage();
    // The row moves within this list only: a drop anywhere else, another
    // list included, leaves the rows as they were.
    QWidget* under = QApplication::widgetAt(globalPos);
    if (!under || (under != m_pTable && !m_pTable->isAncestorOf(under))) return;
    m_ptLast = m_pTable->viewport()->mapFromGlobal(globalPos);
    m_nDropRow = DropRowAt(m_ptLast);
    MoveRow(m_nDragIndex, m_nDropRow);
}

void CEditableListCtrl::EndDragImage()
{
    delete m_pDragImage;
}

void CEditableListCtrl::EditSelectedRow()
{
    const int row = SelectedRow();
    if (row < 0) return;
    for (int column = 0; column < m_pTable->columnCount(); ++column) {
        if (!IsColumnEditable(column)) continue;
        if (QTableWidgetItem* item = m_pTable->item(row, column)) m_pTable->editItem(item);
        return;
    }
}

bool CEditableListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pTable) {
        if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) EditSelectedRow();
        }
        return false;
    }
    if (watched != m_pTable->viewport()) return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        OnLButtonDown(e->position().toPoint());
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        OnLButtonDown(e->position().toPoint());
        emit rowDoubleClicked(m_nPressRow);
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint global = e->globalPosition().toPoint();
        if (m_bDragging) {
            OnMouseMove(global);
            return true;
        }
        if (!(e->buttons() & Qt::LeftButton)) return false;
        if (m_nPressRow >= 0 && m_bDragEnabled &&
            (e->position().toPoint() - m_ptPress).manhattanLength() >= QApplication::startDragDistance())
            OnBeginDrag(m_nPressRow, global);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        OnLButtonUp(e->globalPosition().toPoint());
        m_nPressRow = -1;
        return true;
    }
    default: return false;
    }
}

} // namespace velmora
