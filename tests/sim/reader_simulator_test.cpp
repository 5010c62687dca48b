// The protocol engine, driven with explicit time points (no sleeping).
#include "sim/reader_simulator.h"
#include "sim/test_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

using namespace kavex::sim;
using namespace std::chrono_literals;

namespace {

Bytes H(const std::string& hex)
{
    return ParseHex(hex).value();
}

ReaderConfig Variant(int v, uint8_t address = 1)
{
    ReaderConfig c;
    c.variant = v;
    c.address = address;
    return c;
}

struct Rig {
    explicit Rig(ReaderConfig c = {}) : card(std::make_shared<TestCard>()), sim(c, card), t(Clock::now()) {}

    int V() const { return sim.Config().variant; }
    // Raw bytes in at t + step, everything due then out.
    Bytes Send(const Bytes& bytes, Clock::duration step = 1ms)
    {
        t += step;
        return sim.Exchange(bytes, t);
    }
    Bytes Cmd(uint8_t command, const Bytes& data = {})
    {
        return Send(BuildRequestFrame(V(), sim.Config().address, command, data));
    }
    // Sends a command and decodes the one answer frame that must come back.
    DecodedAnswer Ask(uint8_t command, const Bytes& data = {})
    {
        const Bytes out = Cmd(command, data);
        auto d = DecodeAnswerFrame(V(), out);
        EXPECT_TRUE(d.has_value()) << "no complete answer to " << int(command) << ": " << ToHex(out);
        if (!d) return {};
        EXPECT_TRUE(d->checksum_ok);
        EXPECT_EQ(d->frame_size, out.size()) << ToHex(out);
        return *d;
    }
    uint8_t Success(uint8_t command, const Bytes& data = {}) const
    {
        const int v = sim.Config().variant;
        return (v == 2 || v == 3) ? TranslateForWire(v, command, data).command : 0x00;
    }
    void Activate()
    {
        ASSERT_EQ(Ask(0xF5, {0}).status, Success(0xF5, {0}));
        ASSERT_EQ(Ask(0xF5, {1}).status, Success(0xF5, {1}));
        ASSERT_EQ(Ask(0x30).status, Success(0x30));
        ASSERT_EQ(Ask(0x31).status, Success(0x31));
        ASSERT_EQ(Ask(0x41).status, Success(0x41));
        ASSERT_EQ(Ask(0x42, {0x00}).status, Success(0x42));
    }

    std::shared_ptr<TestCard> card;
    ReaderSimulator sim;
    Clock::time_point t;
};

size_t CountOutcome(const std::vector<LogEntry>& log, Outcome o)
{
    return static_cast<size_t>(
        std::count_if(log.begin(), log.end(), [o](const LogEntry& e) { return e.outcome == o; }));
}

std::optional<LogEntry> LastWith(const std::vector<LogEntry>& log, Outcome o)
{
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->outcome == o) return *it;
    return std::nullopt;
}

} // namespace

// ---------------------------------------------------------------- identification, golden bytes

TEST(Identification, Variant0)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 00 04 31 32 35 35 06"));
}

TEST(Identification, Variant1)
{
    Rig r(Variant(1));
    EXPECT_EQ(r.Send(H("01 F0 00 64 00")), H("01 00 04 31 32 35 35 82 74"));
}

TEST(Identification, Variant2)
{
    Rig r(Variant(2));
    EXPECT_EQ(r.Send(H("1E 0B 00")), H("1E 0B 04 31 37 31 35"));
}

TEST(Identification, Variant3NineBytes)
{
    Rig r(Variant(3));
    EXPECT_EQ(r.Send(H("1E 60 00")), H("1E 60 09 01 02 03 04 41 42 43 36 00"));
}

