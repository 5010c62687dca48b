#include "cli/card_args.h"

#include "cli/hex_input.h"
#include "kavex.h"
#include "cli/stored_key.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace kavex::cli {

std::optional<unsigned> ParseAid(const std::string& text)
{
    const auto bytes = ParseHex(text.size() % 2 ? "0" + text : text);
    if (!bytes || bytes->empty() || bytes->size() > 3) return std::nullopt;
    unsigned aid = 0;
    for (uint8_t b : *bytes) aid = aid << 8 | b;
    return aid;
}

std::string FormatAid(unsigned aid)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", aid & 0xFFFFFF);
    return buf;
}

std::optional<int> ParseCommMode(const std::string& text)
{
    if (text == "plain" || text == "0") return 0;
    if (text == "mac" || text == "1") return 1;
    if (text == "enc" || text == "3") return 3;
    return std::nullopt;
}

const char* CommModeName(int mode)
{
    switch (mode) {
    case 0: return "plain";
    case 1: return "mac";
    case 3: return "enc";
    default: return "unknown";
    }
}

void DataInput::Define(CLI::App& app)
{
    hexOption = app.add_option("--hex", hex, "Data as hexadecimal");
    textOption = app.add_option("--text", text, "Data as text (UTF-8 bytes)");
    inOption = app.add_option("--in", inFile, "Data from a file, byte for byte");
    hexOption->excludes(textOption);
    inOption->excludes(hexOption)->excludes(textOption);
}

std::optional<std::vector<uint8_t>> DataInput::Bytes(std::string& error) const
{
    if (textOption->count()) return std::vector<uint8_t>(text.begin(), text.end());
    if (inOption->count()) {
        std::ifstream in(inFile, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof()) {
            error = "cannot read " + inFile;
            return std::nullopt;
        }
        if (bytes.empty()) {
            error = inFile + " holds no data";
            return std::nullopt;
        }
        return bytes;
    }
    if (!hexOption->count()) {
        error = "give the data with --hex, --text or --in";
        return std::nullopt;
    }
    auto bytes = ParseHex(hex);
    if (!bytes) error = "--hex takes pairs of hexadecimal digits";
    return bytes;
}

void KeyInput::Define(CLI::App& app, const std::string& hexFlags, const std::string& nameFlag, const std::string& what,
                      bool required)
{
    CLI::Option_group* group = app.add_option_group(what);
    hexOption =
        group->add_option(hexFlags, hex, what + " as hexadecimal, up to 16 bytes; shorter keys are padded with zeros");
    nameOption =
        group->add_option(nameFlag, name, what + " by its name in the Velmora key store (" + KeyStoreFilePath() + ")");
    if (required)
        group->require_option(1);
    else
        group->require_option(0, 1);
}

std::optional<std::vector<uint8_t>> KeyInput::Bytes(std::string& error) const
{
    if (nameOption->count()) return KeyFromStore(name, error);
    std::vector<uint8_t> key;
    if (hexOption->count()) {
        auto bytes = ParseHex(hex);
        if (!bytes || bytes->size() > 16) {
            error = hexOption->get_name() + " takes up to 16 bytes of hexadecimal digits";
            return std::nullopt;
        }
        key = *bytes;
    }
    key.resize(16, 0);
    return key;
}

bool ResolveCommMode(Session& s, Report& report, int fileNo, const std::string& given, int& mode)
{
    if (!given.empty()) {
        const auto m = ParseCommMode(given);
        if (!m) {
            report.Error("--comm takes plain, mac or enc", 0);
            return false;
        }
        mode = *m;
        return true;
    }
    unsigned char settings[32];
    if (Kavex_DFGetFileSettings(s.handle, static_cast<unsigned char>(fileNo), settings, sizeof settings) < 2)
        return Fail(s, report, "reading the file's settings failed (name the mode with --comm)");
    mode = settings[1];
    return true;
}

TransferProgressLine::TransferProgressLine()
{
    if (isatty(STDERR_FILENO)) Kavex_SetProgressHook(&TransferProgressLine::Hook, this);
}

TransferProgressLine::~TransferProgressLine()
{
    Kavex_SetProgressHook(nullptr, nullptr);
    if (shown_) std::fputc('\n', stderr);
}

void TransferProgressLine::Hook(void* context, int done, int total)
{
    auto* self = static_cast<TransferProgressLine*>(context);
    if ((total ? total : done) <= 1024) return;
    self->shown_ = true;
    if (total)
        std::fprintf(stderr, "\r%d of %d bytes", done, total);
    else
        std::fprintf(stderr, "\r%d bytes", done);
    std::fflush(stderr);
}

bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void ReportData(Report& report, const std::vector<uint8_t>& data, bool asText)
{
    report.Value("length", static_cast<long long>(data.size()));
    if (asText)
        report.Value("text", std::string(data.begin(), data.end()));
    else
        report.Value("data", ToHex(data, ""));
}

} // namespace kavex::cli
