// LAN readers over TCP on loopback against the simulated reader: opening by
// address, handles, reconnection after the reader closed the connection or
// restarted, and the timeout while it is away.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kavex.h"
#include "sdk/transports/lan_channel.h"
#include "sdk/transports/lan_protocol.h"
#include "sim/tcp_reader.h"
#include "sim/test_card.h"

namespace {

using kavex::lan::ParseLanTarget;

struct LoopbackReader {
    LoopbackReader() : tcp(kavex::sim::ReaderConfig{}, std::make_shared<kavex::sim::TestCard>())
    {
        tcp.Start("127.0.0.1", 0);
    }
    std::string Name() const { return "127.0.0.1-" + std::to_string(tcp.Port()); }
    kavex::sim::TcpReader tcp;
};

bool Identifies(int handle)
{
    unsigned char ident[8];
    return Kavex_GetDeviceIdent(handle, ident, sizeof ident) == 4;
}

// Identity names are looked up on no adapter at all here.
struct NoAdapters {
    NoAdapters() { kavex::lan::SetLanAdapterOverride(std::vector<kavex::lan::LanAdapter>{}); }
    ~NoAdapters() { kavex::lan::SetLanAdapterOverride(std::nullopt); }
};

} // namespace

TEST(TcpLink, OpensByAddressAndPortWithHandlesAbove20000)
{
    LoopbackReader a, b;
    const int ha = Kavex_OpenPort(a.Name().c_str(), 19200, 500);
    const int hb = Kavex_OpenPort((b.Name() + ":1").c_str(), 19200, 500);
    EXPECT_GT(ha, 20000);
    EXPECT_GT(hb, 20000);
    EXPECT_NE(ha, hb);
    EXPECT_TRUE(Identifies(ha));
    EXPECT_TRUE(Identifies(hb));
    EXPECT_EQ(Kavex_ClosePort(ha), 0);
    // The number goes back to the pool.
    const int again = Kavex_OpenPort(a.Name().c_str(), 19200, 500);
    EXPECT_EQ(again, ha);
    Kavex_ClosePort(again);
    Kavex_ClosePort(hb);
}

TEST(TcpLink, ReconnectsAfterTheReaderClosedTheConnection)
{
    LoopbackReader r;
    const int h = Kavex_OpenPort(r.Name().c_str(), 19200, 500);
    ASSERT_GT(h, 0);
    r.tcp.DropConnection();
    EXPECT_TRUE(Identifies(h));
    EXPECT_EQ(r.tcp.Accepted(), 2u);
    Kavex_ClosePort(h);
}

TEST(TcpLink, TimesOutWhileTheReaderIsAwayAndReconnectsAfterItsRestart)
{
    LoopbackReader r;
    const int h = Kavex_OpenPort(r.Name().c_str(), 19200, 300);
    ASSERT_GT(h, 0);
    const uint16_t port = r.tcp.Port();
    r.tcp.Stop();
    EXPECT_FALSE(Identifies(h));
    EXPECT_EQ(Kavex_GetLastError(h), KAVEX_ERR_TIMEOUT);
    // The port survives the outage; the restarted reader's port is still
    // held by the old connection in TIME_WAIT on our side of loopback.
    r.tcp.Start("127.0.0.1", port);
    EXPECT_TRUE(Identifies(h));
    EXPECT_TRUE(Identifies(h));
    Kavex_ClosePort(h);
}

TEST(TcpLink, OpenFailsWithoutAReaderOrWithABadName)
{
    NoAdapters none;
    LoopbackReader r;
    const uint16_t port = r.tcp.Port();
    r.tcp.Stop();
    EXPECT_EQ(Kavex_OpenPort(("127.0.0.1-" + std::to_string(port)).c_str(), 19200, 300), KAVEX_OPEN_LINK_FAILED);
    EXPECT_EQ(Kavex_OpenPort("127.0.0.1-70000", 19200, 300), KAVEX_OPEN_LINK_FAILED);
    EXPECT_EQ(Kavex_OpenPort("127.0.0.1-", 19200, 300), KAVEX_OPEN_LINK_FAILED);
    EXPECT_EQ(Kavex_OpenPort("[KVSIM-0000000001]-4001", 19200, 300), KAVEX_OPEN_LINK_FAILED);
}

TEST(TcpLink, NameGrammar)
{
    auto t = ParseLanTarget("192.168.1.20");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->host, "192.168.1.20");
    EXPECT_EQ(t->port, 0); // the link uses 10001
    t = ParseLanTarget("192.168.1.20-4001");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->port, 4001);
    t = ParseLanTarget("[AB-CD-EF-012345]");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->identity, "[AB-CD-EF-012345]");
    EXPECT_EQ(t->port, 0);
    t = ParseLanTarget("[AB-CD-EF-012345]-4001");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->port, 4001);
    for (const char* bad : {"192.168.1", "192.168.1.256", "192.168.1.20-0", "192.168.1.20-65536", "192.168.1.20-x",
                            "[AB-CD-EF-01234567]", "[]", "[AB\x01]", "[AB", "[AB]x"})
        EXPECT_FALSE(ParseLanTarget(bad)) << bad;
}
