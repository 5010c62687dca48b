// Transactions: what backup, value and record files do until
// CommitTransaction, and when the card drops what was not committed.
#include "tests/sim/desfire/card_fixture.h"
#include "tests/sim/desfire/file_host.h"

namespace desfire_test {
namespace {

using reference::Cat;

constexpr uint32_t kAid = 0x007A11;
constexpr uint32_t kOtherAid = 0x007A12;

// Files with free access (plain): 1 backup data (16 bytes), 2 value
// (-50..500, 100, limited credit enabled), 3 linear records (4 bytes, 3),
// 4 cyclic records (4 bytes, 4 slots), 5 standard data (16 bytes); and
// file 6, a backup file that needs key 1 (AES).
class TransactionTest : public CardTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateApp(kAid, 0x0F, 0x82), Bytes{0x00});
        ASSERT_EQ(CreateApp(kOtherAid, 0x0F, 0x81), Bytes{0x00});
        ASSERT_EQ(Select(kAid), Bytes{0x00});
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCB, 1, 0, 0xEEEE, 16)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateValueFileCmd(2, 0, 0xEEEE, -50, 500, 100, 0x01)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 3, 0, 0xEEEE, 4, 3)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateRecordFileCmd(0xC0, 4, 0, 0xEEEE, 4, 4)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 5, 0, 0xEEEE, 16)), Bytes{0x00});
        ASSERT_EQ(Tx(CreateDataFileCmd(0xCB, 6, 0, 0x1111, 16)), Bytes{0x00});
    }

    // Free-access commands in plain (the session, if any, is not tracked).
    Bytes WriteData(uint8_t no, const Bytes& d) { return Tx(TransferCmd(0x3D, no, 0, uint32_t(d.size()), d)); }
    Bytes ReadData(uint8_t no)
    {
        Bytes a = Tx(TransferCmd(0xBD, no, 0, 0));
        return a.empty() || a[0] != 0x00 ? a : Bytes(a.begin() + 1, a.end());
    }
    Bytes WriteRecord(uint8_t no, const Bytes& r) { return Tx(TransferCmd(0x3B, no, 0, uint32_t(r.size()), r)); }
    Bytes Records(uint8_t no)
    {
        Bytes a = Tx(TransferCmd(0xBB, no, 0, 0));
        return a.empty() || a[0] != 0x00 ? a : Bytes(a.begin() + 1, a.end());
    }
    Bytes ValueCmd(uint8_t code, int32_t amount) { return Tx(Cat({code, 2}, reference::Le32(uint32_t(amount)))); }
    int32_t Value()
    {
        const Bytes a = Tx({0x6C, 2});
        EXPECT_EQ(a.size(), 5u);
        return a.size() == 5 ? int32_t(a[1] | a[2] << 8 | a[3] << 16 | uint32_t(a[4]) << 24) : INT32_MIN;
    }
    int32_t LimitedCreditValue()
    {
        const Bytes a = Tx({0xF5, 2});
        EXPECT_EQ(a.size(), 18u);
        return a.size() == 18 ? int32_t(a[13] | a[14] << 8 | a[15] << 16 | uint32_t(a[16]) << 24) : INT32_MIN;
    }
    // Backup data, value and a record, all pending.
    void ChangeEverything()
    {
        ASSERT_EQ(WriteData(1, Bytes(16, 0x11)), Bytes{0x00});
        ASSERT_EQ(ValueCmd(0x0C, 5), Bytes{0x00});
        ASSERT_EQ(WriteRecord(3, {1, 2, 3, 4}), Bytes{0x00});
    }
    void ExpectNothingChanged()
    {
        EXPECT_EQ(ReadData(1), Bytes(16, 0x00));
        EXPECT_EQ(Value(), 100);
        EXPECT_EQ(Records(3), Bytes{0xBE});
    }
};

TEST_F(TransactionTest, CommitMakesEverythingVisibleAtOnce)
{
    ChangeEverything();
    ASSERT_EQ(WriteData(5, Bytes(16, 0x55)), Bytes{0x00});
    // Nothing of the transaction shows before the commit; standard data
    // files do not take part.
    ExpectNothingChanged();
    EXPECT_EQ(ReadData(5), Bytes(16, 0x55));
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(ReadData(1), Bytes(16, 0x11));
    EXPECT_EQ(Value(), 105);
    EXPECT_EQ(Records(3), (Bytes{1, 2, 3, 4}));
    // A commit with nothing to commit is fine; at the card level it is not.
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    ASSERT_EQ(Select(0), Bytes{0x00});
    EXPECT_EQ(Tx({0xC7}), Bytes{0x9D});
    EXPECT_EQ(Tx({0xA7}), Bytes{0x9D});
}

