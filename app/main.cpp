// velmora [--simulate [--card FILE] [--line-rate] [--card-times CMD=US,...]]
#include "app/model/update_checker.h"
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
#include <cstdio>
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

struct CommandLine {
    bool simulate = false;
    QString cardFile;
    bool lineRate = false;
    QString cardTimes;
};

// Parses the program's options. Help texts are English only: the program's
// language setting and Qt's German texts are not loaded at this point.
CommandLine ParseCommandLine(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Programs MIFARE DESFire EV1 cards through a Kavex reader."));
    parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Use the built-in simulated reader with a DESFire EV1 card."));
    const QCommandLineOption card(QStringLiteral("card"), QStringLiteral("Card file of the simulated card."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption lineRate(
        QStringLiteral("line-rate"),
        QStringLiteral(
            "The simulated reader's line carries bytes no faster than a serial line at the port's settings."));
    const QCommandLineOption cardTimes(
        QStringLiteral("card-times"),
        QStringLiteral("The simulated card's time per DESFire command: CMD=MICROSECONDS,... (CMD in hexadecimal)."),
        QStringLiteral("TIMES"));
    parser.addOption(simulate);
    parser.addOption(card);
    parser.addOption(lineRate);
    parser.addOption(cardTimes);
    parser.process(app); // exits after --help or an unknown option
    return {parser.isSet(simulate), parser.value(card), parser.isSet(lineRate), parser.value(cardTimes)};
}

// Help needs no window: answered before the GUI application (and with it the
// display connection) exists.
bool AsksForHelp(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-help" || arg == "--help-all" || arg == "-?") return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (AsksForHelp(argc, argv)) {
        QCoreApplication core(argc, argv);
        ParseCommandLine(core);
        return 0;
    }
    QApplication qapp(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("velmora"));
    velmora::CVelmoraApp app;
    const CommandLine options = ParseCommandLine(qapp);

    CloseOnTermination(&qapp);

    // One update check per run; a download still running at exit is dropped.
    velmora::CUpdateChecker updateChecker;
    velmora::SetUpdateChecker(&updateChecker);
    struct Unset {
        ~Unset() { velmora::SetUpdateChecker(nullptr); }
    } unset;

    velmora::CBuiltInSimulator simulator;
    if (options.simulate) {
        QString cardFile = options.cardFile;
        if (cardFile.isEmpty())
            cardFile = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                           .filePath(QStringLiteral("simulated-card.json"));
        simulator.SetLineRate(options.lineRate);
        if (!options.cardTimes.isEmpty() && !simulator.SetCardTimes(options.cardTimes)) {
            std::fprintf(stderr, "velmora: --card-times: CMD=MICROSECONDS,... expected\n");
            return 2;
        }
        if (simulator.Start(cardFile))
            app.SetPreferredPort(simulator.Entry());
        else
            velmora::MessageBox(nullptr, velmora::LoadStr(20007).arg(simulator.ErrorText()));
    }
    return app.Run();
}
