#include "sim/card_slot.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kavex::sim {

namespace {

constexpr uint8_t kNativeClass = 0x90;
constexpr uint8_t kIsoClass = 0x00;

} // namespace

bool LooksLikeApdu(const Bytes& frame)
{
    return frame.size() >= 4 && (frame[0] == kNativeClass || frame[0] == kIsoClass);
}

Bytes AtrFromAts(const Bytes& ats)
{
    // The ATS's format byte T0 says which of TA, TB and TC follow it; the
    // historical bytes come after them.
    Bytes historical;
    if (!ats.empty()) {
        const uint8_t t0 = ats[0];
        size_t at = 1;
        for (uint8_t bit : {0x10, 0x20, 0x40})
            if (t0 & bit) ++at;
        if (at < ats.size()) historical.assign(ats.begin() + static_cast<std::ptrdiff_t>(at), ats.end());
    }
    if (historical.size() > 15) historical.resize(15);
    Bytes atr{0x3B, static_cast<uint8_t>(0x80 | historical.size()), 0x80, 0x01};
    atr.insert(atr.end(), historical.begin(), historical.end());
    uint8_t tck = 0;
    for (size_t i = 1; i < atr.size(); ++i) tck ^= atr[i];
    atr.push_back(tck);
    return atr;
}

std::string FormatSlotEntry(const LogEntry& e, Clock::time_point origin)
{
    char head[32];
    const bool note = e.raw.empty() && e.direction == Direction::Received;
    std::snprintf(head, sizeof head, "+%9.3f %s ", std::chrono::duration<double>(e.time - origin).count(),
                  note ? "--" : ToString(e.direction));
    std::string s = head;
    if (note) return s + e.reason;
    s += ToHex(e.raw);
    if (!e.reason.empty()) s += " (" + e.reason + ")";
    return s;
}

CardSlot::CardSlot(std::shared_ptr<Card> card) : origin_(Clock::now()), card_(std::move(card)) {}

std::shared_ptr<Card> CardSlot::CurrentCard() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return card_;
}

std::optional<CardSlot::Activation> CardSlot::Activate(bool powerUp)
{
    std::lock_guard<std::mutex> lock(mu_);
    if (!card_) return std::nullopt;
    if (powerUp)
        card_->OnFieldReset();
    else
        card_->OnReactivate();
    Activation a;
    a.atqa = card_->Atqa();
    a.sak = card_->Sak();
    a.uid = card_->Uid();
    a.ats = card_->Ats();
    return a;
}

void CardSlot::PowerOff()
{
    std::lock_guard<std::mutex> lock(mu_);
    if (card_) card_->OnFieldReset();
}

CardSlot::Answer CardSlot::Apdu(const Bytes& apdu)
{
    std::lock_guard<std::mutex> lock(mu_);
    return ExchangeLocked(apdu, true);
}

CardSlot::Answer CardSlot::Native(const Bytes& frame)
{
    std::lock_guard<std::mutex> lock(mu_);
    return ExchangeLocked(frame, false);
}

CardSlot::Answer CardSlot::ExchangeLocked(const Bytes& request, bool apdu)
{
    const Clock::time_point now = Clock::now();
    LogEntry rx;
    rx.time = now;
    rx.direction = Direction::Received;
    rx.outcome = Outcome::Answered;
    rx.raw = request;
    rx.reason = apdu ? "APDU" : "native frame";

    Answer a;
    if (card_) a.bytes = apdu ? card_->TransceiveApdu(request) : card_->Transceive(request);

    Fault fault;
    if (!oneShot_.empty()) {
        fault = std::move(oneShot_.front());
        oneShot_.pop_front();
    } else if (persistent_) {
        fault = *persistent_;
    }
    const std::string faults = fault.Describe();
    if (a.bytes.empty() || fault.no_answer) {
        rx.outcome = Outcome::NotAnswered;
        rx.reason += card_ ? (fault.no_answer ? "; fault: " + faults : "; the card did not answer") : "; no card";
        AppendLocked(std::move(rx));
        a.bytes.clear();
        a.mute = true;
        return a;
    }
    AppendLocked(std::move(rx));

    // The status sits last in a wrapped answer (91 xx) and first in a native one.
    const bool wrapped = apdu && a.bytes.size() >= 2;
    if (fault.status) {
        if (wrapped)
            a.bytes.back() = *fault.status;
        else
            a.bytes.front() = *fault.status;
    }
    if (fault.data) {
        if (wrapped) {
            Bytes sw(a.bytes.end() - 2, a.bytes.end());
            a.bytes = *fault.data;
            a.bytes.insert(a.bytes.end(), sw.begin(), sw.end());
        } else {
            Bytes replaced{a.bytes.front()};
            replaced.insert(replaced.end(), fault.data->begin(), fault.data->end());
            a.bytes = std::move(replaced);
        }
    }
    a.delay = fault.delay;
    a.corruptChecksum = fault.corrupt_checksum;

    LogEntry tx;
    tx.time = now;
    tx.direction = Direction::Sent;
    tx.outcome = Outcome::Sent;
    tx.raw = a.bytes;
    if (!faults.empty()) tx.reason = "fault: " + faults;
    AppendLocked(std::move(tx));
    return a;
}

void CardSlot::Note(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mu_);
    LogEntry e;
    e.time = Clock::now();
    e.direction = Direction::Received;
    e.outcome = Outcome::Answered;
    e.reason = text;
    AppendLocked(std::move(e));
}

void CardSlot::InjectFault(Fault fault)
{
    std::lock_guard<std::mutex> lock(mu_);
    oneShot_.push_back(std::move(fault));
}

void CardSlot::SetPersistentFault(std::optional<Fault> fault)
{
    std::lock_guard<std::mutex> lock(mu_);
    persistent_ = std::move(fault);
}

void CardSlot::ClearFaults()
{
    std::lock_guard<std::mutex> lock(mu_);
    oneShot_.clear();
    persistent_.reset();
}

std::vector<LogEntry> CardSlot::Log() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return {log_.begin(), log_.end()};
}

bool CardSlot::WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& pred,
                          std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mu_);
    return log_cv_.wait_for(lock, timeout, [&] { return pred(std::vector<LogEntry>(log_.begin(), log_.end())); });
}

void CardSlot::SetLogSink(std::function<void(const LogEntry&)> sink)
{
    std::lock_guard<std::mutex> lock(mu_);
    sink_ = std::move(sink);
}

void CardSlot::AppendLocked(LogEntry e)
{
    constexpr size_t kCapacity = 10000;
    e.seq = ++seq_;
    log_.push_back(std::move(e));
    while (log_.size() > kCapacity) log_.pop_front();
    if (sink_) sink_(log_.back());
    log_cv_.notify_all();
}

} // namespace kavex::sim
