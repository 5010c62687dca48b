#include "app/model/transfer_progress.h"

#include "kavex.h"

#include <utility>

namespace velmora {

namespace {

TransferProgressHandler& CurrentHandler()
{
    static TransferProgressHandler handler;
    return handler;
}

void ReportProgress(void* /*context*/, int done, int total)
{
    if (CurrentHandler()) CurrentHandler()(done, total);
}

} // namespace

void WatchTransferProgress(TransferProgressHandler handler)
{
    const bool watch = static_cast<bool>(handler);
    CurrentHandler() = std::move(handler);
    Kavex_SetProgressHook(watch ? &ReportProgress : nullptr, nullptr);
}

} // namespace velmora
