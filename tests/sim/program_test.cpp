// The kavex-sim program: options, the pty link and clean exit on signals.
#include "tests/sim/host_port.h"
#include "sim/frames.h"
#include "sim/desfire/card_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <csignal>
#include <string>
#include <vector>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KAVEX_SIM_EXE
#error "KAVEX_SIM_EXE must name the kavex-sim program"
#endif

extern char** environ;

using namespace kavex::sim;
using namespace kavex::sim::testing;
using namespace std::chrono_literals;

namespace {

Bytes H(const std::string& hex)
{
    return ParseHex(hex).value();
}

// A running kavex-sim. Its stdout is a pipe; the first line says that the link exists.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        args.insert(args.begin(), KAVEX_SIM_EXE);
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        out_ = out[0];
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }

    // The program's first line of output, or "" when it ended or took too long.
    std::string FirstLine(std::chrono::milliseconds timeout = 3000ms)
    {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (line.find('\n') == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return "";
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
            char buf[256];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0) return "";
            line.append(buf, static_cast<size_t>(n));
        }
        return line;
    }

    // Sends `sig` and waits (bounded) for the exit status; -1 on timeout.
    int SignalAndWait(int sig, std::chrono::milliseconds timeout = 3000ms)
    {
        if (sig) ::kill(pid_, sig);
        const auto end = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        // The child's exit closes the pipe: wait on it instead of polling waitpid.
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return -1;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return -1;
            char buf[256];
            if (::read(out_, buf, sizeof buf) <= 0) break;
        }
        if (::waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return status;
    }

    bool started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

} // namespace

TEST(Program, DefaultsAreAVariant0ProgrammerWithADesfireCard)
{
    const std::string link = UniqueLinkPath();
    SimProcess sim({"--link", "pty:" + link});
    ASSERT_TRUE(sim.started());
    const std::string line = sim.FirstLine();
    ASSERT_NE(line, "");
    EXPECT_NE(line.find(link), std::string::npos) << line;
    {
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        EXPECT_EQ(host.Ask(0, 0xF0)->data, H("31 32 35 35"));
        EXPECT_EQ(host.Ask(0, 0x30)->data, H("44 03"));
        EXPECT_EQ(host.Ask(0, 0x31)->data, H("20 04 11 22 33 44 55 66"));
        EXPECT_EQ(host.Ask(0, 0x41)->data, H("75 77 81 02 80"));
        EXPECT_EQ(host.Ask(0, 0x42, {0})->status, 0);
    }
    const int status = sim.SignalAndWait(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(PathExists(link));
}

TEST(Program, OptionsVariant2IdentFvAndCard)
{
    const std::string link = UniqueLinkPath();
    SimProcess sim({"--link", "pty:" + link, "--variant", "2", "--ident-hex", "04 05 31 35", "--fv-hex", "31 37 31 39",
                    "--card-kind", "test", "--uid", "01020304", "--sak", "28", "--atqa", "0004", "--ats",
                    "05 78 80 70 02"});
    ASSERT_TRUE(sim.started());
    ASSERT_NE(sim.FirstLine(), "");
    {
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        host.Write(H("1E 0B 00"));
        EXPECT_EQ(host.Read(7, 1000ms), H("1E 0B 04 04 05 31 35"));
        EXPECT_EQ(host.Ask(2, 0xF0, {'F', 'V'})->data, H("31 37 31 39"));
        EXPECT_EQ(host.Ask(2, 0x30)->data, H("04 00"));
        EXPECT_EQ(host.Ask(2, 0x31)->data, H("28 01 02 03 04"));
        EXPECT_EQ(host.Ask(2, 0x41)->data, H("78 80 70 02"));
    }
    const int status = sim.SignalAndWait(SIGINT);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(PathExists(link));
}

TEST(Program, NoCardPiecesAndAddress)
{
    const std::string link = UniqueLinkPath();
    SimProcess sim({"--link", "pty:" + link, "--variant", "1", "--address", "7", "--no-card", "--log"});
    ASSERT_TRUE(sim.started());
    ASSERT_NE(sim.FirstLine(), "");
    {
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        host.Write(BuildRequestFrame(1, 7, 0x30));
        auto a = host.ReadAnswer(1);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->status, 0x15);
    }
    const int status = sim.SignalAndWait(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Program, BadOptionsFail)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--link", "tcp:1234"},
                                               {"--link", "pty:/tmp/x", "--variant", "4"},
                                               {"--link", "pty:/tmp/x", "--uid", "0102"},
                                               {"--link", "pty:/tmp/x", "--ats", "06 75"},
                                               {"--link", "pty:/tmp/x", "--ident", "1255", "--ident-hex", "31"},
                                               {"--link", "vpcd:localhost:"},
                                               {"--link", "vpcd:localhost:0"},
                                               {"--link", "vpcd", "--no-card"},
                                               {"--link", "pn532:pty:"},
                                               {}}) {
        SimProcess sim(args);
        ASSERT_TRUE(sim.started());
        const int status = sim.SignalAndWait(0);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_NE(WEXITSTATUS(status), 0);
    }
}

