// Commands on file contents: data, values, records and transactions.
#include <string>
#include <vector>

#include "cli/card_args.h"
#include "cli/command.h"
#include "kavex.h"

namespace kavex::cli {

namespace {

// Largest read the tool asks for in one go.
constexpr unsigned kMaxRead = 64 * 1024;

class FileDataCommand : public Command {
public:
    void Define(CLI::App& app) override
    {
        app.add_option("--file,-f", fileNo_, "File number")->check(CLI::Range(0, 31))->required();
        app.add_option("--comm", comm_, "plain, mac or enc (default: the file's own mode)");
    }

protected:
    unsigned char File() const { return static_cast<unsigned char>(fileNo_); }
    bool Mode(Session& s, Report& report, int& mode) { return ResolveCommMode(s, report, fileNo_, comm_, mode); }
    int fileNo_ = 0;
    std::string comm_;
};

class ReadCommand : public FileDataCommand {
public:
    std::string Name() const override { return "read"; }
    std::string Help() const override { return "Read a data file"; }
    void Define(CLI::App& app) override
    {
        FileDataCommand::Define(app);
        app.add_option("--offset", offset_, "Offset in bytes")->check(CLI::NonNegativeNumber);
        app.add_option("--length", length_, "Bytes to read (0: to the end of the file)")
            ->check(CLI::Range(0u, kMaxRead));
        app.add_flag("--as-text", asText_, "Print the data as text");
        app.add_option("--out", outFile_, "Save the data to a file, byte for byte");
    }
    bool Run(Session& s, Report& report) override
    {
        int mode = 0;
        if (!Mode(s, report, mode)) return false;
        std::vector<unsigned char> buf(length_ ? length_ : kMaxRead);
        int n = 0;
        {
            TransferProgressLine progress;
            n = Kavex_DFReadData(s.handle, File(), static_cast<unsigned char>(mode), offset_, length_, buf.data(),
                                 static_cast<int>(buf.size()));
        }
        if (n < 0) return Fail(s, report, "ReadData failed");
        buf.resize(static_cast<size_t>(n));
        if (!outFile_.empty()) {
            std::string error;
            if (!SaveBytes(outFile_, buf, error)) {
                report.Error(error, 0);
                return false;
            }
            report.Value("length", static_cast<long long>(buf.size()));
            report.Value("saved", outFile_);
            return true;
        }
        ReportData(report, buf, asText_);
        return true;
    }

private:
    unsigned offset_ = 0;
    unsigned length_ = 0;
    bool asText_ = false;
    std::string outFile_;
};

// Writing data and writing a record take the same arguments; only the
// card command differs.
class WriteCommand : public FileDataCommand {
public:
    using Operation = int (*)(int, unsigned char, unsigned char, unsigned int, const unsigned char*, int);
    WriteCommand(std::string name, std::string help, std::string offsetHelp, bool needsCommit, Operation op)
        : name_(std::move(name)), help_(std::move(help)), offsetHelp_(std::move(offsetHelp)), needsCommit_(needsCommit),
          op_(op)
    {
    }
    std::string Name() const override { return name_; }
    std::string Help() const override { return help_; }
    void Define(CLI::App& app) override
    {
        FileDataCommand::Define(app);
        app.add_option("--offset", offset_, offsetHelp_)->check(CLI::NonNegativeNumber);
        data_.Define(app);
    }
    bool Run(Session& s, Report& report) override
    {
        std::string error;
        const auto data = data_.Bytes(error);
        if (!data) {
            report.Error(error, 0);
            return false;
        }
        int mode = 0;
        if (!Mode(s, report, mode)) return false;
        int result = 0;
        {
            TransferProgressLine progress;
            result = op_(s.handle, File(), static_cast<unsigned char>(mode), offset_, data->data(),
                         static_cast<int>(data->size()));
        }
        if (result < 0) return Fail(s, report, name_ + " failed");
        report.Value("written", static_cast<long long>(data->size()));
        if (needsCommit_) report.Flag("commit_needed", true);
        return true;
    }

private:
    std::string name_;
    std::string help_;
    std::string offsetHelp_;
    bool needsCommit_;
    Operation op_;
    unsigned offset_ = 0;
    DataInput data_;
};

class ValueCommand : public FileDataCommand {
public:
    std::string Name() const override { return "value"; }
    std::string Help() const override { return "Read a value file"; }
    bool Run(Session& s, Report& report) override
    {
        int mode = 0;
        if (!Mode(s, report, mode)) return false;
        int value = 0;
        if (Kavex_DFGetValue(s.handle, File(), static_cast<unsigned char>(mode), &value) < 0)
            return Fail(s, report, "GetValue failed");
        report.Value("value", value);
        return true;
    }
};

// Credit, debit and limited credit differ only in the function they call.
class AmountCommand : public FileDataCommand {
public:
    using Operation = int (*)(int, unsigned char, unsigned char, int);
    AmountCommand(std::string name, std::string help, Operation op)
        : name_(std::move(name)), help_(std::move(help)), op_(op)
    {
    }
    std::string Name() const override { return name_; }
    std::string Help() const override { return help_; }
    void Define(CLI::App& app) override
    {
        FileDataCommand::Define(app);
        app.add_option("--amount", amount_, "Amount")->check(CLI::NonNegativeNumber)->required();
    }
    bool Run(Session& s, Report& report) override
    {
        int mode = 0;
        if (!Mode(s, report, mode)) return false;
        if (op_(s.handle, File(), static_cast<unsigned char>(mode), amount_) < 0)
            return Fail(s, report, name_ + " failed");
        report.Value("amount", amount_);
        report.Flag("commit_needed", true);
        return true;
    }

private:
    std::string name_;
    std::string help_;
    Operation op_;
    int amount_ = 0;
};

class ReadRecordsCommand : public FileDataCommand {
public:
    std::string Name() const override { return "read-records"; }
    std::string Help() const override { return "Read records"; }
    void Define(CLI::App& app) override
    {
        FileDataCommand::Define(app);
        app.add_option("--offset", offset_, "First record, counted from the newest")->check(CLI::NonNegativeNumber);
        app.add_option("--count", count_, "Number of records (0: all)")->check(CLI::NonNegativeNumber);
        app.add_option("--record-size", recordSize_, "Record size (default: from the file's settings)");
        app.add_flag("--as-text", asText_, "Print the data as text");
    }
    bool Run(Session& s, Report& report) override
    {
        int mode = 0;
        if (!Mode(s, report, mode)) return false;
        unsigned size = recordSize_;
        if (size == 0) {
            unsigned char b[32];
            if (Kavex_DFGetFileSettings(s.handle, File(), b, sizeof b) < 13)
                return Fail(s, report, "reading the record size failed (give --record-size)");
            size = b[4] | b[5] << 8 | b[6] << 16;
        }
        std::vector<unsigned char> buf(kMaxRead);
        const int n = Kavex_DFReadRecords(s.handle, File(), static_cast<unsigned char>(mode), offset_, count_, size,
                                          buf.data(), static_cast<int>(buf.size()));
        if (n < 0) return Fail(s, report, "ReadRecords failed");
        buf.resize(static_cast<size_t>(n));
        ReportData(report, buf, asText_);
        return true;
    }

private:
    unsigned offset_ = 0;
    unsigned count_ = 0;
    unsigned recordSize_ = 0;
    bool asText_ = false;
};

class ClearRecordsCommand : public Command {
public:
    std::string Name() const override { return "clear-records"; }
    std::string Help() const override { return "Clear a record file"; }
    void Define(CLI::App& app) override
    {
        app.add_option("--file,-f", fileNo_, "File number")->check(CLI::Range(0, 31))->required();
    }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_DFClearRecordFile(s.handle, static_cast<unsigned char>(fileNo_)) < 0)
            return Fail(s, report, "ClearRecordFile failed");
        report.Flag("commit_needed", true);
        return true;
    }

private:
    int fileNo_ = 0;
};

