// Access rights, boundaries and integrity checks of the file data
// commands: what the card refuses, and that a refusal changes nothing.
#include <functional>

#include "tests/sim/desfire/card_fixture.h"
#include "tests/sim/desfire/file_host.h"

namespace desfire_test {
namespace {

using reference::Cat;

constexpr uint32_t kAid = 0x00ACCE;

// An AES application with 4 keys: file 1 standard data (64 bytes), 2 value
// (0..1000, 100, limited credit off), 3 linear records (8 bytes, 2), all
// enciphered with read key 1, write key 2, read&write key 3.
class AccessTest : public CardTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateApp(kAid, 0x0F, 0x84), Bytes{0x00});
        ASSERT_EQ(Select(kAid), Bytes{0x00});
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0x03, 0x1230, 64)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateValueFileCmd(2, 0x03, 0x1230, 0, 1000, 100, 0x00)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 3, 0x03, 0x1230, 8, 2)), Bytes{0x00});
    }
    HostSession Login(uint8_t keyNo) { return Auth(Algo::Aes, kZeroKey, keyNo); }
    Outcome Write(HostSession* s, uint8_t code, uint8_t no, uint32_t offset, const Bytes& data,
                  Mode mode = Mode::Enciphered)
    {
        return SendData(card, s, TransferHeader(code, no, offset, uint32_t(data.size())), data, mode);
    }
    Outcome Read(HostSession* s, uint8_t code, uint8_t no, uint32_t offset, uint32_t length,
                 Mode mode = Mode::Enciphered)
    {
        return Receive(card, s, TransferHeader(code, no, offset, length), mode,
                       length ? std::optional<size_t>(length * (code == 0xBB ? 8 : 1)) : std::nullopt);
    }
    Outcome Value(HostSession* s, uint8_t code, int32_t amount, uint8_t no = 2, Mode mode = Mode::Enciphered)
    {
        return SendData(card, s, {code, no}, reference::Le32(uint32_t(amount)), mode);
    }
    Bytes FileData() { return card.State().applications.at(kAid).files.at(1).data; }
};

TEST_F(AccessTest, EachCommandNeedsOneOfItsRights)
{
    // Not authenticated: every keyed right refuses.
    EXPECT_EQ(Read(nullptr, 0xBD, 1, 0, 4).status, 0xAE);
    EXPECT_EQ(Write(nullptr, 0x3D, 1, 0, {1}).status, 0xAE);
    EXPECT_EQ(Receive(card, nullptr, {0x6C, 2}, Mode::Plain, 4).status, 0xAE);

    struct Case {
        const char* what;
        uint8_t key;
        std::function<uint8_t(HostSession*)> run;
        uint8_t expected;
    };
    auto read = [this](HostSession* s) { return Read(s, 0xBD, 1, 0, 4).status; };
    auto write = [this](HostSession* s) { return Write(s, 0x3D, 1, 0, {1}).status; };
    auto getValue = [this](HostSession* s) { return Receive(card, s, {0x6C, 2}, Mode::Enciphered, 4).status; };
    auto credit = [this](HostSession* s) { return Value(s, 0x0C, 1).status; };
    auto debit = [this](HostSession* s) { return Value(s, 0xDC, 1).status; };
    auto writeRecord = [this](HostSession* s) { return Write(s, 0x3B, 3, 0, {1}).status; };
    auto clear = [this](HostSession* s) { return MacedTx(*s, {0xEB, 3})[0]; };
    const Case cases[] = {
        {"read with read key", 1, read, 0x00},
        {"read with write key", 2, read, 0xAE},
        {"read with rw key", 3, read, 0x00},
        {"write with read key", 1, write, 0xAE},
        {"write with write key", 2, write, 0x00},
        {"write with rw key", 3, write, 0x00},
        {"write with key 0", 0, write, 0xAE},
        {"get value with write key", 2, getValue, 0x00},
        {"get value with key 0", 0, getValue, 0xAE},
        {"credit with write key", 2, credit, 0xAE},
        {"credit with rw key", 3, credit, 0x00},
        {"debit with read key", 1, debit, 0x00},
        {"record with read key", 1, writeRecord, 0xAE},
        {"record with write key", 2, writeRecord, 0x00},
        {"clear with write key", 2, clear, 0xAE},
        {"clear with rw key", 3, clear, 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostSession s = Login(c.key);
        EXPECT_EQ(c.run(&s), c.expected);
    }
    // Limited credit needs write or read&write, and must be enabled.
    HostSession s = Login(1);
    EXPECT_EQ(Value(&s, 0x1C, 0).status, 0xAE);
    s = Login(2);
    EXPECT_EQ(Value(&s, 0x1C, 0).status, 0x9D);
}

TEST_F(AccessTest, NeverMeansNeverAndWrongFileTypesAreRefused)
{
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 4, 0x00, 0xFEF0, 8)), Bytes{0x00}); // write: free
    EXPECT_EQ(Read(nullptr, 0xBD, 4, 0, 1, Mode::Plain).status, 0x9D);
    EXPECT_EQ(Write(nullptr, 0x3D, 4, 0, {1}, Mode::Plain).status, 0x00);

    HostSession s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 2, 0, 1).status, 0x9E); // value file
    s = Login(3);
    EXPECT_EQ(Receive(card, &s, {0x6C, 1}, Mode::Enciphered, 4).status, 0x9E);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBB, 1, 0, 1).status, 0x9E);
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3B, 1, 0, {1}).status, 0x9E);
    s = Login(3);
    EXPECT_EQ(Value(&s, 0x0C, 1, 1).status, 0x9E);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 9, 0, 1).status, 0xF0);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 32, 0, 1).status, 0x9E);
}

