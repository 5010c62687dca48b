// velmora [--simulate [--card FILE]]
#include "app/ui/message_service.h"
#include "app/ui/simulator.h"
#include "app/model/ui_strings.h"
#include "app/ui/velmora_app.h"

#include "app/ui/busy_scope.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// Ctrl+C and kill end the program as "Schließen" does, so that the port is
// closed and the simulator's link is removed.
void CloseOnTermination(QObject* owner)
{
    if (::pipe(g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        if (auto* dialog = qobject_cast<QDialog*>(velmora::MainWindow())) dialog->reject();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    velmora::CVelmoraApp app;

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Use the built-in simulated reader with a DESFire EV1 card."));
    const QCommandLineOption card(QStringLiteral("card"), QStringLiteral("Card file of the simulated card."),
                                  QStringLiteral("FILE"));
    parser.addOption(simulate);
    parser.addOption(card);
    parser.process(qapp);

    CloseOnTermination(&qapp);

    velmora::CBuiltInSimulator simulator;
    if (parser.isSet(simulate)) {
        QString cardFile = parser.value(card);
        if (cardFile.isEmpty())
            cardFile = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                           .filePath(QStringLiteral("simulated-card.json"));
        if (simulator.Start(cardFile))
            app.SetPreferredPort(simulator.Entry());
        else
            velmora::MessageBox(nullptr, velmora::LoadStr(20007).arg(simulator.ErrorText()));
    }
    return app.Run();
}
