// The simulated card under other people's software: pcsc-lite with the vpcd
// reader and pyscard, libnfc and libfreefare through the PN532 pty. Each
// test skips when its tools are not installed (scripts/install-deps).
#include "kavex.h"
#include "sim/desfire/card_file.h"
#include "sim/desfire/desfire_card.h"
#include "sim/pn532_pty.h"
#include "tests/support/sim_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KAVEX_SIM_EXE
#error "KAVEX_SIM_EXE must name the kavex-sim program"
#endif
#ifndef KAVEX_TEST_SOURCE_DIR
#error "KAVEX_TEST_SOURCE_DIR must name tests/sim"
#endif

extern char** environ;

using namespace std::chrono_literals;
using kavex::test::Bytes;
namespace desfire = kavex::sim::desfire;

namespace {

bool Executable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A temporary directory that goes with the object.
struct TempDir {
    TempDir()
    {
        char tmpl[] = "/tmp/kavex-interop-XXXXXX";
        if (::mkdtemp(tmpl)) path = tmpl;
    }
    ~TempDir()
    {
        if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;
};

// Waits for the end of `pid`, at most `timeout`; false when it still runs.
bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout, int* status)
{
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        const bool ended = ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
        ::close(pidfd);
        if (!ended) return false;
    }
    return ::waitpid(pid, status, 0) == pid;
}

// A program started in the background, its output going to `log`.
class Background {
public:
    Background(std::vector<std::string> args, const std::string& log, const std::vector<std::string>& env = {})
    {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&fa, 1, 2);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envText(env);
        for (char** e = environ; *e; ++e) envText.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : envText) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Background() { Stop(); }
    // SIGTERM, then SIGKILL when it has not ended after a while.
    int Stop()
    {
        int status = -1;
        if (pid_ <= 0) return status;
        // pcscd may miss the first SIGTERM while its reader driver starts up.
        ::kill(pid_, SIGTERM);
        if (!WaitForExit(pid_, 3000ms, &status) && (::kill(pid_, SIGTERM), !WaitForExit(pid_, 3000ms, &status))) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        return status;
    }
    // Its exit code once it ends by itself within `timeout`; -1 otherwise.
    int Wait(std::chrono::milliseconds timeout)
    {
        int status = 0;
        if (pid_ <= 0 || !WaitForExit(pid_, timeout, &status)) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // True while the program runs.
    bool Running()
    {
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Runs a program to its end (at most `timeout`); its exit code, -1 when it
// had to be killed. Standard output and error end up in *output.
int RunProgram(const std::vector<std::string>& args, std::string* output, const std::vector<std::string>& env = {},
               std::chrono::milliseconds timeout = 30s)
{
    TempDir dir;
    const std::string log = dir.path + "/out";
    int code = -1;
    {
        Background p(args, log, env);
        if (p.Started()) code = p.Wait(timeout);
    }
    *output = ReadFile(log);
    return code;
}

// A pcscd with the vpcd reader: the one that runs, or our own for the
// time of the test, with a reader configuration of its own (pcscd 1.9.9
// always serves /run/pcscd/pcscd.comm, so two daemons cannot run at once).
class PcscDaemon {
public:
    static constexpr const char* kDriver = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";
    static constexpr const char* kDaemon = "/usr/sbin/pcscd";

    // Empty when the daemon runs; else why not.
    std::string Start(const std::string& dir)
    {
        const std::string pidText = ReadFile("/run/pcscd/pcscd.pid");
        const long running = std::atol(pidText.c_str());
        if ((running > 0 && ::kill(static_cast<pid_t>(running), 0) == 0) || SocketAnswers()) {
            readerPrefix = "Virtual PCD";
            port = 35963;
            external = true;
            return "";
        }
        if (!Executable(kDaemon) || ::access(kDriver, R_OK) != 0) return "pcscd or the vpcd driver is not installed";
        port = FreePortPair();
        if (port == 0) return "no free TCP port for the vpcd reader";
        readerPrefix = "Kavex Test PCD";
        const std::string conf = dir + "/reader.conf";
        char channel[16];
        std::snprintf(channel, sizeof channel, "0x%04X", port);
        std::ofstream(conf) << "FRIENDLYNAME \"" << readerPrefix << "\"\nDEVICENAME /dev/null:" << channel
                            << "\nLIBPATH " << kDriver << "\nCHANNELID " << channel << "\n";
        log = dir + "/pcscd.log";
        daemon_ = std::make_unique<Background>(std::vector<std::string>{kDaemon, "--foreground", "-c", conf}, log);
        if (!daemon_->Started()) return "pcscd did not start";
        return "";
    }
    // Whether our daemon still runs (it ends at once when it cannot serve).
    bool Alive() { return external || (daemon_ && daemon_->Running()); }

    std::string readerPrefix;
    uint16_t port = 0;
    bool external = false;
    std::string log;

private:
    // systemd may hold the socket and start pcscd for the first client.
    static bool SocketAnswers()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", "/run/pcscd/pcscd.comm");
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }

    // A port p with p + 1 free as well (the driver may open a second slot there).
    static uint16_t FreePortPair()
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            socklen_t len = sizeof a;
            const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
            ::close(fd);
            if (!ok) continue;
            const uint16_t p = ntohs(a.sin_port);
            if (p == 65535) continue;
            const int fd2 = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            a.sin_port = htons(static_cast<uint16_t>(p + 1));
            const bool next = ::bind(fd2, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(fd2);
            if (next) return p;
        }
        return 0;
    }

    std::unique_ptr<Background> daemon_;
};