TEST(Identification, ConfiguredAnswerAndAddress)
{
    ReaderConfig c = Variant(0, 5);
    c.ident = Bytes{'1', '2', '4', '4'};
    Rig r(c);
    EXPECT_EQ(r.Send(H("02 05 F0 00 F5")), BuildAnswerFrame(0, 5, 0, H("31 32 34 34")));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), Bytes{});                              // address 1 is not ours
    r.sim.UpdateConfig([](ReaderConfig& cc) { cc.ident = H("31 32 35 35 35"); }); // 5 bytes: SDK rejects
    EXPECT_EQ(r.Ask(0xF0).data.size(), 5u);
}

TEST(Identification, Variant2SecondRequestFV)
{
    ReaderConfig c = Variant(2);
    c.ident = H("04 05 31 35");
    Rig r(c);
    EXPECT_EQ(r.Send(H("1E 0B 00")), H("1E 0B 04 04 05 31 35"));
    const Bytes fv = H("1E 0B 02 46 56");
    ASSERT_EQ(BuildRequestFrame(2, 1, 0xF0, {'F', 'V'}), fv);
    // Default: an error status.
    EXPECT_EQ(r.Send(fv), H("1E A0 00"));
    // A configured second answer.
    r.sim.UpdateConfig([](ReaderConfig& cc) {
        cc.fv_reply = FvReply::Answer;
        cc.fv_answer = H("31 37 31 39 41");
    });
    EXPECT_EQ(r.Send(fv), H("1E 0B 05 31 37 31 39 41"));
    // Or no answer at all.
    r.sim.UpdateConfig([](ReaderConfig& cc) { cc.fv_reply = FvReply::NoAnswer; });
    EXPECT_EQ(r.Send(fv), Bytes{});
    const auto log = r.sim.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().outcome, Outcome::NotAnswered);
}

// ---------------------------------------------------------------- variant probing

// The SDK's open sequence: identification in variant 0, 0 (after reopening),
// 1, 2, 3, each waiting 300 ms. A reader answers only its own variant's probe.
TEST(Probing, EachVariantAnswersOnlyItsOwnProbe)
{
    const Bytes probes[5] = {H("02 01 F0 00 F1"), H("02 01 F0 00 F1"), H("01 F0 00 64 00"), H("1E 0B 00"),
                             H("1E 60 00")};
    const int probe_variant[5] = {0, 0, 1, 2, 3};
    for (int v = 0; v <= 3; ++v) {
        Rig r(Variant(v));
        for (int i = 0; i < 5; ++i) {
            const Bytes out = r.Send(probes[i], 300ms);
            if (probe_variant[i] == v) {
                auto d = DecodeAnswerFrame(v, out);
                ASSERT_TRUE(d) << "variant " << v << " probe " << i;
                EXPECT_EQ(d->status, v >= 2 ? probes[i][1] : 0);
            } else {
                EXPECT_EQ(out, Bytes{}) << "variant " << v << " answered probe " << i << ": " << ToHex(out);
            }
        }
        EXPECT_EQ(r.sim.HasPendingOutput(), false);
    }
}

TEST(Probing, Variant3IgnoresVariant2IdentificationWithReason)
{
    Rig r(Variant(3));
    EXPECT_EQ(r.Send(H("1E 0B 00")), Bytes{});
    const auto e = LastWith(r.sim.Log(), Outcome::Ignored);
    ASSERT_TRUE(e);
    EXPECT_NE(e->reason.find("variant 2"), std::string::npos) << e->reason;
}

// ---------------------------------------------------------------- parser robustness

TEST(Parser, OtherAddressIgnoredInVariants0And1)
{
    for (int v : {0, 1}) {
        Rig r(Variant(v));
        EXPECT_EQ(r.Send(BuildRequestFrame(v, 2, 0xF0)), Bytes{});
        const auto e = LastWith(r.sim.Log(), Outcome::Ignored);
        ASSERT_TRUE(e);
        EXPECT_NE(e->reason.find("address 2"), std::string::npos) << e->reason;
        EXPECT_FALSE(r.Send(BuildRequestFrame(v, 1, 0xF0)).empty());
    }
}

