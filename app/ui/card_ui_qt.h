// The card session helpers' message boxes and authentication dialogs, on
// behalf of one window.
#pragma once

#include "app/model/card_ui.h"

class QWidget;

namespace velmora {

class CCardUiQt : public CCardUi {
public:
    explicit CCardUiQt(QWidget* parent) : m_pParent(parent) {}

    void ShowMessage(const QString& text) override;
    DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo) override;
    DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid,
                                    const std::vector<uint8_t>& permittedKeys) override;
    DialogResult RunMasterkeyAuthentDlg(int port, CCardStatus& status, int aid) override;

private:
    QWidget* m_pParent;
};

} // namespace velmora
