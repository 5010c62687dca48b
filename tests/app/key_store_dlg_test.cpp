// The key store's dialogs: the two list views, the entry dialogs and what
// each leaves in the settings; rows moved by dragging.
#include "tests/app/isolated_settings.h"
#include "app/settings/key_store.h"
#include "app/ui/key_store_edit_dlg.h"
#include "app/ui/key_store_load_dlg.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "tests/app/ui_test_support.h"
#include "resources/string_ids.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Click;
using test::SetText;
using test::Text;

const QString kZeros16 = QString(32, QLatin1Char('0'));

class KeyStoreDlgTest : public ::testing::Test {
protected:
    KeyStoreDlgTest() { test::App(); }

    static void Store(const QStringList& namesAndValues)
    {
        CKeyStoreItemList list;
        for (int i = 0; i + 1 < namesAndValues.size(); i += 2) list.Append(namesAndValues[i], namesAndValues[i + 1]);
        list.SaveKeyStore();
    }
    static QStringList Stored()
    {
        CKeyStoreItemList list;
        list.LoadKeyStore();
        QStringList out;
        for (int i = 0; i < list.Count(); ++i) out << list.At(i).m_strName + QLatin1Char('=') + list.At(i).m_strValue;
        return out;
    }
    static QTableWidget* Table(const QWidget& dlg) { return test::Find<QTableWidget>(dlg, 1202); }
    static QStringList Rows(const QWidget& dlg)
    {
        QTableWidget* t = Table(dlg);
        QStringList out;
        for (int r = 0; r < t->rowCount(); ++r) out << t->item(r, 0)->text() + QLatin1Char('=') + t->item(r, 1)->text();
        return out;
    }
    static void SelectRow(const QWidget& dlg, int row)
    {
        Table(dlg)->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    static QString Status(const QWidget& dlg) { return Text(dlg, 1197); }

    // The user fills in an entry dialog and presses OK; the dialog's result.
    static test::ScriptedDialogs::Step Enter(const QString& name, const QString& value)
    {
        return [name, value](CModalDialog& dlg) {
            SetText(dlg, 1201, name);
            SetText(dlg, 1114, value);
            Click(dlg, 1);
            return dlg.result();
        };
    }

    // Drags row from of the shown list and lets go in the lower part of row onto.
    static void DragRow(const QWidget& dlg, int from, int onto)
    {
        QTableWidget* t = Table(dlg);
        QWidget* vp = t->viewport();
        auto send = [vp](QEvent::Type type, QPoint pos, Qt::MouseButton b, Qt::MouseButtons bs) {
            QMouseEvent e(type, QPointF(pos), QPointF(vp->mapToGlobal(pos)), b, bs, Qt::NoModifier);
            QCoreApplication::sendEvent(vp, &e);
        };
        const QPoint start(10, t->rowViewportPosition(from) + 3);
        const QPoint end = onto < t->rowCount()
                               ? QPoint(10, t->rowViewportPosition(onto) + t->rowHeight(onto) - 3)
                               : QPoint(10, t->rowViewportPosition(t->rowCount() - 1) + 3 * t->rowHeight(0));
        send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance() + 1), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    }

    test::IsolatedSettings settings;
    test::ScriptedMessages messages;
    test::ScriptedDialogs dialogs;
};

