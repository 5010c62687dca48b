// kavex: the command-line face of the SDK. Global options come first, then
// one or more commands, each with its own options; all commands run on one
// port and one card session, in the order given:
//   kavex --port /dev/ttyUSB0 activate auth --key 00 version
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command.h"
#include "kavex.h"

namespace {

struct GlobalOptions {
    std::string port;
    int baud = 19200;
    int timeout = 500;
    bool json = false;
};

// Splits argv at command names: the first part holds the global options,
// every further part one command with its options.
std::vector<std::vector<std::string>> SplitAtCommands(int argc, char** argv, const std::set<std::string>& names)
{
    std::vector<std::vector<std::string>> parts(1);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (names.count(arg)) parts.emplace_back();
        parts.back().push_back(arg);
    }
    return parts;
}

// CLI11 parses a reversed vector of arguments.
void Parse(CLI::App& app, std::vector<std::string> args)
{
    std::reverse(args.begin(), args.end());
    app.parse(args);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace kavex::cli;
    std::set<std::string> names;
    for (const auto& [name, factory] : AllCommands()) names.insert(name);
    const auto parts = SplitAtCommands(argc, argv, names);

    GlobalOptions global;
    CLI::App app{"Kavex reader and DESFire card tool"};
    app.add_option("--port,-p", global.port, "Reader port: a device path such as /dev/ttyUSB0, COMn, NAME:address")
        ->required();
    app.add_option("--baud,-b", global.baud,
                   "Line rate; the last two digits select parity/stop bits (0 8N1, 1 8E1, 2 8O1, 3 8N2)");
    app.add_option("--timeout,-t", global.timeout, "Answer timeout in milliseconds")->check(CLI::NonNegativeNumber);
    app.add_flag("--json", global.json, "Print the result as JSON");
    std::string footer = "Commands:";
    for (const auto& [name, factory] : AllCommands()) footer += "\n  " + name + "  " + factory()->Help();
    footer += "\nRun 'kavex --port P COMMAND --help' for a command's options.";
    app.footer(footer);

    std::vector<std::pair<std::unique_ptr<Command>, std::unique_ptr<CLI::App>>> commands;
    try {
        Parse(app, parts[0]);
        for (size_t i = 1; i < parts.size(); ++i) {
            const std::string& name = parts[i][0];
            std::unique_ptr<Command> cmd;
            for (const auto& [n, factory] : AllCommands())
                if (n == name) cmd = factory();
            auto sub = std::make_unique<CLI::App>(cmd->Help(), name);
            cmd->Define(*sub);
            // A command's own --help and mistakes are told with its own
            // options, not the global ones.
            try {
                Parse(*sub, std::vector<std::string>(parts[i].begin() + 1, parts[i].end()));
            } catch (const CLI::ParseError& e) {
                return sub->exit(e);
            }
            commands.emplace_back(std::move(cmd), std::move(sub));
        }
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (commands.empty()) {
        std::cerr << "kavex: no command given\n" << app.help();
        return 2;
    }

    Report report(global.json);
    Session session;
    session.handle = Kavex_OpenPort(global.port.c_str(), global.baud, global.timeout);
    if (session.handle <= 0) {
        const char* why = session.handle == -2                     ? "invalid timeout"
                          : session.handle == KAVEX_OPEN_NO_ANSWER ? "no reader answers on this port"
                          : session.handle == -13                  ? "the HID reader refused the attach report"
                                                                   : "the port cannot be opened";
        report.Error("cannot open " + global.port + ": " + why, session.handle);
        report.Finish(false);
        return 1;
    }
    bool ok = true;
    for (auto& [cmd, sub] : commands) {
        report.Begin(cmd->Name());
        if (!cmd->Run(session, report)) {
            ok = false;
            break;
        }
    }
    Kavex_ClosePort(session.handle);
    report.Finish(ok);
    return ok ? 0 : 1;
}
