// File contents written and read back in every communication mode and
// every kind of session, byte for byte, with the frames a host sees.
#include "tests/sim/desfire/card_fixture.h"
#include "tests/sim/desfire/file_host.h"

namespace desfire_test {
namespace {

using reference::Cat;

enum class Kind { None, Iso2K, Iso3K, Aes };

struct DataCase {
    const char* name;
    Kind kind;
    Mode mode;
};

void PrintTo(const DataCase& c, std::ostream* os)
{
    *os << c.name;
}

const Bytes k3KKey{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x10, 0x20, 0x30, 0x40,
                   0x50, 0x60, 0x70, 0x80, 0x11, 0x21, 0x31, 0x41, 0x51, 0x61, 0x71, 0x81};

constexpr uint32_t kAid = 0x00DA7A;
constexpr uint32_t kDataSize = 4000;

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return b;
}

// Files 1 standard (4000 bytes), 2 backup (100), 3 value (-1000..100000,
// 50, limited credit), 4 linear records (20 bytes, 4), 5 cyclic records
// (70 bytes, 3 slots), all in the case's communication mode. With a
// session the rights are keys (read 1, write 2, read&write 3) and key 3 is
// authenticated; without, they are free.
class DataTest : public CardTest, public ::testing::WithParamInterface<DataCase> {
protected:
    void SetUp() override
    {
        const Kind kind = GetParam().kind;
        const uint8_t keyByte = kind == Kind::Iso3K ? 0x44 : kind == Kind::Aes ? 0x84 : 0x04;
        ASSERT_EQ(CreateApp(kAid, 0x0F, keyByte), Bytes{0x00});
        ASSERT_EQ(Select(kAid), Bytes{0x00});
        const uint8_t comm = static_cast<uint8_t>(GetParam().mode);
        const uint16_t rights = kind == Kind::None ? 0xEEEE : 0x1230;
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 1, comm, rights, kDataSize)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCB, 2, comm, rights, 100)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateValueFileCmd(3, comm, rights, -1000, 100000, 50, 0x01)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 4, comm, rights, 20, 4)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateRecordFileCmd(0xC0, 5, comm, rights, 70, 3)), Bytes{0x00});
        if (kind == Kind::None) return;

        Bytes key = k2K3DesKey;
        Algo algo = Algo::Tdes;
        if (kind == Kind::Iso3K) {
            key = k3KKey;
            algo = Algo::Tdes3K;
        } else if (kind == Kind::Aes) {
            key = kAesKey;
            algo = Algo::Aes;
        }
        auto& stored = card.State().applications.at(kAid).keys.keys[3].value;
        std::copy(key.begin(), key.end(), stored.begin());
        session_ = Auth(algo, key, 3);
    }

    HostSession* S() { return GetParam().kind == Kind::None ? nullptr : &session_; }
    bool Authenticated() const { return GetParam().kind != Kind::None; }
    // Free access is plain whatever the file's mode.
    Mode HostMode() const { return GetParam().kind == Kind::None ? Mode::Plain : GetParam().mode; }

    Outcome Write(uint8_t code, uint8_t fileNo, uint32_t offset, const Bytes& data)
    {
        return SendData(card, S(), TransferHeader(code, fileNo, offset, static_cast<uint32_t>(data.size())), data,
                        HostMode());
    }
    Outcome Read(uint8_t code, uint8_t fileNo, uint32_t offset, uint32_t length, std::optional<size_t> payloadLen)
    {
        return Receive(card, S(), TransferHeader(code, fileNo, offset, length), HostMode(), payloadLen);
    }
    Outcome Value(uint8_t code, int32_t amount)
    {
        return SendData(card, S(), {code, 3}, reference::Le32(static_cast<uint32_t>(amount)), HostMode());
    }
    int64_t GetValue()
    {
        const Outcome o = Receive(card, S(), {0x6C, 3}, HostMode(), 4);
        EXPECT_EQ(o.status, 0x00);
        EXPECT_TRUE(o.integrityOk);
        if (o.data.size() != 4) return INT64_MIN;
        return static_cast<int32_t>(o.data[0] | o.data[1] << 8 | o.data[2] << 16 | uint32_t(o.data[3]) << 24);
    }
    Bytes Plain(const Bytes& cmd) { return S() ? MacedTx(*S(), cmd) : Tx(cmd); }

    // Frames of a write of n data bytes: 60 in the first, 59 after 0xAF.
    size_t FramesFor(size_t n) const
    {
        size_t wire = n;
        if (Authenticated()) {
            const size_t bs = session_.Bs();
            if (HostMode() == Mode::Mac) wire = n + 8;
            if (HostMode() == Mode::Enciphered) wire = (n + 4 + bs - 1) / bs * bs;
        }
        const size_t total = 8 + wire;
        return total <= 60 ? 1 : 1 + (total - 60 + 58) / 59;
    }

    static void ExpectOk(const Outcome& o)
    {
        EXPECT_EQ(o.status, 0x00);
        EXPECT_TRUE(o.integrityOk);
        EXPECT_TRUE(o.framesOk);
    }

    HostSession session_;
};

