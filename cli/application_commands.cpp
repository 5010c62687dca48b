// Commands on applications and keys.
#include <string>

#include "cli/card_args.h"
#include "cli/command.h"
#include "cli/hex_input.h"
#include "kavex.h"

namespace kavex::cli {

namespace {

// Crypto methods by name, as CreateApplication and ChangeKey number them.
std::optional<int> ParseCrypto(const std::string& text)
{
    if (text == "des" || text == "2k3des") return 0;
    if (text == "3k3des") return 1;
    if (text == "aes") return 2;
    return std::nullopt;
}

const char* CryptoName(int code)
{
    switch (code) {
    case 0x00: return "des";
    case 0x40: return "3k3des";
    case 0x80: return "aes";
    default: return "unknown";
    }
}

class AppsCommand : public Command {
public:
    std::string Name() const override { return "apps"; }
    std::string Help() const override { return "List the card's application IDs"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned int aids[28];
        const int n = Kavex_DFGetApplicationIDs(s.handle, aids, sizeof aids);
        if (n < 0) return Fail(s, report, "GetApplicationIDs failed");
        std::string list;
        for (int i = 0; i < n; ++i) list += (i ? " " : "") + FormatAid(aids[i]);
        report.Value("count", n);
        report.Value("aids", list);
        return true;
    }
};

class AidCommand : public Command {
public:
    void Define(CLI::App& app) override
    {
        app.add_option("--aid,-a", aid_, "Application ID, six hex digits")->required();
    }

protected:
    bool Aid(Report& report, unsigned& aid) const
    {
        const auto a = ParseAid(aid_);
        if (!a) {
            report.Error("--aid takes up to six hexadecimal digits", 0);
            return false;
        }
        aid = *a;
        return true;
    }
    std::string aid_;
};

class SelectCommand : public AidCommand {
public:
    std::string Name() const override { return "select"; }
    std::string Help() const override { return "Select an application (000000: the card level)"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned aid = 0;
        if (!Aid(report, aid)) return false;
        if (Kavex_DFSelectApplication(s.handle, aid) < 0) return Fail(s, report, "SelectApplication failed");
        report.Value("selected", FormatAid(aid));
        return true;
    }
};

class CreateAppCommand : public AidCommand {
public:
    std::string Name() const override { return "create-app"; }
    std::string Help() const override { return "Create an application"; }
    void Define(CLI::App& app) override
    {
        AidCommand::Define(app);
        app.add_option("--crypto", crypto_, "Key type: des, 3k3des or aes")->capture_default_str();
        app.add_option("--keys", keys_, "Number of keys")->check(CLI::Range(1, 14))->capture_default_str();
        app.add_option("--change-key-access", changeKeyAccess_, "Change key access rights (0-15)")
            ->check(CLI::Range(0, 15))
            ->capture_default_str();
        app.add_option("--settings", settings_, "Key settings low nibble (0-15)")
            ->check(CLI::Range(0, 15))
            ->capture_default_str();
        app.add_flag("--iso-ids", isoIds_, "Files of the application carry ISO file IDs");
        app.add_option("--iso-fid", isoFid_, "ISO file ID of the application, hex (with --df-name)");
        app.add_option("--df-name", dfName_, "ISO DF name, hex, up to 16 bytes");
    }
    bool Run(Session& s, Report& report) override
    {
        unsigned aid = 0;
        if (!Aid(report, aid)) return false;
        const auto crypto = ParseCrypto(crypto_);
        if (!crypto) {
            report.Error("--crypto takes des, 3k3des or aes", 0);
            return false;
        }
        std::vector<uint8_t> iso;
        if (!isoFid_.empty() || !dfName_.empty()) {
            const auto fid = ParseHex(isoFid_.size() % 2 ? "0" + isoFid_ : isoFid_);
            const auto name = ParseHex(dfName_);
            if (!fid || fid->size() != 2 || !name || name->empty() || name->size() > 16) {
                report.Error("--iso-fid takes four hex digits and --df-name 1 to 16 bytes of hex", 0);
                return false;
            }
            iso = {(*fid)[1], (*fid)[0]};
            iso.insert(iso.end(), name->begin(), name->end());
        }
        if (Kavex_DFCreateApplication(s.handle, aid, *crypto, keys_, isoIds_ ? 1 : 0, changeKeyAccess_, settings_,
                                      iso.empty() ? nullptr : iso.data(), static_cast<int>(iso.size())) < 0)
            return Fail(s, report, "CreateApplication failed");
        report.Value("created", FormatAid(aid));
        return true;
    }

private:
    std::string crypto_ = "aes";
    int keys_ = 1;
    int changeKeyAccess_ = 0;
    int settings_ = 0x0F;
    bool isoIds_ = false;
    std::string isoFid_;
    std::string dfName_;
};

class DeleteAppCommand : public AidCommand {
public:
    std::string Name() const override { return "delete-app"; }
    std::string Help() const override { return "Delete an application"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned aid = 0;
        if (!Aid(report, aid)) return false;
        if (Kavex_DFDeleteApplication(s.handle, aid) < 0) return Fail(s, report, "DeleteApplication failed");
        report.Value("deleted", FormatAid(aid));
        return true;
    }
};

class KeySettingsCommand : public Command {
public:
    std::string Name() const override { return "keysettings"; }
    std::string Help() const override { return "Read the key settings of the selected level"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned char out[4];
        if (Kavex_DFGetKeySettings(s.handle, out, sizeof out) < 0) return Fail(s, report, "GetKeySettings failed");
        report.Value("crypto", CryptoName(out[0]));
        report.Value("max_keys", out[1]);
        report.Value("change_key_access", out[2]);
        report.Value("settings", out[3]);
        return true;
    }
};

class ChangeKeySettingsCommand : public Command {
public:
    std::string Name() const override { return "set-keysettings"; }
    std::string Help() const override { return "Change the key settings of the selected level (needs its master key)"; }
    void Define(CLI::App& app) override
    {
        app.add_option("--change-key-access", changeKeyAccess_, "Change key access rights (0-15)")
            ->check(CLI::Range(0, 15))
            ->required();
        app.add_option("--settings", settings_, "Key settings low nibble (0-15)")->check(CLI::Range(0, 15))->required();
    }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_DFChangeKeySettings(s.handle, changeKeyAccess_, settings_) < 0)
            return Fail(s, report, "ChangeKeySettings failed");
        report.Flag("changed", true);
        return true;
    }

private:
    int changeKeyAccess_ = 0;
    int settings_ = 0;
};

