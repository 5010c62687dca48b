// What a higher layer keeps per port, owned by the port. The DESFire engine
// keeps its session here; the link core only needs to end it with the port
// and to reset it when a card is activated anew.
#pragma once

namespace kavex {

class PortSession {
public:
    virtual ~PortSession() = default;
    // Back to the state of a freshly activated card.
    virtual void Reset() = 0;
    // A call broke off part-way (an exception inside the SDK): the card may
    // be anywhere in its protocol, so an authentication cannot be trusted.
    virtual void OnCallAborted() = 0;
};

} // namespace kavex
