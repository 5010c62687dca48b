// Draws the pictures of the README on the built-in simulator and saves them
// as PNG files into a folder: velmora_screenshot OUTPUT_DIR
//   main-window.png  the main window after a card activation
//   key-store.png    the key store, opened from it, with a few keys
#include "app/model/device_list_source.h"
#include "app/settings/key_store.h"
#include "app/ui/key_store_edit_dlg.h"
#include "app/ui/simulator.h"
#include "app/ui/velmora_dlg.h"

#include "sim/desfire/desfire_card.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Keys of the kind a user keeps: one per lock, typed once.
void FillKeyStore()
{
    velmora::CKeyStoreItemList keys;
    keys.Append(QStringLiteral("Haupteingang"), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
    keys.Append(QStringLiteral("Kantine"), QStringLiteral("0F1E2D3C4B5A69788796A5B4C3D2E1F0"));
    keys.Append(QStringLiteral("Lager Nord"), QStringLiteral("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF"));
    keys.Append(QStringLiteral("Werkstatt"), QStringLiteral("00000000000000000000000000000000"));
    keys.SaveKeyStore();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora_screenshot OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // A settings store of its own: the pictures must not depend on (or
    // change) the user's settings.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    FillKeyStore();

    velmora::CBuiltInSimulator simulator;
    if (!simulator.Start(QString())) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(simulator.ErrorText()));
        return 1;
    }
    // A card that has been used a little, so the lists show something.
    auto& state = simulator.Card()->State();
    for (uint32_t aid : {0x010203u, 0xA1B2C3u}) {
        kavex::sim::desfire::Application application;
        application.aid = aid;
        application.keys = state.NewApplicationKeys(kavex::sim::desfire::CryptoMethod::Aes, 0x0F, 2);
        state.memory.Allocate(kavex::sim::desfire::CardState::ApplicationCost(application.keys),
                              &application.allocated);
        state.applications[aid] = application;
    }
    velmora::CSdkDeviceListSource lists({simulator.Entry()});
    velmora::CVelmoraDlg dlg(lists, simulator.Entry());
    dlg.OnInitDialog();
    dlg.show();
    if (dlg.PortHandle() <= 0) {
        std::fprintf(stderr, "the simulated reader did not answer\n");
        return 1;
    }
    dlg.Template()->findChild<QPushButton*>(QStringLiteral("1085"))->click();
    dlg.Template()->findChild<QPushButton*>(QStringLiteral("1072"))->click();
    dlg.Template()->findChild<QPushButton*>(QStringLiteral("1077"))->click();

    // Shown without its modal loop, so that both windows can be drawn from
    // the one event loop.
    velmora::CKeyStoreEditDlg keyStore(&dlg);
    keyStore.OnInitDialog();
    keyStore.show();
    keyStore.findChild<QTableWidget*>()->selectRow(0);

    int rc = 1;
    // Both windows have been laid out and painted by then.
    QTimer::singleShot(500, &app, [&] {
        const bool ok = dlg.grab().save(out.filePath(QStringLiteral("main-window.png"))) &&
                        keyStore.grab().save(out.filePath(QStringLiteral("key-store.png")));
        rc = ok ? 0 : 1;
        app.quit();
    });
    app.exec();
    return rc;
}
