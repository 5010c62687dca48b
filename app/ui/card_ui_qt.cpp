#include "card_ui_qt.h"

#include "message_service.h"

namespace velmora {

void CCardUiQt::ShowMessage(const QString& text)
{
    MessageBox(m_pParent, text);
}

CCardUi::DialogResult CCardUiQt::RunAuthenticateDlg(int, CCardStatus&, int, int)
{
    return DialogResult::Unavailable;
}

CCardUi::DialogResult CCardUiQt::RunAuthenticateDlg(int, CCardStatus&, int, const std::vector<uint8_t>&)
{
    return DialogResult::Unavailable;
}

CCardUi::DialogResult CCardUiQt::RunMasterkeyAuthentDlg(int, CCardStatus&, int)
{
    return DialogResult::Unavailable;
}

} // namespace velmora
