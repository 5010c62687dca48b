#include "app/ui/key_store_edit_dlg.h"

#include "app/ui/change_key_dlg.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QPushButton>

namespace velmora {

CKeyStoreEditDlg::CKeyStoreEditDlg(QWidget* parent)
    : CKeyStoreDlg(QStringLiteral(":/templates/key_store_edit_dlg.ui"), parent)
{
    RememberGeometry(QStringLiteral("KeyStoreEdit"));
    connect(Button(kIdcEditKey), &QPushButton::clicked, this, &CKeyStoreEditDlg::OnEdit);
    connect(&m_ListCtrl, &CEditableListCtrl::rowDoubleClicked, this, [this](int row) {
        if (row >= 0) OnEdit();
    });
}

void CKeyStoreEditDlg::OnEdit()
{
    const int row = SelectedRow();
    if (row < 0 || row >= m_List.Count()) {
        SetStatus(LoadStr(kIdsSelectKey));
        return;
    }
    CSchluesselAendernDlg dlg(m_List.At(row), row, this);
    RunEntryDialog(dlg);
}

} // namespace velmora
