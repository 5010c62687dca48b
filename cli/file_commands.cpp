// Commands on the files of the selected application.
#include <string>

#include "cli/card_args.h"
#include "cli/command.h"
#include "cli/hex_input.h"
#include "kavex.h"

namespace kavex::cli {

namespace {

const char* FileTypeName(int type)
{
    switch (type) {
    case 0: return "std";
    case 1: return "backup";
    case 2: return "value";
    case 3: return "linear";
    case 4: return "cyclic";
    default: return "unknown";
    }
}

uint32_t Le(const unsigned char* p, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

class FileNoCommand : public Command {
public:
    void Define(CLI::App& app) override
    {
        app.add_option("--file,-f", fileNo_, "File number")->check(CLI::Range(0, 31))->required();
    }

protected:
    int fileNo_ = 0;
};

class FilesCommand : public Command {
public:
    std::string Name() const override { return "files"; }
    std::string Help() const override { return "List the file numbers of the selected application"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned char ids[32];
        const int n = Kavex_DFGetFileIDs(s.handle, ids, sizeof ids);
        if (n < 0) return Fail(s, report, "GetFileIDs failed");
        std::string list;
        for (int i = 0; i < n; ++i) list += (i ? " " : "") + std::to_string(ids[i]);
        report.Value("count", n);
        report.Value("files", list);
        return true;
    }
};

class FileSettingsCommand : public FileNoCommand {
public:
    std::string Name() const override { return "filesettings"; }
    std::string Help() const override { return "Show a file's type, communication mode, access rights and size"; }
    bool Run(Session& s, Report& report) override
    {
        unsigned char b[32];
        const int n = Kavex_DFGetFileSettings(s.handle, static_cast<unsigned char>(fileNo_), b, sizeof b);
        if (n < 4) return Fail(s, report, "GetFileSettings failed");
        report.Value("type", FileTypeName(b[0]));
        report.Value("comm", CommModeName(b[1]));
        char access[8];
        std::snprintf(access, sizeof access, "%04X", b[2] | b[3] << 8);
        report.Value("access", access);
        if ((b[0] == 0 || b[0] == 1) && n >= 7) report.Value("size", Le(b + 4, 3));
        if (b[0] == 2 && n >= 17) {
            report.Value("lower", static_cast<int32_t>(Le(b + 4, 4)));
            report.Value("upper", static_cast<int32_t>(Le(b + 8, 4)));
            report.Value("limited_credit_value", static_cast<int32_t>(Le(b + 12, 4)));
            report.Flag("limited_credit", b[16] & 1);
        }
        if ((b[0] == 3 || b[0] == 4) && n >= 13) {
            report.Value("record_size", Le(b + 4, 3));
            report.Value("max_records", Le(b + 7, 3));
            report.Value("records", Le(b + 10, 3));
        }
        report.Value("raw", ToHex(b, static_cast<size_t>(n), ""));
        return true;
    }
};

class CreateFileCommand : public FileNoCommand {
public:
    std::string Name() const override { return "create-file"; }
    std::string Help() const override { return "Create a file: std, backup, value, linear or cyclic"; }
    void Define(CLI::App& app) override
    {
        FileNoCommand::Define(app);
        app.add_option("--type", type_, "std, backup, value, linear or cyclic")->required();
        app.add_option("--comm", comm_, "plain, mac or enc")->capture_default_str();
        app.add_option("--access", access_, "Access rights as four hex digits: read, write, read&write, change")
            ->capture_default_str();
        app.add_option("--iso-id", isoId_, "ISO file ID, hex (data and record files)");
        app.add_option("--size", size_, "File size in bytes (data files)");
        app.add_option("--record-size", recordSize_, "Record size (record files)");
        app.add_option("--max-records", maxRecords_, "Maximum number of records (record files)");
        app.add_option("--lower", lower_, "Lower limit (value files)");
        app.add_option("--upper", upper_, "Upper limit (value files)");
        app.add_option("--value", value_, "Initial value (value files)");
        app.add_flag("--limited-credit", limitedCredit_, "Allow limited credit (value files)");
    }
    bool Run(Session& s, Report& report) override
    {
        const auto comm = ParseCommMode(comm_);
        const auto access = ParseHex(access_.size() == 4 ? access_ : std::string("x"));
        const auto iso = ParseHex(isoId_.size() % 2 ? "0" + isoId_ : isoId_);
        if (!comm || !access || !iso || iso->size() > 2) {
            report.Error("--comm takes plain, mac or enc; --access four hex digits; --iso-id up to four", 0);
            return false;
        }
        const auto accessWord = static_cast<unsigned short>((*access)[0] << 8 | (*access)[1]);
        unsigned short isoId = 0;
        for (uint8_t b : *iso) isoId = static_cast<unsigned short>(isoId << 8 | b);
        const auto f = static_cast<unsigned char>(fileNo_);
        const auto c = static_cast<unsigned char>(*comm);
        int r;
        if (type_ == "std")
            r = Kavex_DFCreateStdDataFile(s.handle, f, isoId, size_, c, accessWord);
        else if (type_ == "backup")
            r = Kavex_DFCreateBackupDataFile(s.handle, f, isoId, size_, c, accessWord);
        else if (type_ == "value")
            r = Kavex_DFCreateValueFile(s.handle, f, c, accessWord, lower_, upper_, value_, limitedCredit_ ? 1 : 0);
        else if (type_ == "linear")
            r = Kavex_DFCreateLinearRecordFile(s.handle, f, isoId, c, accessWord, recordSize_, maxRecords_);
        else if (type_ == "cyclic")
            r = Kavex_DFCreateCyclicRecordFile(s.handle, f, isoId, c, accessWord, recordSize_, maxRecords_);
        else {
            report.Error("--type takes std, backup, value, linear or cyclic", 0);
            return false;
        }
        if (r < 0) return Fail(s, report, "creating the file failed");
        report.Value("created", fileNo_);
        return true;
    }

private:
    std::string type_;
    std::string comm_ = "plain";
    std::string access_ = "EEEE";
    std::string isoId_;
    int size_ = 32;
    int recordSize_ = 16;
    int maxRecords_ = 10;
    int lower_ = 0;
    int upper_ = 1000;
    int value_ = 0;
    bool limitedCredit_ = false;
};

class DeleteFileCommand : public FileNoCommand {
public:
    std::string Name() const override { return "delete-file"; }
    std::string Help() const override { return "Delete a file"; }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_DFDeleteFile(s.handle, static_cast<unsigned char>(fileNo_)) < 0)
            return Fail(s, report, "DeleteFile failed");
        report.Value("deleted", fileNo_);
        return true;
    }
};

} // namespace

std::unique_ptr<Command> MakeFilesCommand()
{
    return std::make_unique<FilesCommand>();
}
std::unique_ptr<Command> MakeFileSettingsCommand()
{
    return std::make_unique<FileSettingsCommand>();
}
std::unique_ptr<Command> MakeCreateFileCommand()
{
    return std::make_unique<CreateFileCommand>();
}
std::unique_ptr<Command> MakeDeleteFileCommand()
{
    return std::make_unique<DeleteFileCommand>();
}

} // namespace kavex::cli