TEST_F(KeyStoreDlgTest, EditViewShowsTheStoreAndKeepsColumnWidths)
{
    Store({QStringLiteral("Tür"), QStringLiteral("00112233445566778899AABBCCDDEEFF"), QStringLiteral("Tor"),
           QStringLiteral("01")});
    WriteProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite0"), 140);
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Programm-Schlüsselspeicher"));
    QTableWidget* t = Table(dlg);
    EXPECT_EQ(t->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
    EXPECT_EQ(t->horizontalHeaderItem(1)->text(), QStringLiteral("Wert"));
    EXPECT_EQ(t->columnWidth(0), 140);
    EXPECT_EQ(Rows(dlg),
              (QStringList{QStringLiteral("Tür=00112233445566778899AABBCCDDEEFF"), QStringLiteral("Tor=01")}));
    EXPECT_FALSE(t->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(test::Find<QPushButton>(dlg, 2)->isDefault());
    EXPECT_EQ(t->accessibleName(), QStringLiteral("Schlüssel im Programm-Schlüsselspeicher:"));

    t->setColumnWidth(0, 230);
    Click(dlg, 2);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(GetProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite0"), 0), 230);
}

TEST_F(KeyStoreDlgTest, ValuesShowInFullAndTheValueColumnTakesTheRoomGiven)
{
    const QString key = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    Store({QStringLiteral("Tür"), key});
    WriteProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite0"), 180);
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QCoreApplication::processEvents();
    QTableWidget* t = Table(dlg);
    const QTableWidgetItem* value = t->item(0, 1);
    EXPECT_TRUE(QFontInfo(value->font()).fixedPitch());
    EXPECT_EQ(t->textElideMode(), Qt::ElideNone);
    EXPECT_GT(t->visualItemRect(value).width(), QFontMetrics(value->font()).horizontalAdvance(key));
    EXPECT_LE(t->visualItemRect(value).right(), t->viewport()->width());

    const int before = t->columnWidth(1);
    dlg.resize(dlg.width() + 100, dlg.height());
    QCoreApplication::processEvents();
    EXPECT_GE(t->columnWidth(1), before + 90);
    EXPECT_EQ(t->columnWidth(0), 180);
}

TEST_F(KeyStoreDlgTest, NewEntriesAndTheOverwriteQuestion)
{
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();

    // Missing name and a key that is no hex text keep the dialog open.
    dialogs.Then([](CModalDialog& entry) {
        EXPECT_EQ(entry.windowTitle(), QStringLiteral("Neuer Schlüsseleintrag"));
        SetText(entry, 1201, QStringLiteral("   "));
        Click(entry, 1);
        EXPECT_EQ(Text(entry, 1068), GermanStr(167));
        SetText(entry, 1201, QStringLiteral("Tür  "));
        SetText(entry, 1114, QStringLiteral("00-11"));
        Click(entry, 1);
        EXPECT_EQ(Text(entry, 1068), GermanStr(176));
        EXPECT_EQ(entry.result(), QDialog::Rejected);
        SetText(entry, 1114, QStringLiteral("00 11 22"));
        Click(entry, 1);
        return entry.result();
    });
    Click(dlg, 3);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsOperationOk));
    EXPECT_EQ(Rows(dlg), QStringList{QStringLiteral("Tür=001122") + QString(26, QLatin1Char('0'))});

    // Same name but for trailing spaces: the question; "No" leaves the dialog open.
    dialogs.Then([this](CModalDialog& entry) {
        messages.answerYes = false;
        SetText(entry, 1201, QStringLiteral("Tür "));
        SetText(entry, 1114, QStringLiteral("0102030405060708090a0b0c0d0e0f1011121314"));
        Click(entry, 1);
        EXPECT_EQ(messages.questions, QStringList{GermanStr(kIdsKeyNameExistsOverwrite)});
        EXPECT_EQ(messages.warnings, messages.questions); // overwriting a key cannot be undone
        EXPECT_EQ(entry.result(), QDialog::Rejected);
        messages.answerYes = true;
        Click(entry, 1);
        return entry.result();
    });
    Click(dlg, 3);
    EXPECT_EQ(Rows(dlg), QStringList{QStringLiteral("Tür=0102030405060708090A0B0C0D0E0F10")});

    // Another case is another name; an empty key is the zero key.
    dialogs.Then(Enter(QStringLiteral("tür"), QString()));
    Click(dlg, 3);
    EXPECT_EQ(messages.questions.size(), 2);
    EXPECT_EQ(Stored(),
              (QStringList{QStringLiteral("Tür=0102030405060708090A0B0C0D0E0F10"), QStringLiteral("tür=") + kZeros16}));

    dialogs.Then(test::ScriptedDialogs::Cancel());
    Click(dlg, 3);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsCancelled));
}

TEST_F(KeyStoreDlgTest, DeleteAndEditActOnTheSelectedRow)
{
    Store({QStringLiteral("a"), QStringLiteral("0A"), QStringLiteral("b"), QStringLiteral("0B"), QStringLiteral("c"),
           QStringLiteral("0C")});
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    Click(dlg, 1203);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsSelectKey));
    Click(dlg, 1205);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsSelectKey));
    EXPECT_TRUE(dialogs.runs.isEmpty());

    SelectRow(dlg, 1);
    Click(dlg, 1203); // no question asked
    EXPECT_EQ(Status(dlg), GermanStr(kIdsDeleteOk));
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("a=0A"), QStringLiteral("c=0C")}));
    EXPECT_EQ(Rows(dlg), Stored());

    SelectRow(dlg, 1);
    dialogs.Then([](CModalDialog& entry) {
        EXPECT_EQ(entry.windowTitle(), QStringLiteral("Schlüsseleintrag ändern"));
        EXPECT_EQ(Text(entry, 1201), QStringLiteral("c"));
        EXPECT_EQ(Text(entry, 1114), QStringLiteral("0C"));
        SetText(entry, 1201, QStringLiteral("C"));
        SetText(entry, 1114, QStringLiteral("cc"));
        Click(entry, 1);
        return entry.result();
    });
    Click(dlg, 1205);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsOperationOk));
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("a=0A"), QStringLiteral("C=CC") + QString(30, QLatin1Char('0'))}));
}

