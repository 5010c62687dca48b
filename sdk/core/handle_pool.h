// Port handle numbering: each kind of link draws the smallest free number
// from its own range, and returns it when the link closes.
#pragma once

#include <mutex>
#include <set>

#include "sdk/core/port.h"

namespace kavex {

class HandlePool {
public:
    explicit HandlePool(int first) : first_(first) {}
    int Acquire();
    void Release(int handle);

private:
    const int first_;
    std::mutex lock_;
    std::set<int> used_;
};

// The pool a kind of link draws from: serial from 1, HID from 10001, LAN
// from 20001, Bluetooth from 30001 (their module's own descriptor would
// clash with the serial numbers).
HandlePool& HandlePoolFor(LinkKind kind);

} // namespace kavex
