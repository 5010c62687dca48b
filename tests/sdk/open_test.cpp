// Opening and closing ports over a real pty against the simulated reader:
// variant detection with its retry, handles, names, identification.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <thread>

#include "kavex.h"
#include "tests/support/sim_reader.h"

using kavex::sim::Bytes;
using kavex::sim::Direction;
using kavex::test::SimReader;
using kavex::test::Variant;

namespace {

std::vector<Bytes> ReceivedRaw(SimReader& r)
{
    std::vector<Bytes> frames;
    for (const auto& e : r.Sim().Log())
        if (e.direction == Direction::Received) frames.push_back(e.raw);
    return frames;
}

const Bytes kIdentV0 = {0x02, 0x01, 0xF0, 0x00, 0xF1};
const Bytes kIdentV1 = {0x01, 0xF0, 0x00, 0x64, 0x00};
const Bytes kIdentV2 = {0x1E, 0x0B, 0x00};
const Bytes kIdentV3 = {0x1E, 0x60, 0x00};

std::string Ident(int handle)
{
    unsigned char buf[16];
    const int n = Kavex_GetDeviceIdent(handle, buf, sizeof buf);
    return n < 0 ? std::string("<fail>") : std::string(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
}

} // namespace

TEST(OpenSequence, Variant0AnswersTheFirstProbe)
{
    SimReader r(Variant(0));
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 500);
    ASSERT_GT(h, 0);
    EXPECT_EQ(ReceivedRaw(r), (std::vector<Bytes>{kIdentV0}));
    EXPECT_EQ(Kavex_IsProgrammer(h), 1);
    EXPECT_EQ(Kavex_GetLastError(h), 0);
    EXPECT_EQ(Kavex_ClosePort(h), 0);
}

TEST(OpenSequence, ProbesRetryThenVariants1To3)
{
    // The order on the wire: variant 0, close and reopen, variant 0 again,
    // then 1, 2 and 3, each probe only after the previous one timed out.
    for (int v = 1; v <= 3; ++v) {
        SimReader r(Variant(v));
        const int h = Kavex_OpenPort(r.link.c_str(), 19200, 100);
        ASSERT_GT(h, 0) << "variant " << v;
        std::vector<Bytes> expected = {kIdentV0, kIdentV0, kIdentV1, kIdentV2, kIdentV3};
        expected.resize(static_cast<size_t>(v) + 2);
        EXPECT_EQ(ReceivedRaw(r), expected) << "variant " << v;
        Kavex_ClosePort(h);
    }
}

TEST(OpenSequence, NoReaderGivesMinus11AndFreesTheLine)
{
    SimReader r(Variant(0));
    r.Sim().SetPersistentFault(kavex::sim::Fault::NoAnswer());
    EXPECT_EQ(Kavex_OpenPort(r.link.c_str(), 19200, 50), -11);
    // The line was closed properly: it opens again at once.
    r.Sim().SetPersistentFault(std::nullopt);
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 50);
    EXPECT_GT(h, 0);
    Kavex_ClosePort(h);
}

TEST(OpenSequence, IdentificationOfWrongLengthIsRefused)
{
    kavex::sim::ReaderConfig c = Variant(0);
    c.ident = Bytes{'1', '2', '5', '5', '5'};
    SimReader r(c);
    EXPECT_EQ(Kavex_OpenPort(r.link.c_str(), 19200, 50), -11);
}

TEST(OpenSequence, BadArgumentsTouchNoDevice)
{
    EXPECT_EQ(Kavex_OpenPort(nullptr, 19200, 500), -1);
    EXPECT_EQ(Kavex_OpenPort(reinterpret_cast<const char*>(uintptr_t{1234}), 19200, 500), -1);
    SimReader r(Variant(0));
    EXPECT_EQ(Kavex_OpenPort(r.link.c_str(), 19200, -1), -2);
    EXPECT_EQ(Kavex_OpenPort("my BTW", 19200, 500), -1);
    EXPECT_EQ(Kavex_OpenPort("/nonexistent/tty", 19200, 500), -1);
    EXPECT_EQ(Kavex_OpenPort("/dev/null", 19200, 500), -1);
    // A LAN name with a port no reader can have goes nowhere; HID links
    // arrive later and fail like links that cannot be opened.
    EXPECT_EQ(Kavex_OpenPort("192.168.0.10-70000", 19200, 500), -1);
    EXPECT_EQ(Kavex_OpenPort("12345 HID", 19200, 500), -1);
    EXPECT_TRUE(ReceivedRaw(r).empty());
}