TEST(Parser, WrongBccIgnoredNextFrameAnswered)
{
    Rig r(Variant(0));
    Bytes both = H("02 01 F0 00 F0");
    const Bytes good = H("02 01 F0 00 F1");
    both.insert(both.end(), good.begin(), good.end());
    EXPECT_EQ(r.Send(both), H("02 01 00 04 31 32 35 35 06"));
    const auto log = r.sim.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0].outcome, Outcome::Ignored);
    EXPECT_NE(log[0].reason.find("BCC"), std::string::npos);
    EXPECT_EQ(log[1].outcome, Outcome::Answered);
}

TEST(Parser, WrongCrcIgnoredAndResynchronised)
{
    Rig r(Variant(1));
    Bytes bytes = H("01 F0 00 64 01"); // CRC high byte wrong
    const Bytes good = H("01 F0 00 64 00");
    bytes.insert(bytes.end(), good.begin(), good.end());
    EXPECT_EQ(r.Send(bytes), H("01 00 04 31 32 35 35 82 74"));
    const auto log = r.sim.Log();
    EXPECT_EQ(log.front().outcome, Outcome::Ignored);
    EXPECT_NE(log.front().reason.find("CRC"), std::string::npos);
    EXPECT_EQ(CountOutcome(log, Outcome::Answered), 1u);
}

TEST(Parser, Variant1GarbageThenFrame)
{
    Rig r(Variant(1));
    EXPECT_EQ(r.Send(H("AA 55 01 F0 00 64 00")), H("01 00 04 31 32 35 35 82 74"));
    EXPECT_GE(CountOutcome(r.sim.Log(), Outcome::Discarded), 1u);
}

TEST(Parser, Variant1FindsFrameBehindIncompleteOtherVariantFrame)
{
    // A variant-0 probe (which a variant-1 parser reads as a frame with LEN
    // F0) directly followed by a variant-1 probe.
    Rig r(Variant(1));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1 01 F0 00 64 00")), H("01 00 04 31 32 35 35 82 74"));
}

TEST(Parser, GarbageBeforeStartByteSkipped)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Send(H("FF 00 13 02 01 F0 00 F1")), H("02 01 00 04 31 32 35 35 06"));
    const auto log = r.sim.Log();
    EXPECT_EQ(log.front().outcome, Outcome::Discarded);
    EXPECT_EQ(log.front().raw, H("FF 00 13"));
    Rig r2(Variant(2));
    EXPECT_EQ(r2.Send(H("00 02 1E 0B 00")), H("1E 0B 04 31 37 31 35"));
}

TEST(Parser, FrameInPiecesWithinTheGapIsAssembled)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Send(H("02 01"), 1ms), Bytes{});
    EXPECT_EQ(r.Send(H("F0 00"), 5ms), Bytes{});
    EXPECT_EQ(r.Send(H("F1"), 5ms), H("02 01 00 04 31 32 35 35 06"));
}

TEST(Parser, IncompleteFrameDroppedAfterIdleGap)
{
    for (int v : {0, 1, 2, 3}) {
        Rig r(Variant(v));
        // A long frame that never completes.
        const Bytes partial = v == 0 ? H("02 01 45 10 60") : v == 1 ? H("01 45 10 60") : H("1E 45 10 60");
        EXPECT_EQ(r.Send(partial, 1ms), Bytes{});
        const Bytes ident = BuildRequestFrame(v, 1, 0xF0);
        EXPECT_FALSE(r.Send(ident, 30ms).empty()) << "variant " << v;
        const auto log = r.sim.Log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.front().outcome, Outcome::Discarded);
        EXPECT_EQ(log.front().raw, partial);
        EXPECT_NE(log.front().reason.find("idle gap"), std::string::npos);
    }
}

TEST(Parser, IdleGapIsConfigurable)
{
    ReaderConfig c = Variant(0);
    c.idle_gap = 100ms;
    Rig r(c);
    EXPECT_EQ(r.Send(H("02 01 F0"), 1ms), Bytes{});
    EXPECT_FALSE(r.Send(H("00 F1"), 60ms).empty());
}

// ---------------------------------------------------------------- reader commands