TEST_F(KeyStoreDlgTest, RenameClashesAndEntriesChangedMeanwhile)
{
    Store({QStringLiteral("a "), QStringLiteral("0A"), QStringLiteral("b"), QStringLiteral("0B")});
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();

    SelectRow(dlg, 1);
    dialogs.Then([this](CModalDialog& entry) {
        SetText(entry, 1201, QStringLiteral("a"));
        Click(entry, 1);
        EXPECT_EQ(messages.shown, QStringList{GermanStr(kIdsKeyNameExists)});
        EXPECT_EQ(entry.result(), QDialog::Rejected);
        Click(entry, 2);
        return entry.result();
    });
    Click(dlg, 1205);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsCancelled));

    // "a " keeps its name when it is given without the trailing space: no
    // clash with itself.
    SelectRow(dlg, 0);
    dialogs.Then(Enter(QStringLiteral("a"), QStringLiteral("AA")));
    Click(dlg, 1205);
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(Stored().first(), QStringLiteral("a =AA") + QString(30, QLatin1Char('0')));

    // Renamed elsewhere after this view read the store: the entry is gone.
    Store({QStringLiteral("a "), QStringLiteral("0A"), QStringLiteral("anders"), QStringLiteral("0B")});
    SelectRow(dlg, 1);
    dialogs.Then([this](CModalDialog& entry) {
        Click(entry, 1);
        EXPECT_EQ(messages.shown.last(), GermanStr(kIdsError));
        Click(entry, 2);
        return entry.result();
    });
    Click(dlg, 1205);
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("a =0A"), QStringLiteral("anders=0B")}));
}

TEST_F(KeyStoreDlgTest, TheSameNameTwiceEditsTheChosenRow)
{
    // Only a hand-edited file can hold this.
    Store({QStringLiteral("x"), QStringLiteral("01"), QStringLiteral("x"), QStringLiteral("02")});
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    SelectRow(dlg, 1);
    dialogs.Then(Enter(QStringLiteral("x"), QStringLiteral("22")));
    Click(dlg, 1205);
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("x=01"), QStringLiteral("x=22") + QString(30, QLatin1Char('0'))}));
}

TEST_F(KeyStoreDlgTest, UnreadableEntriesAreShownAsStored)
{
    Store({QStringLiteral("kaputt"), QStringLiteral("xyz!\"\\"), QStringLiteral("lang"),
           QStringLiteral("00112233445566778899AABBCCDDEEFF0011"), QStringLiteral(""), QStringLiteral("0D")});
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(Rows(dlg),
              (QStringList{QStringLiteral("kaputt=xyz!\"\\"),
                           QStringLiteral("lang=00112233445566778899AABBCCDDEEFF0011"), QStringLiteral("=0D")}));
    SelectRow(dlg, 0);
    dialogs.Then([](CModalDialog& entry) {
        EXPECT_EQ(Text(entry, 1114), QStringLiteral("xyz!\"\\"));
        Click(entry, 1);
        EXPECT_EQ(Text(entry, 1068), GermanStr(176)); // to be mended, not taken
        Click(entry, 2);
        return entry.result();
    });
    Click(dlg, 1205);
    SelectRow(dlg, 2);
    dialogs.Then([](CModalDialog& entry) {
        Click(entry, 1);
        EXPECT_EQ(Text(entry, 1068), GermanStr(167));
        SetText(entry, 1201, QStringLiteral("benannt"));
        Click(entry, 1);
        return entry.result();
    });
    Click(dlg, 1205);
    EXPECT_EQ(Stored().last(), QStringLiteral("benannt=0D") + QString(30, QLatin1Char('0')));
    EXPECT_EQ(Stored().first(), QStringLiteral("kaputt=xyz!\"\\"));

    CKeyStoreLoadDlg load;
    load.OnInitDialog();
    SelectRow(load, 1);
    Click(load, 1069);
    EXPECT_EQ(load.m_strValue, QStringLiteral("00112233445566778899AABBCCDDEEFF0011"));
}

