// What the card session helpers need from the user interface: a message box
// and the authentication dialogs. The main window installs one in its
// CCardStatus; without one, messages are dropped and only remembered keys
// can authenticate.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace velmora {

class CCardStatus;

class CCardUi {
public:
    enum class DialogResult { Ok, Cancelled, Unavailable };

    virtual ~CCardUi() = default;
    virtual void ShowMessage(const QString& text) = 0;
    // aid -1: the user picks the application; keyNo -1: the user types it.
    virtual DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo) = 0;
    virtual DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid,
                                            const std::vector<uint8_t>& permittedKeys) = 0;
    virtual DialogResult RunMasterkeyAuthentDlg(int port, CCardStatus& status, int aid) = 0;
};

} // namespace velmora
