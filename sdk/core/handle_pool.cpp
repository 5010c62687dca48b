#include "sdk/core/handle_pool.h"

namespace kavex {

int HandlePool::Acquire()
{
    std::lock_guard<std::mutex> lock(lock_);
    int h = first_;
    while (used_.count(h)) ++h;
    used_.insert(h);
    return h;
}

void HandlePool::Release(int handle)
{
    std::lock_guard<std::mutex> lock(lock_);
    used_.erase(handle);
}

HandlePool& HandlePoolFor(LinkKind kind)
{
    static HandlePool serial(1);
    static HandlePool hid(10001);
    static HandlePool lan(20001);
    static HandlePool other(30001);
    switch (kind) {
    case LinkKind::Serial: return serial;
    case LinkKind::Hid: return hid;
    case LinkKind::Lan: return lan;
    default: return other;
    }
}

} // namespace kavex
