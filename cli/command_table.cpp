#include "command.h"

namespace kavex::cli {

std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeActivateCommand();
std::unique_ptr<Command> MakeAuthCommand();
std::unique_ptr<Command> MakeVersionCommand();
std::unique_ptr<Command> MakeFreeMemCommand();
std::unique_ptr<Command> MakeFormatCommand();
std::unique_ptr<Command> MakeUidCommand();

const std::vector<std::pair<std::string, CommandFactory>>& AllCommands()
{
    static const std::vector<std::pair<std::string, CommandFactory>> table = {
        {"info", MakeInfoCommand},       {"activate", MakeActivateCommand}, {"auth", MakeAuthCommand},
        {"version", MakeVersionCommand}, {"freemem", MakeFreeMemCommand},   {"format", MakeFormatCommand},
        {"uid", MakeUidCommand},
    };
    return table;
}

} // namespace kavex::cli
