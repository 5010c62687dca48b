// The program's report list: a table of rows that the user selects by
// clicking and reorders by dragging, with in-place editing that its user
// switches on or off per column. It drives a QTableWidget of a dialog
// template (the template stays plain Designer material) and owns the left
// mouse button on it. The dialog that holds the table keeps it as a member.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <vector>

class QLabel;
class QTableWidget;

namespace velmora {

class CEditableListCtrl : public QObject {
    Q_OBJECT
public:
    // Makes the table a report view: full-row single selection that goes
    // with the focus frame, grid lines, no row header, the last column
    // stretched, texts never elided, no editing until a column is switched on.
    explicit CEditableListCtrl(QTableWidget* table);
    ~CEditableListCtrl() override;

    QTableWidget* Table() const { return m_pTable; }

    void SetColumnEditable(int column, bool editable);
    bool IsColumnEditable(int column) const;
    void EnableDrag(bool enable) { m_bDragEnabled = enable; }

    int SelectedRow() const; // -1: none
    bool IsDragging() const { return m_bDragging; }
    int DropRow() const { return m_nDropRow; }

    // Where a drop at pos (viewport coordinates) puts the row: in front of
    // the row 10 pixels below the pointer, or at the end below the last row.
    int DropRowAt(const QPoint& pos) const;
    // Moves row from so that it is inserted in front of row drop (the row
    // count appends it); the row keeps its texts, selection and focus.
    // Returns the row's new index and tells the parent through rowMoved.
    int MoveRow(int from, int drop);

    // The mouse, as the event filter hands it on (positions in viewport
    // coordinates for the click, global ones during a drag).
    void OnLButtonDown(const QPoint& pos);
    void OnBeginDrag(int row, const QPoint& globalPos);
    void OnMouseMove(const QPoint& globalPos);
    void OnLButtonUp(const QPoint& globalPos);

signals:
    // After a row was moved by dragging: the parent's data behind the rows
    // must follow, since the rows alone changed.
    void rowMoved(int from, int to);
    void rowDoubleClicked(int row); // -1: not on a row

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TakeFocus();
    void EndDragImage();
    int TopRow() const;
    int LastVisibleRow() const;
    void ScrollToRow(int row);
    void EditSelectedRow();

    QTableWidget* m_pTable;
    std::vector<bool> m_ColumnEditable;
    bool m_bDragEnabled = true;
    bool m_bDragging = false;
    int m_nDragIndex = -1;
    int m_nDropRow = -1;
    QPoint m_ptLast;      // viewport coordinates
    QPoint m_ptPress;     // where the left button went down (viewport)
    int m_nPressRow = -1; // the row it went down on; -1: no drag can start
    QPointer<QLabel> m_pDragImage;
};

} // namespace velmora
