// The report list on its own: clicks, the drop rule of a dragged row, the
// scrolling while dragging and the notification after a move.
#include "app/ui/editable_list_ctrl.h"
#include "tests/app/ui_test_support.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace velmora {
namespace {

class EditableListTest : public ::testing::Test {
protected:
    explicit EditableListTest(int rows = 4) : app(test::App()), table(rows, 2), ctrl(&table)
    {
        for (int r = 0; r < rows; ++r) {
            table.setItem(r, 0, new QTableWidgetItem(QStringLiteral("n%1").arg(r)));
            table.setItem(r, 1, new QTableWidgetItem(QStringLiteral("v%1").arg(r)));
        }
        table.resize(300, 200);
        table.move(50, 50);
        table.show();
        QObject::connect(&ctrl, &CEditableListCtrl::rowMoved,
                         [this](int from, int to) { moves << qMakePair(from, to); });
        QObject::connect(&ctrl, &CEditableListCtrl::rowDoubleClicked, [this](int row) { doubleClicks << row; });
    }

    QWidget* Viewport() { return table.viewport(); }
    QPoint RowPoint(int row, int dy = 0)
    {
        return QPoint(20, table.rowViewportPosition(row) + table.rowHeight(row) / 2 + dy);
    }
    void Mouse(QEvent::Type type, const QPoint& pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(pos), QPointF(Viewport()->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(Viewport(), &e);
    }
    void Press(const QPoint& pos) { Mouse(QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
    void MoveTo(const QPoint& pos) { Mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
    void Release(const QPoint& pos) { Mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }
    // Presses on row and drags far enough for the drag to begin.
    void StartDrag(int row)
    {
        Press(RowPoint(row));
        MoveTo(RowPoint(row) + QPoint(QApplication::startDragDistance() + 2, 0));
        ASSERT_TRUE(ctrl.IsDragging());
    }
    void Drag(int row, const QPoint& to)
    {
        StartDrag(row);
        MoveTo(to);
        Release(to);
    }
    QStringList Rows()
    {
        QStringList rows;
        for (int r = 0; r < table.rowCount(); ++r)
            rows << table.item(r, 0)->text() + QLatin1Char('/') + table.item(r, 1)->text();
        return rows;
    }

    QApplication& app;
    QTableWidget table;
    CEditableListCtrl ctrl;
    QList<QPair<int, int>> moves;
    QList<int> doubleClicks;
};

TEST_F(EditableListTest, ReportViewAndClicks)
{
    EXPECT_TRUE(table.showGrid());
    EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(ctrl.SelectedRow(), -1);

    Press(RowPoint(2) + QPoint(table.columnWidth(0), 0)); // the second column selects the whole row
    Release(RowPoint(2));
    EXPECT_EQ(ctrl.SelectedRow(), 2);
    EXPECT_EQ(table.currentRow(), 2);

    Press(QPoint(20, table.rowViewportPosition(3) + 3 * table.rowHeight(3))); // below the rows
    EXPECT_EQ(ctrl.SelectedRow(), -1);

    Mouse(QEvent::MouseButtonDblClick, RowPoint(1), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonDblClick, QPoint(20, 190), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(doubleClicks, (QList<int>{1, -1}));
    EXPECT_EQ(ctrl.SelectedRow(), -1);
    EXPECT_TRUE(moves.isEmpty());
}

// The buttons of a list act on the selected row: the focus frame, which
// looks like a selection, is never anywhere else.
TEST_F(EditableListTest, TheFocusFrameIsOnTheSelectedRow)
{
    QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&table, &tabbedIn);
    EXPECT_EQ(table.currentRow(), 0);
    EXPECT_EQ(ctrl.SelectedRow(), 0);

    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&table, &down);
    EXPECT_EQ(ctrl.SelectedRow(), 1);
    EXPECT_EQ(table.currentRow(), 1);

    Press(QPoint(20, table.rowViewportPosition(3) + 3 * table.rowHeight(3))); // below the rows
    EXPECT_EQ(ctrl.SelectedRow(), -1);
    EXPECT_EQ(table.currentRow(), -1);
}

TEST_F(EditableListTest, DroppedRowGoesInFrontOfTheRowTenPixelsBelow)
{
    const int h = table.rowHeight(0);
    ASSERT_GT(h, 12);
    // In the lower part of row 1: 10 pixels below is row 2.
    Drag(3, QPoint(20, table.rowViewportPosition(1) + h - 5));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("n0/v0"), QStringLiteral("n1/v1"), QStringLiteral("n3/v3"),
                                   QStringLiteral("n2/v2")}));
    EXPECT_EQ(moves, (QList<QPair<int, int>>{{3, 2}}));
    EXPECT_EQ(ctrl.SelectedRow(), 2); // the moved row keeps its selection
    EXPECT_FALSE(ctrl.IsDragging());