class CommitCommand : public Command {
public:
    std::string Name() const override { return "commit"; }
    std::string Help() const override { return "Commit the transaction of backup, value and record files"; }
    bool Run(Session& s, Report& report) override
    {
        if (Kavex_DFCommitTransaction(s.handle) < 0) return Fail(s, report, "CommitTransaction failed");
        report.Flag("committed", true);
        return true;
    }
};

} // namespace

std::unique_ptr<Command> MakeReadCommand()
{
    return std::make_unique<ReadCommand>();
}
std::unique_ptr<Command> MakeWriteCommand()
{
    return std::make_unique<WriteCommand>("write", "Write to a data file (--hex or --text)", "Offset in bytes", false,
                                          Kavex_DFWriteData);
}
std::unique_ptr<Command> MakeValueCommand()
{
    return std::make_unique<ValueCommand>();
}
std::unique_ptr<Command> MakeCreditCommand()
{
    return std::make_unique<AmountCommand>("credit", "Credit a value file", Kavex_DFCredit);
}
std::unique_ptr<Command> MakeDebitCommand()
{
    return std::make_unique<AmountCommand>("debit", "Debit a value file", Kavex_DFDebit);
}
std::unique_ptr<Command> MakeLimitedCreditCommand()
{
    return std::make_unique<AmountCommand>("limited-credit", "Limited credit on a value file", Kavex_DFLimitedCredit);
}
std::unique_ptr<Command> MakeWriteRecordCommand()
{
    return std::make_unique<WriteCommand>("write-record", "Write a record (--hex or --text)",
                                          "Offset within the record", true, Kavex_DFWriteRecord);
}
std::unique_ptr<Command> MakeReadRecordsCommand()
{
    return std::make_unique<ReadRecordsCommand>();
}
std::unique_ptr<Command> MakeClearRecordsCommand()
{
    return std::make_unique<ClearRecordsCommand>();
}
std::unique_ptr<Command> MakeCommitCommand()
{
    return std::make_unique<CommitCommand>();
}

} // namespace kavex::cli
