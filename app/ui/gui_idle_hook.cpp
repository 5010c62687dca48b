#include "app/ui/gui_idle_hook.h"

#include "kavex.h"

#include <QCoreApplication>

namespace velmora {

namespace {

bool g_inside = false;

void Idle(void*)
{
    if (g_inside) return;
    g_inside = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    g_inside = false;
}

} // namespace

void InstallIdleHook()
{
    Kavex_SetIdleHook(&Idle, nullptr);
}

void RemoveIdleHook()
{
    Kavex_SetIdleHook(nullptr, nullptr);
}

bool InsideSdkWait()
{
    return g_inside;
}

} // namespace velmora