TEST(Program, Pn532LinkAnswersOnItsPty)
{
    const std::string link = UniqueLinkPath();
    SimProcess sim({"--link", "pn532:pty:" + link, "--log"});
    ASSERT_TRUE(sim.started());
    const std::string line = sim.FirstLine();
    EXPECT_NE(line.find("pn532_uart:" + link), std::string::npos) << line;
    {
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        host.Write(H("00 00 FF 02 FE D4 02 2A 00"));
        EXPECT_EQ(host.Read(19, 1000ms), H("00 00 FF 00 FF 00 00 00 FF 06 FA D5 03 32 01 06 07 E8 00"));
    }
    const int status = sim.SignalAndWait(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(PathExists(link));
}

TEST(Program, TcpLinkServesTheReaderOnThePortItNames)
{
    SimProcess sim({"--link", "tcp:127.0.0.1:0", "--card-kind", "test"});
    ASSERT_TRUE(sim.started());
    const std::string line = sim.FirstLine();
    const size_t at = line.find("127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << line;
    const int port = std::atoi(line.c_str() + at + 10);
    ASSERT_GT(port, 0) << line;

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const Bytes ident = BuildRequestFrame(0, 1, 0xF0);
    ASSERT_EQ(send(fd, ident.data(), ident.size(), 0), static_cast<ssize_t>(ident.size()));
    Bytes answer;
    uint8_t buf[64];
    for (int reads = 0; reads < 8 && answer.size() < 9; ++reads) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) break;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        answer.insert(answer.end(), buf, buf + n);
    }
    close(fd);
    // The identification answer "1255" inside the frame.
    const Bytes digits = H("31 32 35 35");
    EXPECT_NE(std::search(answer.begin(), answer.end(), digits.begin(), digits.end()), answer.end());
    EXPECT_EQ(WEXITSTATUS(sim.SignalAndWait(SIGTERM)), 0);
}

TEST(Program, BluetoothModuleReportsItsReaderAndADisconnectOnSigusr1)
{
    const std::string link = UniqueLinkPath();
    SimProcess sim({"--link", "bt-module:pty:" + link, "--bt-class", "123456"});
    ASSERT_TRUE(sim.started());
    ASSERT_NE(sim.FirstLine().find(link), std::string::npos);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    // Inquiry: 02 52 00 03 00 55 06 00 00 03.
    host.Write(H("02 52 00 03 00 55 06 00 00 03"));
    // The result (the reader's address and its class, low byte first),
    // then the inquiry's confirmation.
    const Bytes result = host.Read(24, 2000ms);
    ASSERT_EQ(result.size(), 24u);
    EXPECT_EQ(Bytes(result.begin(), result.begin() + 6), H("02 69 01 09 00 73"));
    EXPECT_EQ(Bytes(result.begin() + 12, result.begin() + 16), H("56 34 12 03"));
    EXPECT_EQ(Bytes(result.begin() + 16, result.end()), H("02 43 00 01 00 44 00 03"));
    ::kill(sim.Pid(), SIGUSR1);
    EXPECT_EQ(host.Read(8, 2000ms), H("02 69 0E 01 00 78 00 03"));
    EXPECT_EQ(WEXITSTATUS(sim.SignalAndWait(SIGTERM)), 0);
}

// The card file is replaced in one step, so a simulator killed in the
// middle of saving leaves the card as it was before the write it was
// taking or as it was after it, and the file loads.
TEST(Program, KilledWhileSavingItsCardLeavesTheOldOrTheNewCard)
{
    char dir[] = "/tmp/kavex-card-kill-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/card.json";
    const Bytes kWriteHeader = H("3D 01 00 00 00 20 00 00");
    auto contents = [](int k) { return Bytes(32, static_cast<uint8_t>(k)); };
    int written = 0; // the last write the card acknowledged
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const std::string link = UniqueLinkPath();
        SimProcess sim({"--link", "pty:" + link, "--card", file});
        ASSERT_NE(sim.FirstLine(), "");
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        for (uint8_t c : {0x30, 0x31, 0x41}) ASSERT_EQ(host.Ask(0, c)->status, 0);
        // Application 1 with a free 32-byte file 1; both stay from the first round on.
        host.Ask(0, 0x45, H("CA 01 00 00 0F 01"));
        ASSERT_EQ(host.Ask(0, 0x45, H("5A 01 00 00"))->data, H("00"));
        host.Ask(0, 0x45, H("CD 01 00 EE EE 20 00 00"));
        for (int i = 0; i < 3 + round * 5; ++i) {
            Bytes frame = kWriteHeader;
            const Bytes data = contents(written + 1);
            frame.insert(frame.end(), data.begin(), data.end());
            ASSERT_EQ(host.Ask(0, 0x45, frame)->data, H("00"));
            ++written;
        }
        // One more write, and the kill while the simulator takes it.
        Bytes frame = kWriteHeader;
        const Bytes data = contents(written + 1);
        frame.insert(frame.end(), data.begin(), data.end());
        host.Write(BuildRequestFrame(0, 1, 0x45, frame));
        sim.SignalAndWait(SIGKILL);

        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        kavex::sim::desfire::CardState state;
        std::string error;
        ASSERT_TRUE(kavex::sim::desfire::ParseCardFile(text.str(), &state, &error)) << error;
        const Bytes kept = state.applications.at(1).files.at(1).data;
        if (kept == contents(written + 1)) ++written;
        EXPECT_EQ(kept, contents(written));
    }
    ASSERT_EQ(std::system(("rm -rf " + std::string(dir)).c_str()), 0);
}
