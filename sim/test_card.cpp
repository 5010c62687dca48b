#include "sim/test_card.h"

#include <chrono>
#include <utility>

namespace kavex::sim {

TestCard::TestCard() : TestCard(Params{}) {}

TestCard::TestCard(Params params)
    : params_(std::move(params)),
      rng_state_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) | 1u)
{
    DrawRandomUidLocked();
}

void TestCard::DrawRandomUidLocked()
{
    // xorshift32: good enough for a random UID.
    random_uid_ = {0x08};
    for (int i = 0; i < 3; ++i) {
        rng_state_ ^= rng_state_ << 13;
        rng_state_ ^= rng_state_ >> 17;
        rng_state_ ^= rng_state_ << 5;
        random_uid_.push_back(static_cast<uint8_t>(rng_state_ >> 11));
    }
}

void TestCard::OnFieldReset()
{
    std::lock_guard<std::mutex> lock(mu_);
    ++field_resets_;
    if (params_.random_uid) DrawRandomUidLocked();
}

uint16_t TestCard::Atqa() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return params_.atqa;
}

uint8_t TestCard::Sak() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return params_.sak;
}

TestCard::Bytes TestCard::Uid()
{
    std::lock_guard<std::mutex> lock(mu_);
    return params_.random_uid ? random_uid_ : params_.uid;
}

TestCard::Bytes TestCard::Ats() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return params_.ats;
}

TestCard::Bytes TestCard::Transceive(const Bytes& command)
{
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mu_);
        commands_.push_back(command);
        if (!queue_.empty()) {
            Bytes a = std::move(queue_.front());
            queue_.pop_front();
            return a;
        }
        handler = handler_;
        if (!handler) {
            switch (default_reply_) {
            case DefaultReply::Echo: {
                Bytes a{0x00};
                a.insert(a.end(), command.begin(), command.end());
                return a;
            }
            case DefaultReply::StatusOk: return Bytes{0x00};
            case DefaultReply::Mute: return Bytes{};
            }
        }
    }
    return handler(command); // outside the lock: the handler may script the card
}

void TestCard::SetUid(Bytes uid)
{
    std::lock_guard<std::mutex> lock(mu_);
    params_.uid = std::move(uid);
}

void TestCard::SetSak(uint8_t sak)
{
    std::lock_guard<std::mutex> lock(mu_);
    params_.sak = sak;
}

void TestCard::SetAtqa(uint16_t atqa)
{
    std::lock_guard<std::mutex> lock(mu_);
    params_.atqa = atqa;
}

void TestCard::SetAts(Bytes ats)
{
    std::lock_guard<std::mutex> lock(mu_);
    params_.ats = std::move(ats);
}

void TestCard::SetRandomUid(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    params_.random_uid = on;
}

TestCard::Params TestCard::GetParams() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return params_;
}

void TestCard::QueueAnswer(Bytes answer)
{
    std::lock_guard<std::mutex> lock(mu_);
    queue_.push_back(std::move(answer));
}

void TestCard::SetHandler(Handler handler)
{
    std::lock_guard<std::mutex> lock(mu_);
    handler_ = std::move(handler);
}

void TestCard::SetDefaultReply(DefaultReply reply)
{
    std::lock_guard<std::mutex> lock(mu_);
    default_reply_ = reply;
}

void TestCard::ClearScript()
{
    std::lock_guard<std::mutex> lock(mu_);
    queue_.clear();
    handler_ = nullptr;
}

std::vector<TestCard::Bytes> TestCard::Commands() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return commands_;
}

void TestCard::ClearCommands()
{
    std::lock_guard<std::mutex> lock(mu_);
    commands_.clear();
}

int TestCard::FieldResets() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return field_resets_;
}

size_t TestCard::QueuedAnswers() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return queue_.size();
}

} // namespace kavex::sim