TEST_P(DataTest, DataFileRoundTrips)
{
    Bytes image(kDataSize, 0x00);
    uint8_t seed = 1;
    for (size_t n : {0u, 1u, 52u, 53u, 60u, 3000u}) {
        SCOPED_TRACE(n);
        const Bytes data = Pattern(n, seed++);
        const Outcome w = Write(0x3D, 1, 11, data);
        ExpectOk(w);
        EXPECT_EQ(w.frames, FramesFor(n));
        std::copy(data.begin(), data.end(), image.begin() + 11);
        if (n > 0) {
            const Outcome r = Read(0xBD, 1, 11, static_cast<uint32_t>(n), n);
            ExpectOk(r);
            EXPECT_EQ(r.data, data);
        }
        // Length 0 reads to the end of the file; the host finds the end
        // of an enciphered answer by its 0x80 marker.
        const Outcome tail = Read(0xBD, 1, kDataSize - 64 - static_cast<uint32_t>(n), 0, std::nullopt);
        ExpectOk(tail);
        EXPECT_EQ(tail.data, Bytes(image.end() - 64 - static_cast<long>(n), image.end()));
    }
    const Outcome all = Read(0xBD, 1, 0, 0, std::nullopt);
    ExpectOk(all);
    EXPECT_EQ(all.data, image);
    // Answer frames of 59 bytes after the status, MAC or padding included.
    size_t answerLen = kDataSize;
    const size_t bs = session_.Bs();
    if (S() && HostMode() == Mode::Enciphered)
        answerLen = (kDataSize + 5 + bs - 1) / bs * bs;
    else if (S())
        answerLen = kDataSize + 8;
    EXPECT_EQ(all.frames, (answerLen + 58) / 59);
}

TEST_P(DataTest, BackupFileShowsWritesAfterTheCommit)
{
    const Bytes data = Pattern(60, 0x40);
    ExpectOk(Write(0x3D, 2, 40, Bytes(data.begin(), data.begin() + 30)));
    ExpectOk(Write(0x3D, 2, 70, Bytes(data.begin() + 30, data.end())));
    Outcome r = Read(0xBD, 2, 40, 60, 60);
    ExpectOk(r);
    EXPECT_EQ(r.data, Bytes(60, 0x00));
    EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    r = Read(0xBD, 2, 40, 60, 60);
    ExpectOk(r);
    EXPECT_EQ(r.data, data);
}

