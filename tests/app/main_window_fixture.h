// The main window on the simulated reader, as the application shows it,
// with message boxes and modal dialogs answered by the test.
#pragma once

#include "app/settings/settings.h"
#include "tests/app/sim_card.h"
#include "tests/app/ui_test_support.h"
#include "app/ui/velmora_dlg.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace velmora::test {

class MainWindowFixture : public ::testing::Test {
protected:
    explicit MainWindowFixture(kavex::sim::ReaderConfig config = {}) : reader(config, kavex::test::CountingRandom())
    {
        App();
        lists.com = {QString::fromStdString(reader.link)};
        WriteProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString::fromStdString(reader.link));
    }

    // The main window as the application shows it (start loop included).
    CVelmoraDlg& Window()
    {
        if (!window) {
            window = std::make_unique<CVelmoraDlg>(lists);
            window->OnInitDialog();
        }
        return *window;
    }
    template <class T>
    T* Control(int id)
    {
        return Window().Template()->findChild<T*>(QString::number(id));
    }
    void Click(int id) { Control<QPushButton>(id)->click(); }
    QString Text(int id) { return Control<QLineEdit>(id)->text(); }
    QStringList Entries(int id)
    {
        QStringList out;
        auto* list = Control<QListWidget>(id);
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    bool Shown(int id) { return !Control<QWidget>(id)->isHidden(); }
    // The same for a dialog that the window opened.
    static void Click(const QWidget& dlg, int id) { test::Click(dlg, id); }
    static QString Text(const QWidget& dlg, int id) { return test::Text(dlg, id); }
    static bool Shown(const QWidget& dlg, int id) { return test::Shown(dlg, id); }

    IsolatedSettings settings;
    kavex::test::SimReader reader;
    FixedLists lists;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    std::unique_ptr<CVelmoraDlg> window;
};

} // namespace velmora::test
