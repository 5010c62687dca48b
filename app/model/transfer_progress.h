// Progress of a multi-frame card transfer, as the SDK reports it between
// frames, for whatever shows it.
#pragma once

#include <functional>

namespace velmora {

using TransferProgressHandler = std::function<void(int done, int total)>;

// Calls handler with the bytes done and the total until it is replaced; an
// empty handler stops the reports.
void WatchTransferProgress(TransferProgressHandler handler);

} // namespace velmora
