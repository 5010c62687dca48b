// Commands about the reader itself.
#include <string>

#include "cli/command.h"
#include "kavex.h"

namespace kavex::cli {

namespace {

class InfoCommand : public Command {
public:
    std::string Name() const override { return "info"; }
    std::string Help() const override { return "Show the reader's model, type code and firmware"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned char ident[16] = {};
        const int n = Kavex_GetDeviceIdent(s.handle, ident, sizeof ident);
        if (n < 0) return Fail(s, report, "identification failed");
        char name[128] = {};
        Kavex_GetDeviceName(s.handle, name, sizeof name);
        const std::string answer(reinterpret_cast<const char*>(ident), static_cast<size_t>(n));
        report.Value("device", name);
        report.Value("type", answer.substr(0, 3));
        char firmware[32] = {};
        Kavex_GetFirmwareVersion(s.handle, firmware, sizeof firmware);
        report.Value("firmware", firmware);
        report.Flag("programmer", Kavex_IsProgrammer(s.handle) == 1);
        report.Flag("usb", Kavex_IsUSB(s.handle) == 1);
        return true;
    }
};

} // namespace

std::unique_ptr<Command> MakeInfoCommand()
{
    return std::make_unique<InfoCommand>();
}

} // namespace kavex::cli
