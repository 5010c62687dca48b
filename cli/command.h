// A command of the kavex tool: its options and what it does on an open
// port. Commands run one after the other on one port and one card session.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/report.h"

namespace kavex::cli {

struct Session {
    int handle = -1;
};

class Command {
public:
    virtual ~Command() = default;
    virtual std::string Name() const = 0;
    virtual std::string Help() const = 0;
    // Declares the command's own options.
    virtual void Define(CLI::App& app) { (void)app; }
    // Returns false when the command failed; the report says why.
    virtual bool Run(Session& session, Report& report) = 0;
};

using CommandFactory = std::function<std::unique_ptr<Command>()>;

// Every command the tool knows, by name.
const std::vector<std::pair<std::string, CommandFactory>>& AllCommands();

// Adds the port's last status to the report and returns false.
bool Fail(Session& session, Report& report, const std::string& what);

} // namespace kavex::cli