// A card file with application 0x00A0B0 (AES key 0 = kAppKey) holding the
// enciphered standard data file 1 of 32 bytes.
const std::array<uint8_t, 16> kAppKey{0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                      0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};

Bytes FileContents()
{
    Bytes d(32);
    for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<uint8_t>(0xC0 + i);
    return d;
}

void MakeCardFile(const std::string& path)
{
    std::string error;
    std::unique_ptr<desfire::DesfireCard> card = desfire::LoadCardFile(path, &error);
    ASSERT_TRUE(card) << error;
    card->OnFieldReset();
    ASSERT_EQ(card->Transceive({0xCA, 0xB0, 0xA0, 0x00, 0x0F, 0x81}), Bytes{0x00});
    ASSERT_EQ(card->Transceive({0x5A, 0xB0, 0xA0, 0x00}), Bytes{0x00});
    ASSERT_EQ(card->Transceive({0xCD, 0x01, 0x03, 0x00, 0x00, 0x20, 0x00, 0x00}), Bytes{0x00});
    desfire::Application* app = card->State().FindApplication(0x00A0B0);
    ASSERT_TRUE(app);
    std::copy(kAppKey.begin(), kAppKey.end(), app->keys.keys.at(0).value.begin());
    app->files.at(1).data = FileContents();
    ASSERT_TRUE(desfire::WriteFileAtomically(path, desfire::CardFileText(card->State()), &error)) << error;
}

std::string Hex(const uint8_t* b, size_t n)
{
    std::string s;
    char d[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(d, sizeof d, "%02X", b[i]);
        s += d;
    }
    return s;
}

} // namespace

