// Draws the main window on the built-in simulator after a card activation
// and saves it as a PNG: velmora_screenshot OUTPUT.png
#include "app/model/device_list_source.h"
#include "app/ui/modal_dialog.h"
#include "app/settings/settings.h"
#include "app/ui/simulator.h"
#include "app/ui/velmora_dlg.h"

#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmora_screenshot OUTPUT.png\n");
        return 2;
    }
    // A settings store of its own: the picture must not depend on (or
    // change) the user's settings.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());

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

    int rc = 1;
    QTimer::singleShot(500, &app, [&] {
        rc = dlg.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return rc;
}