class KeyVersionCommand : public Command {
public:
    std::string Name() const override { return "keyversion"; }
    std::string Help() const override { return "Read a key's version"; }
    void Define(CLI::App& app) override
    {
        app.add_option("--keyno,-n", keyNo_, "Key number")->check(CLI::Range(0, 13));
    }
    bool Run(Session& s, Report& report) override
    {
        const int v = Kavex_DFGetKeyVersion(s.handle, static_cast<unsigned char>(keyNo_));
        if (v < 0) return Fail(s, report, "GetKeyVersion failed");
        report.Value("key", keyNo_);
        report.Value("version", v);
        return true;
    }

private:
    int keyNo_ = 0;
};

class ChangeKeyCommand : public Command {
public:
    std::string Name() const override { return "changekey"; }
    std::string Help() const override { return "Change a key (needs the authentication the key settings ask for)"; }
    void Define(CLI::App& app) override
    {
        app.add_option("--keyno,-n", keyNo_, "Key number")->check(CLI::Range(0, 13));
        newKey_.Define(app, "--new", "--new-name", "New key", true);
        oldKey_.Define(app, "--old", "--old-name",
                       "Old key (needed when changing another key than the authenticated one)", false);
        app.add_option("--version", version_, "Key version (AES keys)")->check(CLI::Range(0, 255));
        app.add_option("--type", type_, "New key type at the card level: des, 3k3des or aes")->capture_default_str();
    }
    bool Run(Session& s, Report& report) override
    {
        std::string error;
        auto newKey = newKey_.Bytes(error);
        auto oldKey = newKey ? oldKey_.Bytes(error) : std::nullopt;
        const auto type = ParseCrypto(type_);
        if (!type) error = "--type takes des, 3k3des or aes";
        if (!newKey || !oldKey || !type) {
            report.Error(error, 0);
            return false;
        }
        if (Kavex_DFChangeKey(s.handle, static_cast<unsigned char>(keyNo_), newKey->data(), 16,
                              static_cast<unsigned char>(version_), oldKey->data(), 16, *type) < 0)
            return Fail(s, report, "ChangeKey failed");
        report.Value("changed", keyNo_);
        return true;
    }

private:
    int keyNo_ = 0;
    KeyInput newKey_;
    KeyInput oldKey_;
    int version_ = 0;
    std::string type_ = "des";
};

} // namespace

std::unique_ptr<Command> MakeAppsCommand()
{
    return std::make_unique<AppsCommand>();
}
std::unique_ptr<Command> MakeSelectCommand()
{
    return std::make_unique<SelectCommand>();
}
std::unique_ptr<Command> MakeCreateAppCommand()
{
    return std::make_unique<CreateAppCommand>();
}
std::unique_ptr<Command> MakeDeleteAppCommand()
{
    return std::make_unique<DeleteAppCommand>();
}
std::unique_ptr<Command> MakeKeySettingsCommand()
{
    return std::make_unique<KeySettingsCommand>();
}
std::unique_ptr<Command> MakeChangeKeySettingsCommand()
{
    return std::make_unique<ChangeKeySettingsCommand>();
}
std::unique_ptr<Command> MakeKeyVersionCommand()
{
    return std::make_unique<KeyVersionCommand>();
}
std::unique_ptr<Command> MakeChangeKeyCommand()
{
    return std::make_unique<ChangeKeyCommand>();
}

} // namespace kavex::cli
