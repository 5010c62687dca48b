#include "app/ui/card_ui_qt.h"

#include "app/ui/authenticate_dlg.h"
#include "app/ui/masterkey_authent_dlg.h"
#include "app/ui/message_service.h"

namespace velmora {

namespace {

CCardUi::DialogResult Run(CModalDialog& dlg)
{
    return RunModal(dlg) == QDialog::Accepted ? CCardUi::DialogResult::Ok : CCardUi::DialogResult::Cancelled;
}

} // namespace

void CCardUiQt::ShowMessage(const QString& text)
{
    MessageBox(m_pParent, text);
}

CCardUi::DialogResult CCardUiQt::RunAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo)
{
    CAuthenticateDlg dlg(port, status, aid, keyNo, m_pParent);
    return Run(dlg);
}

CCardUi::DialogResult CCardUiQt::RunAuthenticateDlg(int port, CCardStatus& status, int aid,
                                                    const std::vector<uint8_t>& permittedKeys)
{
    CAuthenticateDlg dlg(port, status, aid, permittedKeys, m_pParent);
    return Run(dlg);
}

CCardUi::DialogResult CCardUiQt::RunMasterkeyAuthentDlg(int port, CCardStatus& status, int aid)
{
    CMasterkeyAuthentDlg dlg(port, status, aid, m_pParent);
    return Run(dlg);
}

} // namespace velmora
