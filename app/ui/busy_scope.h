// While a slow operation runs: the wait cursor, and the main window takes
// no input (so the operation cannot be started a second time).
#pragma once

class QWidget;

namespace velmora {

class CBusyScope {
public:
    CBusyScope();
    ~CBusyScope();
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    QWidget* m_pWindow;
    bool m_bWasEnabled;
};

// The program's main window (null while there is none).
void SetMainWindow(QWidget* window);
QWidget* MainWindow();

} // namespace velmora