TEST(OpenSequence, TimeoutLimitedDuringIdentificationOnly)
{
    SimReader r(Variant(0));
    // An identification answer 500 ms late misses the 300 ms limit of every
    // probe even though the caller allows 1000 ms.
    r.Sim().InjectFault(kavex::sim::Fault::Delay(std::chrono::milliseconds(500)));
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 1000);
    ASSERT_GT(h, 0); // the retry's probe is answered at once
    EXPECT_EQ(ReceivedRaw(r).size(), 2u);
    // Afterwards the caller's 1000 ms hold (once the late answer is gone).
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    r.Sim().InjectFault(kavex::sim::Fault::Delay(std::chrono::milliseconds(500)));
    EXPECT_EQ(Ident(h), "1255");
    Kavex_ClosePort(h);
}

TEST(Handles, NumberingAndReuse)
{
    SimReader a(Variant(0)), b(Variant(0)), c(Variant(0));
    const int h1 = Kavex_OpenPort(a.link.c_str(), 19200, 200);
    const int h2 = Kavex_OpenPort(b.link.c_str(), 19200, 200);
    EXPECT_EQ(h1, 1);
    EXPECT_EQ(h2, 2);
    EXPECT_EQ(Kavex_ClosePort(h1), 0);
    const int h3 = Kavex_OpenPort(c.link.c_str(), 19200, 200);
    EXPECT_EQ(h3, 1);
    EXPECT_EQ(Kavex_ClosePort(h1), 0);
    EXPECT_EQ(Kavex_ClosePort(h1), -1);
    EXPECT_EQ(Kavex_GetLastError(h1), 3);
    EXPECT_EQ(Kavex_ClosePort(h2), 0);
}

TEST(Handles, DeviceOpenTwiceIsRefused)
{
    SimReader r(Variant(0));
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 200);
    ASSERT_GT(h, 0);
    // Refused for root as well, whom the tty's exclusive mode lets in; a
    // second port would take the first one's answers away.
    EXPECT_EQ(Kavex_OpenPort(r.link.c_str(), 19200, 200), KAVEX_OPEN_LINK_FAILED);
    EXPECT_EQ(Ident(h), "1255");
    EXPECT_EQ(Kavex_ClosePort(h), 0);
    const int again = Kavex_OpenPort(r.link.c_str(), 19200, 200);
    EXPECT_GT(again, 0);
    Kavex_ClosePort(again);
}

TEST(Handles, ProgramEndsWithPortsOpen)
{
    const int status = std::system(KAVEX_EXIT_PROGRAM);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Handles, UnknownHandleAnswers)
{
    EXPECT_EQ(Kavex_GetLastError(4711), 3);
    char text[200];
    const int n = Kavex_GetErrorText(4711, KAVEX_LANG_ENGLISH, text, sizeof text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "Port number invalid");
    EXPECT_EQ(n, 19);
    // "Portnummer ungültig" cut to 15 bytes ends before the ü, not inside it.
    EXPECT_EQ(Kavex_GetErrorText(4711, KAVEX_LANG_GERMAN, text, 15), 14);
    EXPECT_EQ(std::string(text, 14), "Portnummer ung");
    char name[16];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(Kavex_GetDeviceName(4711, name, sizeof name), 7);
    EXPECT_STREQ(name, "KV-#000");
    EXPECT_EQ(name[15], 0); // zero-filled
    EXPECT_EQ(Kavex_IsProgrammer(4711), -1);
    EXPECT_EQ(Kavex_IsUSB(4711), -1);
    EXPECT_EQ(Kavex_GetFirmwareVersion(4711, name, sizeof name), -1);
    EXPECT_EQ(Kavex_SetReaderMode(4711, 0), -1);
    unsigned char ident[4];
    EXPECT_EQ(Kavex_GetDeviceIdent(4711, ident, 4), -1);
}