TEST_F(KeyStoreDlgTest, MovedRowsTakeTheirKeysAlong)
{
    Store({QStringLiteral("a"), QStringLiteral("0A"), QStringLiteral("b"), QStringLiteral("0B"), QStringLiteral("c"),
           QStringLiteral("0C")});
    CKeyStoreEditDlg dlg;
    dlg.OnInitDialog();
    dlg.show();

    DragRow(dlg, 0, 3); // below the last row
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("b=0B"), QStringLiteral("c=0C"), QStringLiteral("a=0A")}));
    EXPECT_EQ(Stored(), Rows(dlg)); // the store keeps the order the user made
    EXPECT_EQ(dlg.ListCtrl().SelectedRow(), 2);

    // "Löschen" deletes the key the selected row shows.
    Click(dlg, 1203);
    EXPECT_EQ(Stored(), (QStringList{QStringLiteral("b=0B"), QStringLiteral("c=0C")}));

    DragRow(dlg, 1, 0); // "c" onto the lower part of row 0, right after "b": where it is
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("b=0B"), QStringLiteral("c=0C")}));
    Store({QStringLiteral("b"), QStringLiteral("0B"), QStringLiteral("c"), QStringLiteral("0C"), QStringLiteral("d"),
           QStringLiteral("0D")});
    dialogs.Then(Enter(QStringLiteral("e"), QStringLiteral("0E")));
    Click(dlg, 3);      // reloads: b c d e
    DragRow(dlg, 3, 0); // "e" after "b"
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("b=0B"), QStringLiteral("e=0E") + QString(30, QLatin1Char('0')),
                                      QStringLiteral("c=0C"), QStringLiteral("d=0D")}));
    // "Bearbeiten" opens the key the selected row shows.
    dialogs.Then([](CModalDialog& entry) {
        EXPECT_EQ(Text(entry, 1201), QStringLiteral("e"));
        SetText(entry, 1114, QStringLiteral("EE"));
        Click(entry, 1);
        return entry.result();
    });
    Click(dlg, 1205);
    EXPECT_EQ(Stored().at(1), QStringLiteral("e=EE") + QString(30, QLatin1Char('0')));
    EXPECT_EQ(Stored().size(), 4);
}

TEST_F(KeyStoreDlgTest, LoadViewHandsOnTheRowsValue)
{
    Store({QStringLiteral("a"), QStringLiteral("0A"), QStringLiteral("b"), QStringLiteral("0B")});
    CKeyStoreLoadDlg dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Schlüssel laden"));
    EXPECT_TRUE(test::Find<QPushButton>(dlg, 1069)->isDefault());
    Click(dlg, 1069);
    EXPECT_EQ(Status(dlg), GermanStr(kIdsSelectKey));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    Table(dlg)->setColumnWidth(0, 77);
    SelectRow(dlg, 1);
    Click(dlg, 1069);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strValue, QStringLiteral("0B"));
    EXPECT_EQ(GetProfileInt(QStringLiteral("ListCtrl1"), QStringLiteral("Breite0"), 0), 77);

    // A double click loads the row it hits; beside the rows it does nothing.
    CKeyStoreLoadDlg again;
    again.OnInitDialog();
    QWidget* vp = Table(again)->viewport();
    auto doubleClick = [vp](QPoint pos) {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(pos), QPointF(vp->mapToGlobal(pos)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &e);
    };
    doubleClick(QPoint(5, Table(again)->rowViewportPosition(1) + 5 * Table(again)->rowHeight(1)));
    EXPECT_EQ(again.result(), QDialog::Rejected);
    doubleClick(QPoint(5, Table(again)->rowViewportPosition(0) + 2));
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(again.m_strValue, QStringLiteral("0A"));
}

TEST_F(KeyStoreDlgTest, LoadViewCanAddAndDelete)
{
    CKeyStoreLoadDlg dlg;
    dlg.OnInitDialog();
    dialogs.Then(Enter(QStringLiteral("neu"), QStringLiteral("1")));
    Click(dlg, 3);
    EXPECT_EQ(Rows(dlg), QStringList{QStringLiteral("neu=01") + QString(30, QLatin1Char('0'))});
    SelectRow(dlg, 0);
    Click(dlg, 1203);
    EXPECT_TRUE(Rows(dlg).isEmpty());
    EXPECT_TRUE(Stored().isEmpty());
}

} // namespace
} // namespace velmora
