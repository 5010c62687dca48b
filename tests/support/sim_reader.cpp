#include "tests/support/sim_reader.h"

#include <unistd.h>

#include <atomic>

#include "sim/test_card.h"

namespace kavex::test {

std::string UniqueLinkPath()
{
    static std::atomic<int> counter{0};
    return "/tmp/kavex-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

sim::ReaderConfig Variant(int v, uint8_t address)
{
    sim::ReaderConfig c;
    c.variant = v;
    c.address = address;
    return c;
}

sim::desfire::DesfireCardOptions CountingRandom()
{
    sim::desfire::DesfireCardOptions o;
    uint8_t next = 1;
    o.random = [next](uint8_t* out, size_t len) mutable {
        for (size_t i = 0; i < len; ++i) out[i] = next++;
    };
    return o;
}

void TamperingCard::TamperNext(Tamper t, Match when)
{
    std::lock_guard<std::mutex> lock(mu_);
    next_ = std::move(t);
    when_ = std::move(when);
}

std::vector<Bytes> TamperingCard::Commands() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return commands_;
}

Bytes TamperingCard::Transceive(const Bytes& command)
{
    Bytes answer = inner_->Transceive(command);
    std::lock_guard<std::mutex> lock(mu_);
    commands_.push_back(command);
    if (next_ && when_(command, answer)) {
        next_(answer);
        next_ = nullptr;
    }
    return answer;
}

namespace {

std::shared_ptr<sim::Card> OrTestCard(std::shared_ptr<sim::Card> card)
{
    return card ? card : std::make_shared<sim::TestCard>();
}

} // namespace

SimReader::SimReader(sim::ReaderConfig config, std::shared_ptr<sim::Card> card)
    : desfire(std::dynamic_pointer_cast<sim::desfire::DesfireCard>(card)),
      tamper(std::make_shared<TamperingCard>(OrTestCard(card))), pty(config, tamper), link(UniqueLinkPath())
{
    pty.Start(link);
}

SimReader::SimReader(sim::ReaderConfig config, const sim::desfire::DesfireCardOptions& options)
    : SimReader(config, std::make_shared<sim::desfire::DesfireCard>(options))
{
}

void SimReader::Insert(std::shared_ptr<sim::Card> card)
{
    desfire = std::dynamic_pointer_cast<sim::desfire::DesfireCard>(card);
    tamper = std::make_shared<TamperingCard>(OrTestCard(card));
    Sim().InsertCard(tamper);
}

void SimReader::AddApplication(uint32_t aid, std::initializer_list<uint8_t> files, uint8_t settings,
                               sim::desfire::CryptoMethod method)
{
    sim::desfire::Application app;
    app.aid = aid;
    app.keys = State().NewApplicationKeys(method, settings, 1);
    for (uint8_t f : files) {
        sim::desfire::DesfireFile file;
        file.size = 32;
        file.data.assign(32, 0);
        app.files[f] = file;
    }
    State().applications[aid] = app;
}

} // namespace kavex::test