TEST(Commands, ActivationVariant0)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Cmd(0xF5, {0}), H("02 01 00 00 01"));
    EXPECT_FALSE(r.sim.FieldOn());
    EXPECT_EQ(r.Cmd(0xF5, {1}), H("02 01 00 00 01"));
    EXPECT_TRUE(r.sim.FieldOn());
    const auto atqa = r.Ask(0x30);
    EXPECT_EQ(atqa.status, 0);
    EXPECT_EQ(atqa.data, H("44 03")); // ATQA 0x0344, LSB first
    const auto sel = r.Ask(0x31);
    EXPECT_EQ(sel.data, H("20 04 11 22 33 44 55 66"));
    const auto ats = r.Ask(0x41);
    EXPECT_EQ(ats.data, H("75 77 81 02 80")); // ATS 06 75 77 81 02 80 without TL
    EXPECT_EQ(r.Ask(0x42, {0x0A}).status, 0);
    EXPECT_EQ(r.sim.LastPps(), 0x0A);
    EXPECT_GE(r.card->FieldResets(), 2); // field off and request
}

TEST(Commands, ActivationVariant2UsesWireCommandsAsStatus)
{
    Rig r(Variant(2));
    EXPECT_EQ(r.Send(H("1E 0D 00")), H("1E 0D 00"));
    EXPECT_FALSE(r.sim.FieldOn());
    EXPECT_EQ(r.Send(H("1E 0C 00")), H("1E 0C 00"));
    EXPECT_EQ(r.Send(H("1E 30 00")), H("1E 30 02 44 03"));
    EXPECT_EQ(r.Send(H("1E 31 00")), H("1E 31 08 20 04 11 22 33 44 55 66"));
    EXPECT_EQ(r.Send(H("1E 41 00")), H("1E 41 05 75 77 81 02 80"));
    EXPECT_EQ(r.Send(H("1E 42 01 00")), H("1E 42 00"));
    EXPECT_EQ(r.Send(H("1E 45 01 60")), H("1E 45 02 00 60")); // echo card
}

TEST(Commands, NoCardOrFieldOff)
{
    Rig r(Variant(0));
    r.sim.RemoveCard();
    EXPECT_EQ(r.Ask(0x30).status, 0x15);
    r.sim.InsertCard(r.card);
    EXPECT_EQ(r.Ask(0x30).status, 0x00);
    r.Cmd(0xF5, {0});
    EXPECT_EQ(r.Ask(0x30).status, 0x15);
    EXPECT_EQ(r.Ask(0x31).status, 0x15);

    Rig r2(Variant(2));
    r2.sim.RemoveCard();
    EXPECT_EQ(r2.Send(H("1E 30 00")), H("1E C4 00"));
    Rig r3(Variant(3));
    r3.sim.InsertCard(nullptr);
    EXPECT_EQ(r3.Send(H("1E 30 00")), H("1E C4 00"));
    Rig r1(Variant(1));
    r1.sim.RemoveCard();
    EXPECT_EQ(r1.Ask(0x30).status, 0x15);
}

TEST(Commands, CardRemovedAfterActivation)
{
    Rig r(Variant(0));
    r.Activate();
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0);
    r.sim.RemoveCard();
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0x15);
    // A new card must be activated again.
    auto other = std::make_shared<TestCard>(TestCard::Params{H("01 02 03 04"), 0x08, 0x0004, {}, false});
    r.sim.InsertCard(other);
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0x15);
    EXPECT_EQ(r.Ask(0x30).data, H("04 00"));
    EXPECT_EQ(r.Ask(0x31).data, H("08 01 02 03 04"));
    EXPECT_EQ(r.Ask(0x41).status, 0x0E); // no ISO/IEC 14443-4
    EXPECT_EQ(other->FieldResets(), 2);  // insertion and request
}

TEST(Commands, StrictActivationOrder)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Ask(0x31).status, 0x15);         // select before request
    EXPECT_EQ(r.Ask(0x41).status, 0x15);         // RATS before select
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0x15); // exchange before RATS
    r.sim.UpdateConfig([](ReaderConfig& c) { c.strict_activation = false; });
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0x00);
}

