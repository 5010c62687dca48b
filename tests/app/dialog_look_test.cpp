// How every dialog template looks, whatever its dialog does: hexadecimal
// fields, read-only fields, room for every text at a larger font and in
// English, and the size a resizable dialog keeps.
#include "tests/app/isolated_settings.h"
#include "app/ui/key_store_edit_dlg.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/ui_template.h"
#include "tests/app/ui_test_support.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

QStringList Templates()
{
    QStringList paths;
    for (const QString& name : QDir(QStringLiteral(":/templates")).entryList({QStringLiteral("*.ui")}))
        paths << QStringLiteral(":/templates/") + name;
    return paths;
}

// A template in a bare dialog at its default size.
std::unique_ptr<QDialog> Shown(const QString& path)
{
    auto host = std::make_unique<QDialog>();
    LoadTemplate(host.get(), path);
    host->adjustSize();
    host->show();
    return host;
}

class DialogLookTest : public ::testing::Test {
protected:
    DialogLookTest() { test::App(); }
};

// A typed 16-byte key and a card's UID are read whole, digit by digit.
TEST_F(DialogLookTest, KeysAndUidsShowInFullInTheFixedFont)
{
    const QString key = QStringLiteral("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    const QString uid = QStringLiteral("04 11 22 33 44 55 66");
    int keyFields = 0;
    for (const QString& path : Templates()) {
        auto dlg = Shown(path);
        for (QLineEdit* edit : dlg->findChildren<QLineEdit*>()) {
            const QString name = edit->objectName();
            const QString text = name == QLatin1String("1114")                                    ? key
                                 : name == QLatin1String("1009") || name == QLatin1String("1010") ? uid
                                                                                                  : QString();
            if (text.isEmpty()) continue;
            keyFields += name == QLatin1String("1114");
            EXPECT_TRUE(QFontInfo(edit->font()).fixedPitch()) << qPrintable(path) << " " << qPrintable(name);
            const int room = edit->contentsRect().width() - edit->textMargins().left() - edit->textMargins().right();
            EXPECT_GT(room, QFontMetrics(edit->font()).horizontalAdvance(text))
                << qPrintable(path) << " " << qPrintable(name);
        }
    }
    EXPECT_GE(keyFields, 4);
}

TEST_F(DialogLookTest, ReadOnlyFieldsLookReadOnly)
{
    const QPalette app = QApplication::palette();
    ASSERT_NE(app.color(QPalette::Window), app.color(QPalette::Base));
    for (const QString& path : Templates()) {
        auto dlg = Shown(path);
        for (QLineEdit* edit : dlg->findChildren<QLineEdit*>()) {
            const QColor expected = app.color(edit->isReadOnly() ? QPalette::Window : QPalette::Base);
            EXPECT_EQ(edit->palette().color(QPalette::Base), expected)
                << qPrintable(path) << " " << qPrintable(edit->objectName());
        }
    }
    // A dialog that opens a field for typing gets the look of an open field.
    auto dlg = Shown(QStringLiteral(":/templates/velmora_dlg.ui"));
    QLineEdit* uid = test::Find<QLineEdit>(*dlg, 1010);
    uid->setReadOnly(false);
    EXPECT_EQ(uid->palette().color(QPalette::Base), app.color(QPalette::Base));
}

TEST_F(DialogLookTest, TheCardUidLabelStandsNextToItsField)
{
    auto dlg = Shown(QStringLiteral(":/templates/velmora_dlg.ui"));
    auto* label = dlg->findChild<QLabel*>(QStringLiteral("staticCardUid"));
    QLineEdit* field = test::Find<QLineEdit>(*dlg, 1010);
    const int gap = field->mapTo(dlg.get(), QPoint(0, 0)).x() - label->mapTo(dlg.get(), QPoint(label->width(), 0)).x();
    EXPECT_LE(gap, 12); // a layout's spacing, not a column's width
    EXPECT_LE(label->width(), label->sizeHint().width() + 4);
}

// Nothing is cut off at the default size, in German and English, at the
// application's font and at one point more.
TEST_F(DialogLookTest, EveryTextFitsAtTheDefaultSize)
{
    const QFont normal = QApplication::font();
    ASSERT_GT(normal.pointSizeF(), 0);
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(VELMORA_QM_DIR "/velmoraEng.qm")));
    for (const bool inEnglish : {false, true}) {
        if (inEnglish) QCoreApplication::installTranslator(&english);
        for (const int larger : {0, 1}) {
            QFont font = normal;
            font.setPointSizeF(normal.pointSizeF() + larger);
            QApplication::setFont(font);
            for (const QString& path : Templates()) {
                auto dlg = Shown(path);
                for (QWidget* w : dlg->findChildren<QWidget*>()) {
                    if (!w->isVisible() ||
                        !(qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)))
                        continue;
                    const QSize need = w->minimumSizeHint();
                    EXPECT_TRUE(w->width() >= need.width() && w->height() >= need.height())
                        << qPrintable(path) << " " << qPrintable(w->objectName()) << (inEnglish ? " en" : " de") << " +"
                        << larger << "pt: " << w->width() << "x" << w->height() << " < " << need.width() << "x"
                        << need.height();
                }
            }
        }
    }
    QCoreApplication::removeTranslator(&english);
    QApplication::setFont(normal);
}

// The key store views, the authentication dialog and the main window can
// be sized; the size the user gave is there again on the next run.
TEST_F(DialogLookTest, AResizedDialogKeepsItsSizeForTheNextRun)
{
    test::IsolatedSettings settings;
    test::ScriptedDialogs dialogs;
    QSize wanted;
    {
        CKeyStoreEditDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        EXPECT_TRUE(dlg.isSizeGripEnabled());
        dlg.resize(dlg.width() + 120, dlg.height() + 60);
        wanted = dlg.size();
        test::Click(dlg, 2);
    }
    QSize got;
    dialogs.Then([&got](CModalDialog& dlg) {
        got = dlg.size();
        return static_cast<int>(QDialog::Rejected);
    });
    CKeyStoreEditDlg again;
    RunModal(again);
    EXPECT_EQ(got, wanted);
}

} // namespace
} // namespace velmora
