// While the SDK waits for the reader, the windows keep painting but take no
// input, so no second exchange can start in the middle of one.
#pragma once

namespace velmora {

void InstallIdleHook();
void RemoveIdleHook();
// True while the hook is dispatching events: handlers that would talk to
// the SDK themselves must wait for the exchange to end.
bool InsideSdkWait();

} // namespace velmora