TEST(Commands, RatsOnCardWithoutIso14443_4)
{
    Rig r(Variant(3));
    r.card->SetSak(0x08);
    r.card->SetAts({});
    EXPECT_EQ(r.Send(H("1E 30 00")), H("1E 30 02 44 03"));
    EXPECT_EQ(r.Send(H("1E 31 00"))[3], 0x08);
    EXPECT_EQ(r.Send(H("1E 41 00")), H("1E A0 00"));
}

TEST(Commands, UidLengthsAndRandomUid)
{
    for (const Bytes& uid : {H("01 02 03 04"), H("04 11 22 33 44 55 66"), H("01 02 03 04 05 06 07 08 09 0A")}) {
        Rig r(Variant(0));
        r.card->SetUid(uid);
        r.Ask(0x30);
        Bytes expected{0x20};
        expected.insert(expected.end(), uid.begin(), uid.end());
        EXPECT_EQ(r.Ask(0x31).data, expected);
    }
    Rig r(Variant(0));
    r.card->SetRandomUid(true);
    r.Ask(0x30);
    const Bytes a = r.Ask(0x31).data;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[1], 0x08);
    r.Ask(0x30);
    const Bytes b = r.Ask(0x31).data;
    EXPECT_NE(a, b); // a new random UID per activation (3 random bytes; a clash is 1 in 16M)
}

TEST(Commands, ReaderModeResetUsbMode)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Ask(0xF4, {0x83}).status, 0);
    EXPECT_EQ(r.sim.ReaderMode(), 0x83);
    EXPECT_EQ(r.Ask(0xF4, {0x04}).status, 0x0D);
    EXPECT_EQ(r.Ask(0xF4, {}).status, 0x14);
    EXPECT_EQ(r.Ask(0xF6, {0, 0}).status, 0);
    EXPECT_EQ(r.sim.ReaderMode(), 0);
    EXPECT_EQ(r.Ask(0xFF, {2}).status, 0);
    EXPECT_EQ(r.sim.UsbMode(), 2);

    Rig r2(Variant(2));
    EXPECT_EQ(r2.Send(H("1E 07 02 00 00")), H("1E 07 00"));
    EXPECT_EQ(r2.Send(H("1E 0F 01 01")), H("1E 0F 00"));
    EXPECT_EQ(r2.sim.UsbMode(), 1);
    Rig r3(Variant(3));
    EXPECT_EQ(r3.Send(H("1E FF 01 01")), H("1E FF 00"));
}

TEST(Commands, UnknownCommands)
{
    Rig r(Variant(0));
    EXPECT_EQ(r.Ask(0x99).status, 0x0E);
    Rig r1(Variant(1));
    EXPECT_EQ(r1.Ask(0x99).status, 0x0E);
    Rig r2(Variant(2));
    EXPECT_EQ(r2.Send(H("1E 99 00")), H("1E A0 00"));
    // 0x20 arrives as 0x28 with its flag byte; the log shows it translated back.
    EXPECT_EQ(r2.Send(H("1E 28 03 01 45 21")), H("1E A0 00"));
    const auto log = r2.sim.Log();
    const LogEntry& req = log[log.size() - 2];
    EXPECT_EQ(req.command, 0x20);
    EXPECT_EQ(req.wire_command, 0x28);
    EXPECT_EQ(req.data, H("45 21"));
    Rig r3(Variant(3));
    EXPECT_EQ(r3.Send(H("1E 0F 00")), H("1E A0 00"));
}

// ---------------------------------------------------------------- DESFire exchange and pieces