TEST_F(AccessTest, FreeAccessIsPlainUnlessAGrantingKeyIsAuthenticated)
{
    // Read free, read&write key 3; enciphered file.
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 5, 0x03, 0xE230, 16)), Bytes{0x00});
    HostSession s3 = Login(3);
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(Write(&s3, 0x3D, 5, 0, data).status, 0x00);
    // Key 3 grants: enciphered.
    Outcome r = Read(&s3, 0xBD, 5, 0, 16);
    EXPECT_EQ(r.status, 0x00);
    EXPECT_TRUE(r.integrityOk);
    EXPECT_EQ(r.data, data);
    // Key 2 does not grant reading: free, so plain, with the session's MAC.
    HostSession s2 = Login(2);
    r = Read(&s2, 0xBD, 5, 0, 16, Mode::Plain);
    EXPECT_EQ(r.status, 0x00);
    EXPECT_TRUE(r.integrityOk);
    EXPECT_EQ(r.data, data);
    // No session: plain.
    ASSERT_EQ(Select(kAid), Bytes{0x00});
    r = Read(nullptr, 0xBD, 5, 0, 0, Mode::Plain);
    EXPECT_EQ(r.status, 0x00);
    EXPECT_EQ(r.data, data);

    // A value file with free GetValue but keyed rights otherwise.
    ASSERT_EQ(Tx(CreateValueFileCmd(6, 0x03, 0x1230, 0, 10, 7, 0x02)), Bytes{0x00});
    EXPECT_EQ(Receive(card, nullptr, {0x6C, 6}, Mode::Plain, 4).data, (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(Value(nullptr, 0xDC, 1, 6, Mode::Plain).status, 0xAE);
}

TEST_F(AccessTest, BoundariesAreChecked)
{
    HostSession s = Login(3);
    EXPECT_EQ(Write(&s, 0x3D, 1, 60, {1, 2, 3, 4}).status, 0x00); // up to the last byte
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3D, 1, 61, {1, 2, 3, 4}).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3D, 1, 64, {}).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 1, 64, 0).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 1, 1, 64).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBD, 1, 0, 0xFFFFFF).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3B, 3, 4, {1, 2, 3, 4, 5}).status, 0xBE);
    // No records yet, so nothing to read.
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBB, 3, 0, 0).status, 0xBE);
    // A record write without data is refused, not committed as zeros.
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3B, 3, 0, {}).status, 0x7E);
    Tx({0xC7});
    EXPECT_TRUE(card.State().applications.at(kAid).files.at(3).records.empty());
    s = Login(3);
    EXPECT_EQ(Write(&s, 0x3B, 3, 0, {1}).status, 0x00);
    EXPECT_EQ(MacedTx(s, {0xC7}), Bytes{0x00});
    EXPECT_EQ(Read(&s, 0xBB, 3, 0, 2).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Read(&s, 0xBB, 3, 1, 1).status, 0xBE);
    // Values stay within their limits; amounts are not negative.
    s = Login(3);
    EXPECT_EQ(Value(&s, 0x0C, 901).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Value(&s, 0xDC, 101).status, 0xBE);
    s = Login(3);
    EXPECT_EQ(Value(&s, 0x0C, -1).status, 0x9E);
    s = Login(3);
    EXPECT_EQ(Value(&s, 0x0C, 900).status, 0x00);
    EXPECT_EQ(Value(&s, 0x0C, 1).status, 0xBE); // counts what the transaction did
}

