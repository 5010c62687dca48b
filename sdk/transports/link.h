// The byte link under the frame protocol. The frame protocol only moves
// bytes in and out through this interface and never learns which kind of
// link carries them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex {

// Receives every byte a link reads, on whatever thread the link reads on.
class ByteSink {
public:
    virtual void OnBytesReceived(const uint8_t* data, size_t len) = 0;

protected:
    ~ByteSink() = default;
};

class Link {
public:
    virtual ~Link() = default;

    // Queues bytes for sending. A link that is gone drops them silently: a
    // lost request shows up as a timeout.
    virtual void Write(const uint8_t* data, size_t len) = 0;
    virtual void Close() = 0;

    // Called before each request. Links that buffer input of their own
    // (HID reports, the line of a link that reads on the waiting thread)
    // throw away what is still pending there.
    virtual void DiscardPendingInput() {}

    // For links without a reader thread of their own: fetch what has
    // arrived and hand it to the sink. Threaded links do nothing here.
    virtual void PollInput(ByteSink& /*sink*/) {}

    // True for a link that hands received bytes to the sink on the thread
    // that waits for them, in AwaitInput, rather than on a thread of its
    // own: an exchange then needs no hand-over between threads.
    virtual bool InputOnWaitingThread() const { return false; }
    // Such a link waits here up to `wait` for bytes and hands what arrived
    // to the sink; it returns early when bytes arrived or the link is gone.
    virtual void AwaitInput(ByteSink& /*sink*/, int /*waitMs*/) {}

    // True for a link to a reader on USB: a HID link, or a serial link whose
    // tty sits on a USB device (Kavex_IsUSB).
    virtual bool IsUsb() const { return false; }

    // False once the link has closed itself (a HID device that failed a
    // read); the registry then forgets the port at its next lookup.
    virtual bool Alive() const { return true; }
};

} // namespace kavex
