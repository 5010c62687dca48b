#include "cli/command.h"

namespace kavex::cli {

#define KAVEX_COMMAND(fn) std::unique_ptr<Command> fn();
KAVEX_COMMAND(MakeInfoCommand)
KAVEX_COMMAND(MakeActivateCommand)
KAVEX_COMMAND(MakeAuthCommand)
KAVEX_COMMAND(MakeVersionCommand)
KAVEX_COMMAND(MakeFreeMemCommand)
KAVEX_COMMAND(MakeFormatCommand)
KAVEX_COMMAND(MakeUidCommand)
KAVEX_COMMAND(MakeAppsCommand)
KAVEX_COMMAND(MakeSelectCommand)
KAVEX_COMMAND(MakeCreateAppCommand)
KAVEX_COMMAND(MakeDeleteAppCommand)
KAVEX_COMMAND(MakeKeySettingsCommand)
KAVEX_COMMAND(MakeChangeKeySettingsCommand)
KAVEX_COMMAND(MakeKeyVersionCommand)
KAVEX_COMMAND(MakeChangeKeyCommand)
KAVEX_COMMAND(MakeFilesCommand)
KAVEX_COMMAND(MakeFileSettingsCommand)
KAVEX_COMMAND(MakeCreateFileCommand)
KAVEX_COMMAND(MakeDeleteFileCommand)
KAVEX_COMMAND(MakeReadCommand)
KAVEX_COMMAND(MakeWriteCommand)
KAVEX_COMMAND(MakeValueCommand)
KAVEX_COMMAND(MakeCreditCommand)
KAVEX_COMMAND(MakeDebitCommand)
KAVEX_COMMAND(MakeLimitedCreditCommand)
KAVEX_COMMAND(MakeWriteRecordCommand)
KAVEX_COMMAND(MakeReadRecordsCommand)
KAVEX_COMMAND(MakeClearRecordsCommand)
KAVEX_COMMAND(MakeCommitCommand)
#undef KAVEX_COMMAND

const std::vector<std::pair<std::string, CommandFactory>>& AllCommands()
{
    // In the order the help lists them: device, card, applications and
    // keys, files, contents.
    static const std::vector<std::pair<std::string, CommandFactory>> table = [] {
        const CommandFactory factories[] = {
            MakeInfoCommand,
            MakeActivateCommand,
            MakeAuthCommand,
            MakeVersionCommand,
            MakeFreeMemCommand,
            MakeFormatCommand,
            MakeUidCommand,
            MakeAppsCommand,
            MakeSelectCommand,
            MakeCreateAppCommand,
            MakeDeleteAppCommand,
            MakeKeySettingsCommand,
            MakeChangeKeySettingsCommand,
            MakeKeyVersionCommand,
            MakeChangeKeyCommand,
            MakeFilesCommand,
            MakeFileSettingsCommand,
            MakeCreateFileCommand,
            MakeDeleteFileCommand,
            MakeReadCommand,
            MakeWriteCommand,
            MakeValueCommand,
            MakeCreditCommand,
            MakeDebitCommand,
            MakeLimitedCreditCommand,
            MakeWriteRecordCommand,
            MakeReadRecordsCommand,
            MakeClearRecordsCommand,
            MakeCommitCommand,
        };
        std::vector<std::pair<std::string, CommandFactory>> t;
        for (const auto& f : factories) t.emplace_back(f()->Name(), f);
        return t;
    }();
    return table;
}

} // namespace kavex::cli
