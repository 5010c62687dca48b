#include "app/ui/key_store_load_dlg.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QPushButton>
#include <QTableWidget>

namespace velmora {

CKeyStoreLoadDlg::CKeyStoreLoadDlg(QWidget* parent)
    : CKeyStoreDlg(QStringLiteral(":/templates/key_store_load_dlg.ui"), parent)
{
    RememberGeometry(QStringLiteral("KeyStoreLoad"));
    connect(Button(kIdcLoadKey), &QPushButton::clicked, this, &CKeyStoreLoadDlg::OnLoad);
    connect(&m_ListCtrl, &CEditableListCtrl::rowDoubleClicked, this, [this](int row) {
        if (row >= 0) LoadRow(row);
    });
}

void CKeyStoreLoadDlg::OnLoad()
{
    LoadRow(SelectedRow());
}

void CKeyStoreLoadDlg::LoadRow(int row)
{
    SetStatus(QString());
    m_strValue.clear();
    // The text of the row itself: right whatever order the rows are in.
    const QTableWidgetItem* value = row >= 0 ? m_pList->item(row, 1) : nullptr;
    if (!value) {
        SetStatus(LoadStr(kIdsSelectKey));
        return;
    }
    m_strValue = value->text();
    accept();
}

} // namespace velmora
