#include "app/ui/key_store_dlg.h"

#include "app/model/key_entry.h"
#include "app/ui/message_service.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"

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
      m_pList(Ctl<QTableWidget>(m_pTemplate, 1202)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, 1197)), m_ListCtrl(m_pList)
{
    connect(Button(3), &QPushButton::clicked, this, &CKeyStoreDlg::OnNew);
    connect(Button(1203), &QPushButton::clicked, this, &CKeyStoreDlg::OnDelete);
    connect(Button(2), &QPushButton::clicked, this, &QDialog::reject);
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
    m_pList->setHorizontalHeaderLabels({LoadStr(20009), LoadStr(20010)});
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
    if (RunModal(dlg) != QDialog::Accepted) {
        SetStatus(LoadStr(193));
        return;
    }
    SetStatus(LoadStr(140));
    m_List.LoadKeyStore();
    FillKeyList();
}

void CKeyStoreDlg::OnDelete()
{
    SetStatus(QStringLiteral(" "));
    const int row = SelectedRow();
    if (row < 0 || row >= m_List.Count()) {
        SetStatus(LoadStr(194));
        return;
    }
    m_List.RemoveAt(row);
    m_List.SaveKeyStore();
    FillKeyList();
    SetStatus(LoadStr(190));
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

CKeyStoreLoadDlg::CKeyStoreLoadDlg(QWidget* parent)
    : CKeyStoreDlg(QStringLiteral(":/templates/key_store_load_dlg.ui"), parent)
{
    connect(Button(1069), &QPushButton::clicked, this, &CKeyStoreLoadDlg::OnLoad);
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
        SetStatus(LoadStr(194));
        return;
    }
    m_strValue = value->text();
    accept();
}

namespace {

// The entry dialogs share their checks: the name and the key text, then
// the value as it is stored. false: the problem is in the status line.
bool TakeEntry(QLineEdit* nameEdit, QLineEdit* valueEdit, QLineEdit* status, QString* name, QString* stored)
{
    status->setText(QStringLiteral(" "));
    if (const int problem = ParseKeyEntry(nameEdit->text(), valueEdit->text(), name, stored)) {
        status->setText(LoadStr(problem));
        return false;
    }
    return true;
}

} // namespace

CNeuerSchluesselDlg::CNeuerSchluesselDlg(QWidget* parent)
    : CModalDialog(parent), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/new_key_dlg.ui"))),
      m_pName(Ctl<QLineEdit>(m_pTemplate, 1201)), m_pValue(Ctl<QLineEdit>(m_pTemplate, 1114)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, 1068))
{
    connect(Ctl<QPushButton>(m_pTemplate, 1), &QPushButton::clicked, this, &CNeuerSchluesselDlg::OnOK);
    connect(Ctl<QPushButton>(m_pTemplate, 2), &QPushButton::clicked, this, &QDialog::reject);
}

void CNeuerSchluesselDlg::OnInitDialog()
{
    m_List.LoadKeyStore();
    m_pName->setFocus();
}

void CNeuerSchluesselDlg::OnOK()
{
    QString name, stored;
    if (!TakeEntry(m_pName, m_pValue, m_pStatus, &name, &stored)) return;
    if (CKeyStoreItem* existing = m_List.FindKeyByName(name)) {
        if (!AskYesNo(this, LoadStr(192))) return;
        existing->m_strValue = stored;
    } else {
        m_List.Append(name, stored);
    }
    m_List.SaveKeyStore();
    accept();
}

CSchluesselAendernDlg::CSchluesselAendernDlg(const CKeyStoreItem& item, int position, QWidget* parent)
    : CModalDialog(parent), m_Item(item), m_nPosition(position),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/change_key_dlg.ui"))),
      m_pName(Ctl<QLineEdit>(m_pTemplate, 1201)), m_pValue(Ctl<QLineEdit>(m_pTemplate, 1114)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, 1068))
{
    connect(Ctl<QPushButton>(m_pTemplate, 1), &QPushButton::clicked, this, &CSchluesselAendernDlg::OnOK);
    connect(Ctl<QPushButton>(m_pTemplate, 2), &QPushButton::clicked, this, &QDialog::reject);
}

void CSchluesselAendernDlg::OnInitDialog()
{
    m_List.LoadKeyStore();
    m_pName->setText(m_Item.m_strName);
    m_pValue->setText(m_Item.m_strValue);
    m_pName->setFocus();
}

void CSchluesselAendernDlg::OnOK()
{
    QString name, stored;
    if (!TakeEntry(m_pName, m_pValue, m_pStatus, &name, &stored)) return;

    // The entry of the row that was chosen, even where a hand-edited store
    // holds the name twice; by name when the store has changed meanwhile.
    CKeyStoreItem* item = nullptr;
    if (m_nPosition >= 0 && m_nPosition < m_List.Count() && m_List.At(m_nPosition).m_strName == m_Item.m_strName)
        item = &m_List.At(m_nPosition);
    else
        item = m_List.FindKeyByName(m_Item.m_strName);
    if (!item) {
        MessageBox(this, LoadStr(142));
        return;
    }
    // Trailing spaces make no new name (a stored "abc " clashing with itself).
    if (name != KeyStoreName(item->m_strName)) {
        if (m_List.FindKeyByName(name)) {
            MessageBox(this, LoadStr(209));
            return;
        }
        item->m_strName = name;
    }
    item->m_strValue = stored;
    m_List.SaveKeyStore();
    accept();
}

} // namespace velmora