TEST(Exchange, ForwardsToCardAndReturnsItsAnswer)
{
    Rig r(Variant(0));
    r.Activate();
    r.card->QueueAnswer(H("AF 04 01 01 01 00 1A 05"));
    const auto a = r.Ask(0x45, {0x60});
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.data, H("AF 04 01 01 01 00 1A 05"));
    ASSERT_EQ(r.card->Commands().size(), 1u);
    EXPECT_EQ(r.card->Commands()[0], H("60"));
    // A mute card: no transponder.
    r.card->SetDefaultReply(TestCard::DefaultReply::Mute);
    EXPECT_EQ(r.Ask(0x45, {0x60}).status, 0x15);
    r.card->SetHandler([](const Bytes& c) { return Bytes{0x91, c[0]}; });
    EXPECT_EQ(r.Ask(0x45, {0x6A}).data, H("91 6A"));
}

TEST(Exchange, Variant0PiecesWithStatus20AndContinuation)
{
    ReaderConfig c = Variant(0);
    c.piece_size = 4;
    Rig r(c);
    r.Activate();
    r.card->QueueAnswer(H("00 01 02 03 04 05 06 07 08 09"));
    const Bytes frame1 = r.Cmd(0x45, {0xBD, 0x01});
    EXPECT_EQ(frame1, BuildAnswerFrame(0, 1, 0x20, H("00 01 02 03")));
    EXPECT_EQ(r.Cmd(0x46), BuildAnswerFrame(0, 1, 0x20, H("04 05 06 07")));
    EXPECT_EQ(r.Cmd(0x46), BuildAnswerFrame(0, 1, 0x00, H("08 09")));
    EXPECT_EQ(r.Ask(0x46).status, 0x0E); // nothing left
    EXPECT_EQ(r.sim.CountReceived(0x46), 3u);
    EXPECT_EQ(r.sim.CountReceived(0x45), 1u);
    // Exactly a multiple of the piece size: the last piece carries status 0.
    r.card->QueueAnswer(H("00 01 02 03 04 05 06 07"));
    EXPECT_EQ(r.Ask(0x45, {0xBD}).status, 0x20);
    const auto last = r.Ask(0x46);
    EXPECT_EQ(last.status, 0x00);
    EXPECT_EQ(last.data, H("04 05 06 07"));
    // Short answers need no pieces.
    r.card->QueueAnswer(H("00 01"));
    EXPECT_EQ(r.Ask(0x45, {0xBD}).status, 0x00);
}

TEST(Exchange, Variants1To3SendTheWholeAnswer)
{
    for (int v : {1, 2, 3}) {
        ReaderConfig c = Variant(v);
        c.piece_size = 4;
        Rig r(c);
        r.Activate();
        Bytes big(300);
        for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
        r.card->QueueAnswer(big);
        const auto a = r.Ask(0x45, {0xBD});
        EXPECT_EQ(a.status, v == 1 ? 0x00 : 0x45);
        EXPECT_TRUE(a.block_form);
        EXPECT_EQ(a.data, big);
        r.card->QueueAnswer(H("00 01 02 03 04 05 06 07 08 09"));
        const auto b = r.Ask(0x45, {0xBD});
        EXPECT_FALSE(b.block_form);
        EXPECT_EQ(b.data.size(), 10u);
    }
}

TEST(Exchange, Variant0LongAnswerWithoutPiecesUsesBlockForm)
{
    Rig r(Variant(0));
    r.Activate();
    r.card->QueueAnswer(Bytes(600, 0x42));
    const Bytes out = r.Cmd(0x45, {0xBD});
    EXPECT_EQ(out[3], 0xFF);
    const auto d = DecodeAnswerFrame(0, out);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->checksum_ok);
    EXPECT_EQ(d->data, Bytes(600, 0x42));
}

TEST(Exchange, ForcedBlockFormForEveryAnswer)
{
    ReaderConfig c = Variant(0);
    c.force_block_form = true;
    Rig r(c);
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), BuildAnswerFrame(0, 1, 0, H("31 32 35 35"), true));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1"))[3], 0xFF);
    r.sim.UpdateConfig([](ReaderConfig& cc) { cc.block_size = 1; });
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 00 FF 01 31 01 32 01 35 01 35 FF 02"));
}

// ---------------------------------------------------------------- faults

