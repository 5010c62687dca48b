// VpcdCard: the simulated card as a virtual smart card of pcsc-lite's vpcd
// reader driver. The driver listens on a TCP port; the card connects to it
// and answers its messages, each a 2-byte big-endian length and a payload.
// A payload of one byte is a control (0 power off, 1 power on, 2 reset,
// 4 ATR request, answered with the ATR); any other payload is an APDU,
// answered with the response APDU.
//
// One thread connects, serves and, when the driver goes away or is not
// there yet, tries again after a pause that doubles up to two seconds.
// A card that stays mute (no answer, an injected `no_answer`) leaves the
// reader as a card taken out of the field would, and comes back after the
// pause.
#pragma once

#include "sim/card.h"
#include "sim/card_slot.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kavex::sim {

inline constexpr uint16_t kVpcdDefaultPort = 35963;

class VpcdCard {
public:
    explicit VpcdCard(std::shared_ptr<Card> card);
    ~VpcdCard();
    VpcdCard(const VpcdCard&) = delete;
    VpcdCard& operator=(const VpcdCard&) = delete;

    // Starts connecting to the driver at host:port (throws std::system_error).
    void Start(const std::string& host, uint16_t port);
    void Stop();

    bool Connected() const;
    // Waits until the card is (or is not) connected to the driver.
    bool WaitConnected(bool connected, std::chrono::milliseconds timeout) const;

    CardSlot& Slot() { return slot_; }

private:
    void Run();
    int ConnectOnce();
    enum class End { Stopped, DriverGone, CardMute };
    End Serve(int fd);
    bool SendMessage(int fd, const Bytes& payload);
    void Pause(std::chrono::milliseconds d);
    void SetConnected(bool on);

    CardSlot slot_;
    std::string host_;
    uint16_t port_ = kVpcdDefaultPort;
    Bytes atr_;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mu_;
    mutable std::condition_variable cv_;
    bool connected_ = false;
};

} // namespace kavex::sim
