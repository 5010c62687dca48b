// The small shared window pieces: sorted controls, the confirmation
// question, the busy indication and the manual.
#include "app/ui/busy_scope.h"
#include "app/ui/help.h"
#include "tests/app/isolated_settings.h"
#include "app/ui/confirm_dlg.h"
#include "app/ui/qt_controls.h"
#include "app/model/ui_strings.h"
#include "tests/app/ui_test_support.h"
#include "resources/string_ids.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(QtControlsTest, SortedInsertionAndPrefixSelection)
{
    test::App();
    QComboBox combo;
    combo.setEditable(true);
    combo.setProperty("sorted", true);
    QtCombo c(&combo);
    int changes = 0;
    QObject::connect(&combo, &QComboBox::currentIndexChanged, [&] { ++changes; });
    for (const char* t : {"0A0B0C", "--", "010203", "a00000"}) c.AddString(QString::fromLatin1(t));
    EXPECT_EQ(combo.itemText(0), QStringLiteral("--"));
    EXPECT_EQ(combo.itemText(1), QStringLiteral("010203"));
    EXPECT_EQ(combo.itemText(2), QStringLiteral("0A0B0C"));
    EXPECT_EQ(combo.itemText(3), QStringLiteral("a00000"));
    EXPECT_EQ(c.CurSel(), -1); // adding chooses nothing
    EXPECT_TRUE(c.SelectString(QStringLiteral("0a")));
    EXPECT_EQ(c.Text(), QStringLiteral("0A0B0C"));
    EXPECT_FALSE(c.SelectString(QStringLiteral("7")));
    EXPECT_EQ(changes, 0); // the program's own changes are no user choice

    QListWidget list;
    QtList l(&list);
    l.AddString(QStringLiteral("b"));
    l.AddString(QStringLiteral("a"));
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("b")); // unsorted list: insertion order
    list.setProperty("sorted", true);
    l.AddString(QStringLiteral("A"));
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("A"));

    QtWindow w(&list);
    w.SetShown(false);
    EXPECT_FALSE(w.IsShown());
    w.SetShown(true);
    EXPECT_TRUE(w.IsShown()); // even while its window is not on screen
}

TEST(NachfrageDlgTest, TextsFromTheStringTable)
{
    test::App();
    struct Use {
        int caption, text, ok;
    };
    for (const Use& u :
         {Use{168, 143, 175}, Use{213, 214, 215}, Use{211, 210, 212}, Use{173, 170, 174}, Use{171, 169, 172}}) {
        CNachfrageDlg dlg(u.caption, u.text, u.ok);
        dlg.OnInitDialog();
        EXPECT_EQ(dlg.windowTitle(), GermanStr(u.caption));
        EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), GermanStr(u.ok));
        const QString text = dlg.findChild<QLabel*>(QStringLiteral("1186"))->text();
        EXPECT_FALSE(text.contains(QLatin1Char('\r')));
        EXPECT_EQ(text, GermanStr(u.text).remove(QLatin1Char('\r')));
    }
    CNachfrageDlg dlg(168, 143, 175);
    // It comes before something that cannot be undone, and shows it.
    EXPECT_FALSE(dlg.findChild<QLabel*>(QStringLiteral("warningIcon"))->pixmap().isNull());
    dlg.findChild<QPushButton*>(QStringLiteral("2"))->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.findChild<QPushButton*>(QStringLiteral("1"))->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(BusyScopeTest, RestoresOnlyWhatItDisabled)
{
    test::App();
    QWidget window;
    SetMainWindow(&window);
    {
        CBusyScope outer;
        EXPECT_FALSE(window.isEnabled());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            CBusyScope inner;
        }
        EXPECT_FALSE(window.isEnabled()); // the outer scope still holds it
    }
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    window.setEnabled(false);
    {
        CBusyScope scope;
    }
    EXPECT_FALSE(window.isEnabled()); // was disabled before: stays so
    SetMainWindow(nullptr);
    CBusyScope withoutWindow; // must not crash
}

TEST(HelpTest, FirstPdfInNameOrder)
{
    QTemporaryDir dir;
    EXPECT_EQ(FindManual(dir.path()), QString()); // none: nothing to open
    for (const char* name : {"notes.txt", "Zusatz.pdf", "Handbuch.PDF", "b.pdf"}) {
        QFile f(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir(QStringLiteral("a.pdf")); // a directory is no manual
    EXPECT_EQ(FindManual(dir.path()), QDir(dir.path()).filePath(QStringLiteral("b.pdf")));
}

// The offscreen platform hands no file to any program, as a desktop without a
// PDF viewer does not.
TEST(HelpTest, MissingManualAndMissingViewerAreReported)
{
    test::App();
    test::ScriptedMessages messages;
    QTemporaryDir dir;
    OpenManual(nullptr, dir.path());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains(QDir::toNativeSeparators(dir.path()))) << messages.shown[0].toStdString();
    EXPECT_FALSE(messages.shown[0].contains(QStringLiteral("%1")));

    QFile manual(QDir(dir.path()).filePath(QStringLiteral("Handbuch.pdf")));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    OpenManual(nullptr, dir.path());
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[1], LoadStr(kIdsNoPdfViewer));
}

} // namespace
} // namespace velmora
