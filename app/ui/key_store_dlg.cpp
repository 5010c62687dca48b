#include "app/ui/key_store_dlg.h"

#include "app/model/key_entry.h"
#include "app/ui/new_key_dlg.h"
#include "app/ui/message_service.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace velmora {

namespace {

const QString kListSection = QStringLiteral("ListCtrl1");

QString WidthKey(int column)
{
    return QStringLiteral("Breite") + QString::number(column);
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

CKeyStoreDlg::CKeyStoreDlg(const QString& templatePath, QWidget* parent)
    : CModalDialog(parent), m_pTemplate(LoadTemplate(this, templatePath)),
      m_pList(Ctl<QTableWidget>(m_pTemplate, kIdcKeyList)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcKeyStoreStatus)),
      m_ListCtrl(m_pList)
{
    connect(Button(kIdcNewKey), &QPushButton::clicked, this, &CKeyStoreDlg::OnNew);
    connect(Button(kIdcDeleteKey), &QPushButton::clicked, this, &CKeyStoreDlg::OnDelete);
    connect(Button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_ListCtrl, &CEditableListCtrl::rowMoved, this, &CKeyStoreDlg::OnRowMoved);
}

QPushButton* CKeyStoreDlg::Button(int id) const
{
    return Ctl<QPushButton>(m_pTemplate, id);
}

void CKeyStoreDlg::SetStatus(const QString& text)
{
    m_pStatus->setText(text);
}

void CKeyStoreDlg::OnInitDialog()
{
    m_pList->clear();
    m_pList->setRowCount(0);
    m_pList->setColumnCount(2);
    m_pList->setHorizontalHeaderLabels({LoadStr(kIdsNameColumn), LoadStr(kIdsValueColumn)});
    for (int column = 0; column < 2; ++column) {
        m_pList->setColumnWidth(column, GetProfileInt(kListSection, WidthKey(column), 100));
        m_ListCtrl.SetColumnEditable(column, false);
    }
    m_pStatus->clear();
    m_List.LoadKeyStore();
    FillKeyList();
}

void CKeyStoreDlg::FillKeyList()
{
    m_pList->setRowCount(0);
    m_pList->setRowCount(m_List.Count());
    for (int row = 0; row < m_List.Count(); ++row) {
        m_pList->setItem(row, 0, ReadOnlyItem(m_List.At(row).m_strName));
        m_pList->setItem(row, 1, ReadOnlyItem(m_List.At(row).m_strValue));
    }
}

void CKeyStoreDlg::SaveColumnWidths()
{
    for (int column = 0; column < 2; ++column)
        WriteProfileInt(kListSection, WidthKey(column), m_pList->columnWidth(column));
}

void CKeyStoreDlg::done(int result)
{
    SaveColumnWidths();
    CModalDialog::done(result);
}

void CKeyStoreDlg::OnNew()
{
    SetStatus(QString());
    CNeuerSchluesselDlg dlg(this);
    RunEntryDialog(dlg);
}

void CKeyStoreDlg::RunEntryDialog(CModalDialog& dlg)
{
    if (RunModal(dlg) != QDialog::Accepted) {
        SetStatus(LoadStr(kIdsCancelled));
        return;
    }
    SetStatus(LoadStr(kIdsOperationOk));
    m_List.LoadKeyStore();
    FillKeyList();
}

void CKeyStoreDlg::OnDelete()
{
    SetStatus(QStringLiteral(" "));
    const int row = SelectedRow();
    if (row < 0 || row >= m_List.Count()) {
        SetStatus(LoadStr(kIdsSelectKey));
        return;
    }
    m_List.RemoveAt(row);
    m_List.SaveKeyStore();
    FillKeyList();
    SetStatus(LoadStr(kIdsDeleteOk));
}

// "Löschen" and "Bearbeiten" address the key by the position of its row:
// the list follows the rows, and so does the store, whose order is the
// list's.
void CKeyStoreDlg::OnRowMoved(int from, int to)
{
    if (from == to) return;
    m_List.Move(from, to);
    m_List.SaveKeyStore();
}

bool TakeKeyStoreEntry(QLineEdit* nameEdit, QLineEdit* valueEdit, QLineEdit* status, QString* name, QString* stored)
{
    status->setText(QStringLiteral(" "));
    if (const int problem = ParseKeyEntry(nameEdit->text(), valueEdit->text(), name, stored)) {
        status->setText(LoadStr(problem));
        return false;
    }
    return true;
}

} // namespace velmora