TEST_F(TransactionTest, AbortDeselectFieldResetAndLostAuthenticationDropTheTransaction)
{
    ChangeEverything();
    EXPECT_EQ(Tx({0xA7}), Bytes{0x00});
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    ExpectNothingChanged();

    ChangeEverything();
    ASSERT_EQ(Select(kAid), Bytes{0x00}); // even the same application
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    ExpectNothingChanged();

    ChangeEverything();
    ASSERT_EQ(Select(kOtherAid), Bytes{0x00});
    ASSERT_EQ(Select(kAid), Bytes{0x00});
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    ExpectNothingChanged();

    ChangeEverything();
    card.OnFieldReset();
    ASSERT_EQ(Select(kAid), Bytes{0x00});
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    ExpectNothingChanged();

    // In a session: an error costs the authentication and with it the
    // transaction, and so does a new authentication.
    HostSession s = Auth(Algo::Aes, kZeroKey, 1);
    ASSERT_TRUE(SendData(card, &s, TransferHeader(0x3D, 6, 0, 4), {6, 6, 6, 6}, Mode::Plain).status == 0x00);
    EXPECT_EQ(Tx({0x99}), Bytes{0x1C});
    s = Auth(Algo::Aes, kZeroKey, 1);
    EXPECT_EQ(MacedTx(s, {0xC7}), Bytes{0x00});
    EXPECT_EQ(Receive(card, &s, TransferHeader(0xBD, 6, 0, 4), Mode::Plain, 4).data, Bytes(4, 0));

    ASSERT_TRUE(SendData(card, &s, TransferHeader(0x3D, 6, 0, 4), {6, 6, 6, 6}, Mode::Plain).status == 0x00);
    s = Auth(Algo::Aes, kZeroKey, 1);
    EXPECT_EQ(MacedTx(s, {0xC7}), Bytes{0x00});
    EXPECT_EQ(Receive(card, &s, TransferHeader(0xBD, 6, 0, 4), Mode::Plain, 4).data, Bytes(4, 0));

    // Without authentication there is none to lose: an error keeps it.
    ASSERT_EQ(Select(kAid), Bytes{0x00});
    ASSERT_EQ(ValueCmd(0xDC, 7), Bytes{0x00});
    EXPECT_EQ(Tx({0xF5, 20}), Bytes{0xF0});
    EXPECT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Value(), 93);
}

TEST_F(TransactionTest, LimitedCreditGivesBackWhatTheLastDebitsTook)
{
    EXPECT_EQ(LimitedCreditValue(), 0);
    EXPECT_EQ(ValueCmd(0x1C, 1), Bytes{0xBE});
    ASSERT_EQ(ValueCmd(0xDC, 30), Bytes{0x00});
    ASSERT_EQ(ValueCmd(0xDC, 12), Bytes{0x00});
    // Not before the commit.
    EXPECT_EQ(ValueCmd(0x1C, 1), Bytes{0xBE});
    EXPECT_EQ(Tx({0xA7}), Bytes{0x00});
    EXPECT_EQ(LimitedCreditValue(), 0);

    ASSERT_EQ(ValueCmd(0xDC, 30), Bytes{0x00});
    ASSERT_EQ(ValueCmd(0xDC, 12), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(LimitedCreditValue(), 42);
    EXPECT_EQ(Value(), 58);
    // A transaction with credits only leaves it alone.
    ASSERT_EQ(ValueCmd(0x0C, 2), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(LimitedCreditValue(), 42);
    // Limited credits of one transaction add up against it.
    ASSERT_EQ(ValueCmd(0x1C, 40), Bytes{0x00});
    EXPECT_EQ(ValueCmd(0x1C, 3), Bytes{0xBE});
    ASSERT_EQ(ValueCmd(0x1C, 2), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Value(), 102);
    // Used up.
    EXPECT_EQ(LimitedCreditValue(), 0);
    EXPECT_EQ(ValueCmd(0x1C, 1), Bytes{0xBE});
}

TEST_F(TransactionTest, RecordFilesFillUpOrCycle)
{
    for (uint8_t i = 1; i <= 3; ++i) {
        ASSERT_EQ(WriteRecord(3, {i, i, i, i}), Bytes{0x00});
        ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    }
    EXPECT_EQ(WriteRecord(3, {4, 4, 4, 4}), Bytes{0xBE});
    // Clearing frees the file, but only with the commit.
    ASSERT_EQ(Tx({0xEB, 3}), Bytes{0x00});
    EXPECT_EQ(Records(3).size(), 12u);
    EXPECT_EQ(WriteRecord(3, {4, 4, 4, 4}), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Records(3), (Bytes{4, 4, 4, 4}));
    ASSERT_EQ(Tx({0xEB, 3}), Bytes{0x00});
    ASSERT_EQ(Tx({0xA7}), Bytes{0x00});
    EXPECT_EQ(Records(3), (Bytes{4, 4, 4, 4}));
    ASSERT_EQ(Tx({0xEB, 3}), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Records(3), Bytes{0xBE});

    // Four slots, three records: the oldest goes.
    for (uint8_t i = 1; i <= 5; ++i) {
        ASSERT_EQ(WriteRecord(4, {i, 0, 0, i}), Bytes{0x00});
        ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    }
    EXPECT_EQ(Records(4), (Bytes{3, 0, 0, 3, 4, 0, 0, 4, 5, 0, 0, 5}));
    EXPECT_EQ(Tx({0xF5, 4}), (Bytes{0x00, 0x04, 0x00, 0xEE, 0xEE, 4, 0, 0, 4, 0, 0, 3, 0, 0}));
    // A write at an offset within a new record leaves the rest zero.
    ASSERT_EQ(Tx(TransferCmd(0x3B, 4, 2, 1, {9})), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Tx(TransferCmd(0xBB, 4, 0, 1)), (Bytes{0x00, 0, 0, 9, 0}));
}

} // namespace
} // namespace desfire_test
