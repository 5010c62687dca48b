// The kavex tool as a user runs it: a separate process against the
// simulated reader on a pty, checked by its output and exit code.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/hex_input.h"
#include "tests/support/sim_reader.h"

namespace {

struct Result {
    int exitCode;
    std::string out;
};

Result RunKavex(const std::string& args)
{
    const std::string cmd = std::string(KAVEX_CLI_PROGRAM) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    Result r{-1, {}};
    if (!p) return r;
    std::array<char, 512> buf{};
    while (fgets(buf.data(), buf.size(), p)) r.out += buf.data();
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class CliAgainstSimulator : public ::testing::Test {
protected:
    kavex::test::SimReader reader;
};

} // namespace

TEST_F(CliAgainstSimulator, InfoAsTextAndJson)
{
    Result r = RunKavex("--port " + reader.link + " info");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("type: 125"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("firmware: FW V1.05"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("programmer: yes"), std::string::npos) << r.out;

    r = RunKavex("--port " + reader.link + " --json info");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_TRUE(doc["ok"].get<bool>());
    EXPECT_EQ(doc["commands"][0]["type"], "125");
    EXPECT_EQ(doc["commands"][0]["programmer"], true);
}

TEST_F(CliAgainstSimulator, FailuresExitNonZeroWithTheStatusText)
{
    Result r = RunKavex("--port /nonexistent/tty info");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.out.find("cannot be opened"), std::string::npos) << r.out;

    // The open's identification goes through; the info command's own
    // exchange is refused by the reader.
    reader.Sim().InjectFault(kavex::sim::Fault{});
    reader.Sim().InjectFault(kavex::sim::Fault::Status(0x0E));
    r = RunKavex("--port " + reader.link + " info");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("Command not allowed"), std::string::npos) << r.out;

    r = RunKavex("--port " + reader.link + " --timeout -5 info");
    EXPECT_NE(r.exitCode, 0) << r.out;

    r = RunKavex("info");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.out.find("--port"), std::string::npos) << r.out;

    r = RunKavex("--port " + reader.link);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.out.find("no command"), std::string::npos) << r.out;
}

TEST(CliHex, AcceptedAndRefusedSpellings)
{
    using kavex::cli::ParseHex;
    EXPECT_EQ(ParseHex("00112233"), (std::vector<uint8_t>{0x00, 0x11, 0x22, 0x33}));
    EXPECT_EQ(ParseHex("0x0A:0b 0C-0d"), (std::vector<uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(ParseHex(""), std::vector<uint8_t>{});
    EXPECT_FALSE(ParseHex("123"));
    EXPECT_FALSE(ParseHex("zz"));
    EXPECT_FALSE(ParseHex("12 3"));
    EXPECT_EQ(kavex::cli::ToHex({0xAB, 0x01}, ""), "AB01");
}

namespace {

// kavex-sim as its own process, as a user starts it.
class SimProgram {
public:
    SimProgram(const std::string& link, const std::string& cardFile) : link_(link)
    {
        pid_ = fork();
        if (pid_ == 0) {
            execl(KAVEX_SIM_PROGRAM, KAVEX_SIM_PROGRAM, "--link", ("pty:" + link).c_str(), "--card", cardFile.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200 && access(link.c_str(), F_OK) != 0; ++i) usleep(10000);
    }
    ~SimProgram()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }

private:
    std::string link_;
    pid_t pid_ = -1;
};

} // namespace

TEST(CliCardSession, ChainedCommandsAndACardThatOutlivesTheSimulator)
{
    const std::string link = kavex::test::UniqueLinkPath();
    const std::string cardFile = link + ".json";
    unlink(cardFile.c_str());
    {
        SimProgram sim(link, cardFile);
        const auto r = RunKavex("--port " + link +
                                " --json activate auth --key 00 version freemem create-app --aid 00A1B2 --crypto aes"
                                " --keys 2 select --aid A1B2 auth --aes --key 00 create-file --file 3 --type std"
                                " --size 64 --comm enc --access 0000 write --file 3 --text \"Hallo Karte\"");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const auto doc = nlohmann::json::parse(r.out);
        const auto& c = doc["commands"];
        EXPECT_EQ(c[0]["uid"], "04112233445566");
        EXPECT_EQ(c[0]["iso14443_4"], true);
        EXPECT_EQ(c[2]["hardware"].get<std::string>().substr(0, 2), "04"); // vendor
        EXPECT_EQ(c[3]["free_bytes"], 7936);
        EXPECT_EQ(c[8]["written"], 11);
    }
    {
        SimProgram sim(link, cardFile);
        auto r = RunKavex("--port " + link +
                          " activate select --aid A1B2 auth --aes --key 00 read --file 3 --length 11 --as-text");
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_NE(r.out.find("text: Hallo Karte"), std::string::npos) << r.out;
        // Enciphered data without the key: the card refuses, the tool says so.
        r = RunKavex("--port " + link + " activate select --aid A1B2 read --file 3");
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_NE(r.out.find("read"), std::string::npos) << r.out;
    }
    unlink(cardFile.c_str());
}

TEST(CliCardSession, DataGoesOnTheCardFromAFileAndBackByteForByte)
{
    const std::string link = kavex::test::UniqueLinkPath();
    const std::string cardFile = link + ".json", in = link + ".in", out = link + ".out";
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(i * 7 + i / 256);
    {
        std::ofstream f(in, std::ios::binary);
        f << bytes;
    }
    unlink(cardFile.c_str());
    unlink(out.c_str());
    {
        SimProgram sim(link, cardFile);
        const auto r =
            RunKavex("--port " + link +
                     " --json activate create-app --aid 00A1B3 --keys 1 select --aid A1B3 create-file"
                     " --file 1 --type std --size 4000 --comm plain --access EEEE write --file 1 --offset 500"
                     " --in " +
                     in + " read --file 1 --offset 500 --length 3000 --out " + out);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const auto doc = nlohmann::json::parse(r.out);
        EXPECT_EQ(doc["commands"][4]["written"], 3000);
        EXPECT_EQ(doc["commands"][5]["saved"], out);
        // A file that is not there is refused before the card is asked.
        const auto missing =
            RunKavex("--port " + link + " activate select --aid A1B3 write --file 1 --in " + link + ".missing");
        EXPECT_NE(missing.exitCode, 0);
        EXPECT_NE(missing.out.find("cannot read"), std::string::npos) << missing.out;
    }
    std::ifstream f(out, std::ios::binary);
    const std::string back((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, bytes);
    for (const std::string& p : {cardFile, in, out}) unlink(p.c_str());
}
