// The boundary between the C interface and the SDK inside it. Every public
// function runs its body through one of these two guards, the link core's
// port functions and the DESFire engine's functions alike: no exception
// reaches a C caller, a port serves one call at a time, and a call that
// succeeds leaves status 0.
#pragma once

#include "sdk/core/port.h"
#include "sdk/core/port_registry.h"
#include "sdk/support/status_codes.h"

namespace kavex {

// For functions without a port to work on, and for those that only read
// what a port knows (its status, type, name): the result of fn, or
// onException when it throws.
template <class Fn>
int Guarded(Fn&& fn, int onException = -1) noexcept
{
    try {
        return fn();
    } catch (...) {
        return onException;
    }
}

// For every function that works on a port through its link or its card
// session; fn(port) returns the result, negative for failure.
//  - A handle that names no open port yields -1 and touches no port.
//  - A port still inside another call yields -1 with kStatusPortBusy; the
//    running call goes on undisturbed (a second exchange would empty the
//    first one's receive buffer, and the first would then time out).
//  - A result of 0 or more leaves kStatusOk, whatever an intermediate step
//    (an optional request, the reader's "more data") left on the way.
//  - An exception yields -1 with kStatusCommandError, and the session
//    drops its authentication.
template <class Fn>
int WithPort(int handle, Fn&& fn) noexcept
{
    CKavex_Port* port = nullptr;
    try {
        port = CKavex_SDKApp::Instance().FindPort(handle);
    } catch (...) {
        return -1;
    }
    if (!port) return -1;
    if (!port->BeginCall()) {
        port->lastStatus = kStatusPortBusy;
        return -1;
    }
    int result = -1;
    try {
        result = fn(*port);
        if (result >= 0) port->lastStatus = kStatusOk;
    } catch (...) {
        result = -1;
        port->lastStatus = kStatusCommandError;
        try {
            port->AbortSession();
        } catch (...) {
        }
    }
    port->EndCall();
    return result;
}

} // namespace kavex