TEST(Faults, GarbageBeforeAndExtraAfter)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::Garbage(H("AA 55")));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("AA 55 02 01 00 04 31 32 35 35 06"));
    r.sim.InjectFault(Fault::Extra(H("EE")));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 00 04 31 32 35 35 06 EE"));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 00 04 31 32 35 35 06")); // one-shot
}

TEST(Faults, WrongChecksum)
{
    Rig r0(Variant(0));
    r0.sim.InjectFault(Fault::BadChecksum());
    EXPECT_EQ(r0.Send(H("02 01 F0 00 F1")), H("02 01 00 04 31 32 35 35 F9"));
    Rig r1(Variant(1));
    r1.sim.InjectFault(Fault::BadChecksum());
    const auto d = DecodeAnswerFrame(1, r1.Send(H("01 F0 00 64 00")));
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->checksum_ok);
}

TEST(Faults, NoAnswer)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::NoAnswer());
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), Bytes{});
    EXPECT_FALSE(r.sim.HasPendingOutput());
    const auto log = r.sim.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].outcome, Outcome::NotAnswered);
    EXPECT_NE(log[0].reason.find("no answer"), std::string::npos);
    EXPECT_EQ(r.sim.ReceivedCommands(), std::vector<uint8_t>{0xF0});
    EXPECT_FALSE(r.Send(H("02 01 F0 00 F1")).empty());
}

TEST(Faults, DelayedAnswerIsScheduled)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::Delay(200ms));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), Bytes{});
    ASSERT_TRUE(r.sim.NextOutputTime());
    EXPECT_EQ(*r.sim.NextOutputTime(), r.t + 200ms);
    EXPECT_TRUE(r.sim.TakeDueOutput(r.t + 199ms).empty());
    const auto units = r.sim.TakeDueOutput(r.t + 200ms);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0], H("02 01 00 04 31 32 35 35 06"));
    EXPECT_FALSE(r.sim.NextOutputTime());
}

TEST(Faults, DelayedAnswerDoesNotHoldBackTheNextOne)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::Delay(1000ms));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), Bytes{});
    EXPECT_EQ(r.Send(H("02 01 30 00 31"), 300ms), H("02 01 00 02 44 03 44"));
    EXPECT_EQ(r.sim.TakeDueOutput(r.t + 1s).size(), 1u);
}

TEST(Faults, SplitIntoChunks)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::Split(3, 5ms));
    r.t += 1ms;
    r.sim.Receive(H("02 01 F0 00 F1"), r.t);
    auto u0 = r.sim.TakeDueOutput(r.t);
    ASSERT_EQ(u0.size(), 1u);
    EXPECT_EQ(u0[0], H("02 01 00"));
    EXPECT_EQ(*r.sim.NextOutputTime(), r.t + 5ms);
    auto rest = r.sim.TakeDueOutput(r.t + 10ms);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0], H("04 31 32"));
    EXPECT_EQ(rest[1], H("35 35 06"));
}

TEST(Faults, ForcedStatusVariant0)
{
    for (uint8_t st : {0x03, 0x19, 0x07, 0x20, 0x42, 0xFE}) {
        Rig r(Variant(0));
        r.sim.InjectFault(Fault::Status(st));
        const auto a = r.Ask(0xF0);
        EXPECT_EQ(a.status, st);
        EXPECT_EQ(a.data, H("31 32 35 35")); // data kept unless replaced
    }
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::StatusAndData(0x07, {}));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 07 00 06"));
    r.sim.InjectFault(Fault::StatusAndData(0x20, H("41")));
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), H("02 01 20 01 41 61"));
}

TEST(Faults, ForcedStatusVariants1To3)
{
    Rig r1(Variant(1));
    r1.sim.InjectFault(Fault::StatusAndData(0x33, {}));
    EXPECT_EQ(r1.Ask(0xF0).status, 0x33);
    for (int v : {2, 3}) {
        for (uint8_t st : {0xA0, 0xA4, 0x88, 0xCC, 0xC4, 0xC5, 0x77}) {
            Rig r(Variant(v));
            r.sim.InjectFault(Fault::StatusAndData(st, {}));
            EXPECT_EQ(r.Send(BuildRequestFrame(v, 1, 0xF0)), (Bytes{0x1E, st, 0x00}));
        }
    }
}