TEST_F(AccessTest, CorruptedProtectionChangesNothing)
{
    ASSERT_EQ(Tx({0x5F, 1, 0x01, 0x30, 0x12}), Bytes{0xAE});
    card.State().applications.at(kAid).files.at(1).accessRights = 0x123E;
    HostSession s = Login(3);
    ASSERT_EQ(MacedTx(s, {0x5F, 1, 0x01, 0x30, 0x12}), Bytes{0x00}); // now MACed

    // A MAC-mode write whose MAC does not match.
    const Bytes header = TransferHeader(0x3D, 1, 0, 4);
    Bytes wire = Cat(header, {9, 9, 9, 9});
    wire = Cat(wire, reference::ChainedCmac(s.algo, s.sessionKey, s.iv, wire));
    wire.back() ^= 0x01;
    EXPECT_EQ(Tx(wire), Bytes{0x1E});
    EXPECT_EQ(FileData(), Bytes(64, 0));
    EXPECT_FALSE(CardAuthenticated());

    // An enciphered write whose CRC does not cover the header.
    card.State().applications.at(kAid).files.at(1).commSettings = 0x03;
    s = Login(3);
    Bytes plain = Cat({9, 9, 9, 9}, reference::Le32(reference::Crc32({9, 9, 9, 9})));
    plain.resize(16, 0);
    EXPECT_EQ(Tx(Cat(header, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain))), Bytes{0x1E});
    EXPECT_EQ(FileData(), Bytes(64, 0));

    // Plain data sent where enciphered data is due: the length gives it away.
    s = Login(3);
    s.Command(Cat(header, {9, 9, 9, 9}));
    EXPECT_EQ(Tx(Cat(header, {9, 9, 9, 9})), Bytes{0xAF});
    EXPECT_EQ(Tx(Bytes(14, 0xAF)), Bytes{0x7E});
    EXPECT_EQ(FileData(), Bytes(64, 0));
}

TEST_F(AccessTest, ChainedWritesKeepToTheirFrames)
{
    card.State().applications.at(kAid).files.at(1).accessRights = 0xEEEE;
    const Bytes header = TransferHeader(0x3D, 1, 0, 64);
    // A frame beyond 60 bytes is refused.
    EXPECT_EQ(Tx(Cat(header, Bytes(53, 1))), Bytes{0x7E});
    // Another command in the middle of a write ends it; nothing is written.
    EXPECT_EQ(Tx(Cat(header, Bytes(52, 1))), Bytes{0xAF});
    EXPECT_EQ(Tx({0x6F}), Bytes{0xCA});
    EXPECT_EQ(FileData(), Bytes(64, 0));
    // More data than announced.
    EXPECT_EQ(Tx(Cat(header, Bytes(52, 1))), Bytes{0xAF});
    EXPECT_EQ(Tx(Cat({0xAF}, Bytes(13, 2))), Bytes{0x7E});
    EXPECT_EQ(FileData(), Bytes(64, 0));
    // Frames shorter than the host's still add up.
    EXPECT_EQ(Tx(Cat(header, Bytes(10, 1))), Bytes{0xAF});
    EXPECT_EQ(Tx(Cat({0xAF}, Bytes(30, 2))), Bytes{0xAF});
    EXPECT_EQ(Tx(Cat({0xAF}, Bytes(24, 3))), Bytes{0x00});
    EXPECT_EQ(FileData(), Cat(Cat(Bytes(10, 1), Bytes(30, 2)), Bytes(24, 3)));
}

} // namespace
} // namespace desfire_test