TEST(Names, DeviceAddressSuffix)
{
    SimReader r(Variant(0, 5));
    EXPECT_EQ(Kavex_OpenPort(r.link.c_str(), 19200, 50), -11); // address 1 gets no answer
    const int h = Kavex_OpenPort((r.link + ":5").c_str(), 19200, 50);
    ASSERT_GT(h, 0);
    r.Sim().ClearLog();
    Ident(h);
    EXPECT_EQ(ReceivedRaw(r).at(0), (Bytes{0x02, 0x05, 0xF0, 0x00, 0xF5}));
    Kavex_ClosePort(h);

    // A path with ':' inside still opens; only a last ":digits" is an address.
    SimReader q(Variant(1, 7));
    const int h7 = Kavex_OpenPort((q.link + ":7").c_str(), 11502, 50);
    ASSERT_GT(h7, 0);
    Kavex_ClosePort(h7);
}

TEST(Identification, Variant2And3Rewrites)
{
    struct Case {
        int variant;
        Bytes ident;
        kavex::sim::FvReply fv;
        Bytes fvAnswer;
        std::string expected;
        int type;
    };
    const Case cases[] = {
        {2, {0x04, 0x05, 0x31, 0x35}, kavex::sim::FvReply::Error, {}, "1715", 0x171},
        {2, {0x04, 0x05, 0x31, 0x35}, kavex::sim::FvReply::NoAnswer, {}, "1715", 0x171},
        {2, {0x04, 0x05, 0x31, 0x35}, kavex::sim::FvReply::Answer, {'2', '3', '4', '5', '6'}, "23456", 0x171},
        {2, {0x04, 0x05, 0x31, 0x35}, kavex::sim::FvReply::Answer, {'2', '3', '4'}, "1715", 0x171},
        {2, {0x04, 0x05, 0x31, 0x35}, kavex::sim::FvReply::Answer, {'2', ' ', '4', '5'}, "1715", 0x171},
        {2, {0x41, 0x42, 0x43, 0x39}, kavex::sim::FvReply::Error, {}, "1719", 0x171},
        {3, {0x01, 0x02, 0x03, 0x04, 0x41, 0x42, 0x43, 0x36, 0x00}, kavex::sim::FvReply::Error, {}, "1176", 0x117},
    };
    for (const Case& c : cases) {
        kavex::sim::ReaderConfig cfg = Variant(c.variant);
        cfg.ident = c.ident;
        cfg.fv_reply = c.fv;
        cfg.fv_answer = c.fvAnswer;
        SimReader r(cfg);
        const int h = Kavex_OpenPort(r.link.c_str(), 19200, 60);
        if (c.expected.size() != 4) {
            // Identification succeeds but the open wants exactly 4 bytes.
            EXPECT_EQ(h, -11);
            continue;
        }
        ASSERT_GT(h, 0) << c.expected;
        // A failed or unanswered "FV" request does not fail the open.
        EXPECT_EQ(Kavex_GetLastError(h), KAVEX_OK) << c.expected;
        EXPECT_EQ(Ident(h), c.expected);
        EXPECT_EQ(Kavex_GetLastError(h), KAVEX_OK) << c.expected;
        char name[64];
        Kavex_GetDeviceName(h, name, sizeof name);
        EXPECT_EQ(Kavex_IsProgrammer(h), c.type & 1);
        Kavex_ClosePort(h);
    }
}

TEST(Identification, IdentBufferTooSmall)
{
    SimReader r(Variant(0));
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 200);
    ASSERT_GT(h, 0);
    unsigned char small[3] = {9, 9, 9};
    EXPECT_EQ(Kavex_GetDeviceIdent(h, small, 3), -1);
    EXPECT_EQ(Kavex_GetLastError(h), 5);
    EXPECT_EQ(small[0], 9);
    Kavex_ClosePort(h);
}

TEST(Identification, ReaderOnlyDevice)
{
    kavex::sim::ReaderConfig cfg = Variant(0);
    cfg.ident = Bytes{'1', '2', '4', '4'};
    SimReader r(cfg);
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 200);
    ASSERT_GT(h, 0);
    EXPECT_EQ(Kavex_IsProgrammer(h), 0);
    EXPECT_EQ(Kavex_IsUSB(h), 0); // a pty is no USB device
    char firmware[16];
    EXPECT_EQ(Kavex_GetFirmwareVersion(h, firmware, sizeof firmware), 8);
    EXPECT_STREQ(firmware, "FW V1.04");
    Kavex_ClosePort(h);
}