TEST(Faults, OneShotQueueAndPersistent)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::Status(0x03));
    r.sim.InjectFault(Fault::Status(0x19));
    EXPECT_EQ(r.sim.PendingFaults(), 2u);
    r.sim.SetPersistentFault(Fault::Extra(H("00")));
    EXPECT_EQ(r.Ask(0xF0).status, 0x03); // one-shot first (without the persistent extra byte)
    EXPECT_EQ(r.Ask(0xF0).status, 0x19);
    EXPECT_EQ(r.Cmd(0xF0), H("02 01 00 04 31 32 35 35 06 00"));
    EXPECT_EQ(r.Cmd(0xF0), H("02 01 00 04 31 32 35 35 06 00"));
    r.sim.ClearFaults();
    EXPECT_EQ(r.Cmd(0xF0), H("02 01 00 04 31 32 35 35 06"));
}

TEST(Faults, IgnoredFramesDoNotConsumeFaults)
{
    Rig r(Variant(0));
    r.sim.InjectFault(Fault::NoAnswer());
    EXPECT_EQ(r.Send(H("02 02 F0 00 F2")), Bytes{}); // other address
    EXPECT_EQ(r.sim.PendingFaults(), 1u);
}

// ---------------------------------------------------------------- log

TEST(Log, RecordsDirectionBytesAndOutcome)
{
    Rig r(Variant(0));
    std::vector<std::string> lines;
    r.sim.SetLogSink([&](const LogEntry& e) { lines.push_back(FormatLogEntry(e, r.sim.Origin())); });
    r.Send(H("02 01 F0 00 F1"));
    r.Send(H("02 07 F0 00 F7"));
    const auto log = r.sim.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].direction, Direction::Received);
    EXPECT_EQ(log[0].outcome, Outcome::Answered);
    EXPECT_EQ(log[0].raw, H("02 01 F0 00 F1"));
    EXPECT_EQ(log[0].command, 0xF0);
    EXPECT_EQ(log[1].direction, Direction::Sent);
    EXPECT_EQ(log[1].raw, H("02 01 00 04 31 32 35 35 06"));
    EXPECT_EQ(log[1].status, 0);
    EXPECT_EQ(log[1].data, H("31 32 35 35"));
    EXPECT_EQ(log[2].outcome, Outcome::Ignored);
    EXPECT_LT(log[0].seq, log[1].seq);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("RX 02 01 F0 00 F1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("TX 02 01 00 04 31 32 35 35 06"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("ignored"), std::string::npos) << lines[2];
    r.sim.ClearLog();
    EXPECT_TRUE(r.sim.Log().empty());
}

TEST(Log, CapacityDropsOldestEntries)
{
    ReaderConfig c = Variant(0);
    c.log_capacity = 4;
    Rig r(c);
    for (int i = 0; i < 5; ++i) r.Send(H("02 01 F0 00 F1"));
    const auto log = r.sim.Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log.back().seq, 10u);
}

TEST(Log, WaitForRequestsReturnsAtOnceWhenSatisfied)
{
    Rig r(Variant(0));
    r.Send(H("02 01 F0 00 F1"));
    EXPECT_TRUE(r.sim.WaitForRequests(1, 0ms));
    EXPECT_FALSE(r.sim.WaitForRequests(2, 1ms));
}

TEST(Config, VariantChangeAtRunTime)
{
    Rig r(Variant(0));
    r.sim.UpdateConfig([](ReaderConfig& c) { c.variant = 2; });
    EXPECT_EQ(r.Send(H("02 01 F0 00 F1")), Bytes{});
    EXPECT_EQ(r.Send(H("1E 0B 00")), H("1E 0B 04 31 37 31 35"));
    EXPECT_THROW(r.sim.UpdateConfig([](ReaderConfig& c) { c.variant = 4; }), std::invalid_argument);
}
