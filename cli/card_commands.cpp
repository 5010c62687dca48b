// Commands on the card in the reader's field: activation, authentication
// and the card-level DESFire commands.
#include <chrono>
#include <string>
#include <thread>

#include "cli/card_args.h"
#include "cli/command.h"
#include "cli/hex_input.h"
#include "kavex.h"

namespace kavex::cli {

namespace {

constexpr unsigned char kIso14443_4 = 0x20;

// PPS1 for the highest common bit rate would need the ATS interface bytes;
// 106 kbit/s in both directions always works.
constexpr unsigned char kPps106 = 0x00;

class ActivateCommand : public Command {
public:
    std::string Name() const override { return "activate"; }
    std::string Help() const override { return "Switch the field on and activate the card (UID, ATQA, SAK, ATS)"; }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_SetRF(s.handle, 0) < 0) return Fail(s, report, "switching the field off failed");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Kavex_SetRF(s.handle, 1) < 0) return Fail(s, report, "switching the field on failed");
        unsigned short atqa = 0;
        if (Kavex_RequestA(s.handle, &atqa) < 0) return Fail(s, report, "no card in the field");
        unsigned char uid[10];
        unsigned char sak = 0;
        const int uidLen = Kavex_AnticollSelect(s.handle, uid, sizeof uid, &sak);
        if (uidLen < 0) return Fail(s, report, "anticollision failed");
        report.Value("uid", ToHex(uid, static_cast<size_t>(uidLen), ""));
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", atqa);
        report.Value("atqa", buf);
        std::snprintf(buf, sizeof buf, "%02X", sak);
        report.Value("sak", buf);
        if (!(sak & kIso14443_4)) {
            report.Flag("iso14443_4", false);
            return true;
        }
        unsigned char ats[20];
        const int atsLen = Kavex_RATS(s.handle, ats, sizeof ats);
        if (atsLen < 0) return Fail(s, report, "RATS failed");
        report.Value("ats", ToHex(ats, static_cast<size_t>(atsLen), ""));
        if (Kavex_PPS(s.handle, kPps106) < 0) return Fail(s, report, "PPS failed");
        report.Flag("iso14443_4", true);
        return true;
    }
};

class AuthCommand : public Command {
public:
    std::string Name() const override { return "auth"; }
    std::string Help() const override { return "Authenticate with a key (DES/2K3DES, or AES with --aes)"; }
    void Define(CLI::App& app) override
    {
        key_.Define(app, "--key,-k", "--key-name", "Key", true);
        app.add_option("--keyno,-n", keyNo_, "Key number")->check(CLI::Range(0, 13));
        app.add_flag("--aes", aes_, "AES key (AuthenticateAES instead of AuthenticateISO)");
    }
    bool Run(Session& s, Report& report) override
    {
        std::string error;
        auto key = key_.Bytes(error);
        if (!key) {
            report.Error(error, 0);
            return false;
        }
        const int r = aes_ ? Kavex_DFAuthenticateAES(s.handle, static_cast<unsigned char>(keyNo_), key->data(), 16)
                           : Kavex_DFAuthenticateISO(s.handle, static_cast<unsigned char>(keyNo_), key->data(), 16);
        if (r < 0) return Fail(s, report, "authentication failed");
        report.Value("authenticated", keyNo_);
        return true;
    }

private:
    KeyInput key_;
    int keyNo_ = 0;
    bool aes_ = false;
};

class VersionCommand : public Command {
public:
    std::string Name() const override { return "version"; }
    std::string Help() const override { return "Read the card's version data"; }
    bool Run(Session& s, Report& report) override
    {
        // GetVersion fills all 28 bytes and answers 0.
        unsigned char v[28];
        if (Kavex_DFGetVersion(s.handle, v, sizeof v) < 0) return Fail(s, report, "GetVersion failed");
        report.Value("version", ToHex(v, sizeof v, ""));
        {
            report.Value("hardware", ToHex(v, 7, ""));
            report.Value("software", ToHex(v + 7, 7, ""));
            report.Value("uid", ToHex(v + 14, 7, ""));
            report.Value("batch", ToHex(v + 21, 5, ""));
            char prod[16];
            std::snprintf(prod, sizeof prod, "%02X/%02X", v[26], v[27]);
            report.Value("production_week_year", prod);
        }
        return true;
    }
};

class FreeMemCommand : public Command {
public:
    std::string Name() const override { return "freemem"; }
    std::string Help() const override { return "Read the card's free memory in bytes"; }
    bool Run(Session& s, Report& report) override
    {
        const int n = Kavex_DFGetFreeMemory(s.handle);
        if (n < 0) return Fail(s, report, "GetFreeMemory failed");
        report.Value("free_bytes", n);
        return true;
    }
};

class FormatCommand : public Command {
public:
    std::string Name() const override { return "format"; }
    std::string Help() const override { return "Format the card (needs the card master key)"; }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_DFFormatPICC(s.handle) < 0) return Fail(s, report, "FormatPICC failed");
        report.Flag("formatted", true);
        return true;
    }
};

class UidCommand : public Command {
public:
    std::string Name() const override { return "uid"; }
    std::string Help() const override { return "Read the card's real UID (needs authentication)"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned char uid[10];
        const int n = Kavex_DFGetCardUID(s.handle, uid, sizeof uid);
        if (n < 0) return Fail(s, report, "GetCardUID failed");
        report.Value("uid", ToHex(uid, static_cast<size_t>(n), ""));
        return true;
    }
};

} // namespace

std::unique_ptr<Command> MakeActivateCommand()
{
    return std::make_unique<ActivateCommand>();
}
std::unique_ptr<Command> MakeAuthCommand()
{
    return std::make_unique<AuthCommand>();
}
std::unique_ptr<Command> MakeVersionCommand()
{
    return std::make_unique<VersionCommand>();
}
std::unique_ptr<Command> MakeFreeMemCommand()
{
    return std::make_unique<FreeMemCommand>();
}
std::unique_ptr<Command> MakeFormatCommand()
{
    return std::make_unique<FormatCommand>();
}
std::unique_ptr<Command> MakeUidCommand()
{
    return std::make_unique<UidCommand>();
}

} // namespace kavex::cli
