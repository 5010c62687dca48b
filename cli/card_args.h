// Option values shared by the application, file and data commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command.h"

namespace kavex::cli {

// An application ID as six hexadecimal digits ("F00001"), at most 0xFFFFFF.
std::optional<unsigned> ParseAid(const std::string& text);
std::string FormatAid(unsigned aid);

// Communication mode of file data: "plain" 0, "mac" 1, "enc" 3.
std::optional<int> ParseCommMode(const std::string& text);
const char* CommModeName(int mode);

// Data given either as hexadecimal or as text; exactly one of them.
struct DataInput {
    std::string hex;
    std::string text;
    std::string inFile;
    CLI::Option* hexOption = nullptr;
    CLI::Option* textOption = nullptr;
    CLI::Option* inOption = nullptr;
    void Define(CLI::App& app);
    // The bytes, or nullopt with the reason in error.
    std::optional<std::vector<uint8_t>> Bytes(std::string& error) const;
};

// Shows on stderr, when it is a terminal, how far a transfer of more than
// 1 KB has got; removed again at the end of the scope.
class TransferProgressLine {
public:
    TransferProgressLine();
    ~TransferProgressLine();
    TransferProgressLine(const TransferProgressLine&) = delete;
    TransferProgressLine& operator=(const TransferProgressLine&) = delete;

private:
    static void Hook(void* context, int done, int total);
    bool shown_ = false;
};

// Writes bytes to path (replacing it); false with the reason in error.
bool SaveBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// A key given as hexadecimal or by its name in the Velmora program's key
// store; at most one of the two, or exactly one when required.
struct KeyInput {
    std::string hex;
    std::string name;
    CLI::Option* hexOption = nullptr;
    CLI::Option* nameOption = nullptr;
    // hexFlags as CLI11 spells them ("--key,-k"), nameFlag likewise.
    void Define(CLI::App& app, const std::string& hexFlags, const std::string& nameFlag, const std::string& what,
                bool required);
    // 16 bytes (shorter keys padded with zeros; none given: all zero), or
    // nullopt with the reason in error.
    std::optional<std::vector<uint8_t>> Bytes(std::string& error) const;
};

// The file's own communication mode, read from its settings, unless the
// user named one. Returns false with the report filled when neither works.
bool ResolveCommMode(Session& s, Report& report, int fileNo, const std::string& given, int& mode);

// Prints data as hexadecimal, and as text when asked.
void ReportData(Report& report, const std::vector<uint8_t>& data, bool asText);

} // namespace kavex::cli
