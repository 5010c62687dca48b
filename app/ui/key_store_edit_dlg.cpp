#include "app/ui/key_store_edit_dlg.h"

#include "app/ui/change_key_dlg.h"
#include "app/model/ui_strings.h"

#include <QPushButton>

namespace velmora {

CKeyStoreEditDlg::CKeyStoreEditDlg(QWidget* parent)
    : CKeyStoreDlg(QStringLiteral(":/templates/key_store_edit_dlg.ui"), parent)
{
    connect(Button(1205), &QPushButton::clicked, this, &CKeyStoreEditDlg::OnEdit);
    connect(&m_ListCtrl, &CEditableListCtrl::rowDoubleClicked, this, [this](int row) {
        if (row >= 0) OnEdit();
    });
}

void CKeyStoreEditDlg::OnEdit()
{
    const int row = SelectedRow();
    if (row < 0 || row >= m_List.Count()) {
        SetStatus(LoadStr(194));
        return;
    }
    CSchluesselAendernDlg dlg(m_List.At(row), row, this);
    if (RunModal(dlg) != QDialog::Accepted) {
        SetStatus(LoadStr(193));
        return;
    }
    SetStatus(LoadStr(140));
    m_List.LoadKeyStore();
    FillKeyList();
}

} // namespace velmora