TEST(PcscThroughVpcd, PyscardAuthenticatesAndReadsAnEncipheredFile)
{
    if (!Executable("/usr/bin/python3") || ::system("/usr/bin/python3 -c 'import smartcard' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-pyscard is not installed (scripts/install-deps)";
    if (!Executable("/usr/bin/openssl")) GTEST_SKIP() << "openssl is not installed";
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    PcscDaemon pcscd;
    const std::string why = pcscd.Start(dir.path);
    if (!why.empty()) GTEST_SKIP() << why;
    const std::string cardFile = dir.path + "/card.json";
    MakeCardFile(cardFile);

    Background sim(
        {KAVEX_SIM_EXE, "--link", "vpcd:127.0.0.1:" + std::to_string(pcscd.port), "--card", cardFile, "--log"},
        dir.path + "/sim.log");
    ASSERT_TRUE(sim.Started());
    const Bytes data = FileContents();
    std::string output;
    const int code =
        RunProgram({"/usr/bin/python3", std::string(KAVEX_TEST_SOURCE_DIR) + "/pcsc_card_check.py", pcscd.readerPrefix,
                    "3B8180018080", "00A0B0", Hex(kAppKey.data(), kAppKey.size()), "1", Hex(data.data(), data.size())},
                   &output, {}, 60s);
    if (!pcscd.Alive())
        GTEST_SKIP() << "pcscd could not run here (it needs root for /run/pcscd): " << ReadFile(pcscd.log);
    if (code == 77 && pcscd.external) GTEST_SKIP() << "the pcscd that runs here has no vpcd reader: " << output;
    EXPECT_EQ(code, 0) << output << "\n--- kavex-sim:\n" << ReadFile(dir.path + "/sim.log");
    EXPECT_NE(ReadFile(dir.path + "/sim.log").find("RX 90 AA 00 00 01 00 00"), std::string::npos)
        << "--log shows the APDUs";
}

// libfreefare authenticates with the legacy command 0x0A and its secure
// messaging; what it leaves on the card our SDK reads with ISO
// authentication afterwards.
TEST(Pn532ThroughLibnfc, FreefareToolsLeaveACardOurSdkReads)
{
    const std::vector<std::string> tools{"nfc-list",
                                         "mifare-desfire-info",
                                         "mifare-desfire-format",
                                         "mifare-desfire-access",
                                         "mifare-desfire-ev1-configure-default-key",
                                         "mifare-desfire-create-ndef",
                                         "mifare-desfire-write-ndef",
                                         "mifare-desfire-read-ndef"};
    for (const std::string& t : tools)
        if (!Executable("/usr/bin/" + t)) GTEST_SKIP() << t << " is not installed (libnfc-bin, libfreefare-bin)";
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::string error;
    std::shared_ptr<desfire::DesfireCard> card = desfire::LoadCardFile(dir.path + "/card.json", &error);
    ASSERT_TRUE(card) << error;
    const std::string link = kavex::test::UniqueLinkPath();
    const Bytes message{0xD1, 0x01, 0x0C, 0x55, 0x04, 'e', 'x', 'a', 'm', 'p', 'l', 'e', '.', 'c', 'o', 'm'};
    std::ofstream(dir.path + "/ndef.in", std::ios::binary)
        .write(reinterpret_cast<const char*>(message.data()), static_cast<std::streamsize>(message.size()));
    {
        kavex::sim::Pn532Pty pn532(card);
        pn532.Start(link);
        const std::vector<std::string> env{"LIBNFC_DEVICE=pn532_uart:" + link, "LIBNFC_LOG_LEVEL=1"};
        std::string out;
        ASSERT_EQ(RunProgram({"/usr/bin/nfc-list"}, &out, env), 0) << out;
        EXPECT_NE(out.find("04  11  22  33  44  55  66"), std::string::npos) << out;
        EXPECT_NE(out.find("75  77  81  02  80"), std::string::npos) << out;
        // The order matters: access and configure-default-key format the card when they are done.
        for (const std::vector<std::string>& step : std::vector<std::vector<std::string>>{
                 {"/usr/bin/mifare-desfire-info"},
                 {"/usr/bin/mifare-desfire-format", "-y"},
                 {"/usr/bin/mifare-desfire-access"},
                 {"/usr/bin/mifare-desfire-ev1-configure-default-key", "-y"},
                 {"/usr/bin/mifare-desfire-create-ndef", "-y"},
                 {"/usr/bin/mifare-desfire-write-ndef", "-y", "-i", dir.path + "/ndef.in"},
                 {"/usr/bin/mifare-desfire-read-ndef", "-y", "-o", dir.path + "/ndef.out"}})
            ASSERT_EQ(RunProgram(step, &out, env), 0) << step[0] << ":\n" << out;
        EXPECT_EQ(ReadFile(dir.path + "/ndef.out"), std::string(message.begin(), message.end()));
        pn532.Stop();
    }

    // The same card behind our own reader, as the card file keeps it.
    kavex::test::SimReader reader({}, desfire::LoadCardFile(dir.path + "/card.json", &error));
    const int h = Kavex_OpenPort(reader.link.c_str(), 11520000, 1000);
    ASSERT_GT(h, 0);
    unsigned short atqa = 0;
    uint8_t uid[10], sak = 0, ats[20];
    ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
    ASSERT_EQ(Kavex_AnticollSelect(h, uid, sizeof uid, &sak), 7);
    ASSERT_GT(Kavex_RATS(h, ats, sizeof ats), 0);
    unsigned int aids[28] = {};
    ASSERT_EQ(Kavex_DFGetApplicationIDs(h, aids, sizeof aids), 1) << Kavex_GetLastError(h);
    ASSERT_EQ(Kavex_DFSelectApplication(h, aids[0]), 0);
    const uint8_t zero[16] = {};
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, zero, sizeof zero), 0) << Kavex_GetLastError(h);
    uint8_t ndef[64] = {};
    ASSERT_EQ(Kavex_DFReadData(h, 2, 0, 0, 2 + message.size(), ndef, sizeof ndef), 2 + message.size())
        << Kavex_GetLastError(h);
    EXPECT_EQ(ndef[0] << 8 | ndef[1], static_cast<int>(message.size()));
    EXPECT_EQ(Bytes(ndef + 2, ndef + 2 + message.size()), message);
    Kavex_ClosePort(h);
}
