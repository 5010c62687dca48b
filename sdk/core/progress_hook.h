// The hook through which a caller follows a long transfer: the engine
// reports how many of a transfer's bytes have crossed between its frames.
#pragma once

namespace kavex {

using ProgressHook = void (*)(void* context, int done, int total);

void SetProgressHook(ProgressHook hook, void* context);
// Calls the installed hook, if any, on the calling thread.
void RunProgressHook(int done, int total);

} // namespace kavex