TEST_P(DataTest, ValuesMoveWithTheCommit)
{
    EXPECT_EQ(GetValue(), 50);
    ExpectOk(Value(0x0C, 25));
    ExpectOk(Value(0xDC, 10));
    ExpectOk(Value(0xDC, 5));
    EXPECT_EQ(GetValue(), 50);
    EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    EXPECT_EQ(GetValue(), 60);
    // The debits of that transaction may come back as limited credit.
    Bytes settings = Plain({0xF5, 3});
    ASSERT_EQ(settings.size(), 18u);
    EXPECT_EQ(Bytes(settings.begin() + 13, settings.begin() + 17), (Bytes{15, 0, 0, 0}));
    ExpectOk(Value(0x1C, 15));
    EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    EXPECT_EQ(GetValue(), 75);
    settings = Plain({0xF5, 3});
    EXPECT_EQ(Bytes(settings.begin() + 13, settings.begin() + 17), (Bytes{0, 0, 0, 0}));
    ExpectOk(Value(0xDC, 1075));
    EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    EXPECT_EQ(GetValue(), -1000);
    EXPECT_EQ(Value(0xDC, 1).status, 0xBE);
}

TEST_P(DataTest, RecordsReadBackOldestFirst)
{
    const Bytes r1 = Pattern(20, 1), r2 = Pattern(20, 2), r3 = Pattern(20, 3);
    // One record from two writes of the same transaction.
    ExpectOk(Write(0x3B, 4, 0, Bytes(r1.begin(), r1.begin() + 12)));
    ExpectOk(Write(0x3B, 4, 12, Bytes(r1.begin() + 12, r1.end())));
    EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    for (const Bytes* r : {&r2, &r3}) {
        ExpectOk(Write(0x3B, 4, 0, *r));
        EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    }
    Outcome o = Read(0xBB, 4, 0, 0, std::nullopt);
    ExpectOk(o);
    EXPECT_EQ(o.data, Cat(Cat(r1, r2), r3));
    o = Read(0xBB, 4, 0, 1, 20);
    ExpectOk(o);
    EXPECT_EQ(o.data, r3);
    o = Read(0xBB, 4, 1, 2, 40);
    ExpectOk(o);
    EXPECT_EQ(o.data, Cat(r1, r2));

    // A cyclic file of three slots keeps the last two records; records of
    // 70 bytes take several frames both ways.
    const Bytes c1 = Pattern(70, 7), c2 = Pattern(70, 8), c3 = Pattern(70, 9);
    for (const Bytes* r : {&c1, &c2, &c3}) {
        ExpectOk(Write(0x3B, 5, 0, *r));
        EXPECT_EQ(Plain({0xC7}), Bytes{0x00});
    }
    o = Read(0xBB, 5, 0, 0, std::nullopt);
    ExpectOk(o);
    EXPECT_EQ(o.data, Cat(c2, c3));
    EXPECT_GE(o.frames, 3u);
    const Bytes settings = Plain({0xF5, 5});
    ASSERT_EQ(settings.size(), 14u);
    EXPECT_EQ(settings[11], 2); // current records
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, DataTest,
    ::testing::Values(DataCase{"Free_Plain", Kind::None, Mode::Plain}, DataCase{"Free_Mac", Kind::None, Mode::Mac},
                      DataCase{"Free_Enciphered", Kind::None, Mode::Enciphered},
                      DataCase{"Iso_Plain", Kind::Iso2K, Mode::Plain}, DataCase{"Iso_Mac", Kind::Iso2K, Mode::Mac},
                      DataCase{"Iso_Enciphered", Kind::Iso2K, Mode::Enciphered},
                      DataCase{"Iso3K_Plain", Kind::Iso3K, Mode::Plain}, DataCase{"Iso3K_Mac", Kind::Iso3K, Mode::Mac},
                      DataCase{"Iso3K_Enciphered", Kind::Iso3K, Mode::Enciphered},
                      DataCase{"Aes_Plain", Kind::Aes, Mode::Plain}, DataCase{"Aes_Mac", Kind::Aes, Mode::Mac},
                      DataCase{"Aes_Enciphered", Kind::Aes, Mode::Enciphered}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace desfire_test