    // In the upper part of row 1: in front of row 1. Downwards, the row
    // taken out makes room.
    Drag(0, QPoint(20, table.rowViewportPosition(2) + 2));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("n1/v1"), QStringLiteral("n0/v0"), QStringLiteral("n3/v3"),
                                   QStringLiteral("n2/v2")}));
    EXPECT_EQ(moves.last(), qMakePair(0, 1));
    EXPECT_EQ(ctrl.SelectedRow(), 1);
}

TEST_F(EditableListTest, DropBelowTheLastRowAppends)
{
    Drag(0, QPoint(20, table.rowViewportPosition(3) + 3 * table.rowHeight(3)));
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("n1/v1"), QStringLiteral("n2/v2"), QStringLiteral("n3/v3"),
                                   QStringLiteral("n0/v0")}));
    EXPECT_EQ(moves, (QList<QPair<int, int>>{{0, 3}}));
    EXPECT_EQ(ctrl.SelectedRow(), 3);
    EXPECT_EQ(ctrl.DropRow(), 4);
}

TEST_F(EditableListTest, ReleaseOutsideTheListChangesNothing)
{
    QWidget other;
    other.resize(100, 100);
    other.move(600, 600);
    other.show();
    StartDrag(1);
    Release(Viewport()->mapFromGlobal(QPoint(650, 650)));
    StartDrag(1);
    Release(Viewport()->mapFromGlobal(QPoint(3000, 3000))); // no window at all
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("n0/v0"), QStringLiteral("n1/v1"), QStringLiteral("n2/v2"),
                                   QStringLiteral("n3/v3")}));
    EXPECT_TRUE(moves.isEmpty());
    EXPECT_FALSE(ctrl.IsDragging());
}

TEST_F(EditableListTest, DraggingIsSwitchedOff)
{
    ctrl.EnableDrag(false);
    Press(RowPoint(0));
    MoveTo(RowPoint(3));
    Release(RowPoint(3));
    EXPECT_FALSE(ctrl.IsDragging());
    EXPECT_TRUE(moves.isEmpty());
    EXPECT_EQ(ctrl.SelectedRow(), 0); // a drag is no selection by sweeping either
}

TEST_F(EditableListTest, EnterEditsTheFirstEditableColumnOnly)
{
    ctrl.SetColumnEditable(0, false);
    ctrl.SetColumnEditable(1, false);
    Press(RowPoint(1));
    Release(RowPoint(1));
    QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&table, &enter);
    EXPECT_EQ(table.indexWidget(table.model()->index(1, 0)), nullptr);
    EXPECT_EQ(table.indexWidget(table.model()->index(1, 1)), nullptr);

    ctrl.SetColumnEditable(1, true);
    QCoreApplication::sendEvent(&table, &enter);
    EXPECT_EQ(table.indexWidget(table.model()->index(1, 0)), nullptr);
    EXPECT_NE(table.indexWidget(table.model()->index(1, 1)), nullptr);
}

class LongListTest : public EditableListTest {
protected:
    LongListTest() : EditableListTest(30) {}
};

TEST_F(LongListTest, DraggingOnTheEdgeRowsScrollsOneRowPerMove)
{
    QScrollBar* bar = table.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(10);
    const int top = table.rowAt(0);
    ASSERT_EQ(top, 10);

    StartDrag(top + 2);
    MoveTo(RowPoint(top));
    EXPECT_EQ(table.rowAt(0), top - 1);
    MoveTo(RowPoint(top - 1)); // the pointer rests on the (new) first visible row
    EXPECT_EQ(table.rowAt(0), top - 2);
    MoveTo(RowPoint(top - 2) + QPoint(1, 0)); // and on the next one
    EXPECT_EQ(table.rowAt(0), top - 3);

    // The last row shown in full scrolls the other way.
    const int height = Viewport()->height();
    int last = table.rowAt(height - 1);
    if (table.rowViewportPosition(last) + table.rowHeight(last) > height) --last;
    const int topBefore = table.rowAt(0);
    MoveTo(RowPoint(last));
    EXPECT_EQ(table.rowAt(0), topBefore + 1);
    Release(RowPoint(last));
    EXPECT_EQ(moves.size(), 1);
}

TEST_F(LongListTest, NoScrollingPastTheEnds)
{
    StartDrag(3);
    MoveTo(RowPoint(0));
    EXPECT_EQ(table.rowAt(0), 0);
    Release(RowPoint(0, -table.rowHeight(0) / 2 + 1)); // the top of row 0: in front of it
    EXPECT_EQ(moves, (QList<QPair<int, int>>{{3, 0}}));
    EXPECT_EQ(table.item(0, 0)->text(), QStringLiteral("n3"));

    table.verticalScrollBar()->setValue(table.verticalScrollBar()->maximum());
    const int height = Viewport()->height();
    const int last = table.rowCount() - 1;
    ASSERT_LE(table.rowViewportPosition(last) + table.rowHeight(last), height);
    const int top = table.rowAt(0);
    StartDrag(top);
    MoveTo(RowPoint(last));
    EXPECT_EQ(table.rowAt(0), top);
    Release(RowPoint(last));
}

} // namespace
} // namespace velmora
