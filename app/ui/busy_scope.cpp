#include "app/ui/busy_scope.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace velmora {

namespace {

QPointer<QWidget> g_mainWindow;

} // namespace

void SetMainWindow(QWidget* window)
{
    g_mainWindow = window;
}

QWidget* MainWindow()
{
    return g_mainWindow.data();
}

CBusyScope::CBusyScope() : m_pWindow(MainWindow()), m_bWasEnabled(false)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_pWindow) {
        m_bWasEnabled = m_pWindow->isEnabled();
        m_pWindow->setEnabled(false);
    }
}

CBusyScope::~CBusyScope()
{
    // Only what we disabled is enabled again: an outer scope may still hold it.
    if (m_pWindow && m_bWasEnabled && MainWindow() == m_pWindow) m_pWindow->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

} // namespace velmora
