// One open connection to a reader: its link, the frame protocol state and,
// once a card command needs it, the session state of the layer above.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/core/port_session.h"
#include "sdk/transports/link.h"

namespace kavex {

// Which numbering a port's handle comes from.
enum class LinkKind { None, Serial, Lan, Hid, Bluetooth };

class CKavex_Port final : public ByteSink {
public:
    CKavex_Port();
    ~CKavex_Port();
    CKavex_Port(const CKavex_Port&) = delete;
    CKavex_Port& operator=(const CKavex_Port&) = delete;

    // Command byte followed by its data; Transceive turns it into a frame.
    std::vector<uint8_t> sendBuffer;
    // Command byte of the last frame sent, after variant translation.
    uint8_t lastCommand = 0;
    std::string name;
    int timeoutMs = 500;
    uint8_t variant = 0;
    int deviceType = 0;
    // Fourth character of the identification answer the open received.
    char firmwareRevision = '?';
    int address = 1;
    int lastStatus = 0;

    // Frames and sends sendBuffer, then waits for a complete answer, which
    // stays in the receive buffer. Failure leaves the cause in lastStatus.
    bool Transceive();
    // Takes the received answer, checks and strips the frame; on success
    // answer holds only the answer data. Only valid after Transceive.
    bool ReadAnswer(std::vector<uint8_t>& answer);
    // sendBuffer := command, data; Transceive; ReadAnswer.
    bool Execute(uint8_t command, const std::vector<uint8_t>& data, std::vector<uint8_t>& answer);

    // The card session kept by the layer above (null until it sets one).
    PortSession* Session() const { return session_.get(); }
    void SetSession(std::unique_ptr<PortSession> session) { session_ = std::move(session); }
    // Forgets the card session state (selected application,
    // authentication), as after a new card activation.
    void ResetSession();
    // Tells the session that a call broke off part-way.
    void AbortSession();

    // One public call at a time: BeginCall fails while another call (from
    // the idle hook, or from a second thread) is still running on the port.
    bool BeginCall() { return !inCall_.exchange(true); }
    void EndCall() { inCall_ = false; }

    // Link management (registry use).
    void AttachLink(std::unique_ptr<Link> link, LinkKind kind, int handle);
    void CloseLink();
    int GetHandle() const;
    LinkKind Kind() const { return kind_; }
    bool IsUsb() const;

    void OnBytesReceived(const uint8_t* data, size_t len) override;

    // Test access: bytes currently in the receive buffer.
    std::vector<uint8_t> PendingInput();

private:
    bool WaitForAnswer();

    std::unique_ptr<PortSession> session_;
    std::unique_ptr<Link> link_;
    LinkKind kind_ = LinkKind::None;
    int handle_ = 0;
    std::atomic<bool> inCall_{false};

    std::mutex rxLock_;
    std::condition_variable rxArrived_;
    std::vector<uint8_t> rx_;
};

} // namespace kavex
