#include "app/ui/key_store_dlg.h"

#include "app/model/key_entry.h"
#include "app/ui/new_key_dlg.h"
#include "app/ui/message_service.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

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

// The longest value a key has: 16 bytes in hexadecimal.
constexpr int kKeyHexChars = 32;

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
    // The name column keeps the user's width; the value column, the last,
    // takes the rest.
    m_pList->setColumnWidth(0, GetProfileInt(kListSection, WidthKey(0), 100));
    for (int column = 0; column < 2; ++column) m_ListCtrl.SetColumnEditable(column, false);
    m_pStatus->clear();
    m_List.LoadKeyStore();
    FillKeyList();
}

void CKeyStoreDlg::FillKeyList()
{
    m_pList->setRowCount(0);
    m_pList->setRowCount(m_List.Count());
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics metrics(fixed);
    int widest = metrics.horizontalAdvance(QString(kKeyHexChars, QLatin1Char('0')));
    for (int row = 0; row < m_List.Count(); ++row) {
        m_pList->setItem(row, 0, ReadOnlyItem(m_List.At(row).m_strName));
        QTableWidgetItem* value = ReadOnlyItem(m_List.At(row).m_strValue);
        value->setFont(fixed);
        m_pList->setItem(row, 1, value);
        widest = std::max(widest, metrics.horizontalAdvance(m_List.At(row).m_strValue));
    }
    FitValueColumn(widest);
}

// Room for the whole of the widest value beside the name column: the
// dialog grows with the table.
void CKeyStoreDlg::FitValueColumn(int textWidth)
{
    const int cellMargin = 2 * (m_pList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_pList) + 1);
    m_nValueColumnWidth = textWidth + cellMargin + 2; // and the grid line
    m_pList->setMinimumWidth(2 * m_pList->frameWidth() + m_pList->columnWidth(0) + m_nValueColumnWidth +
                             m_pList->verticalScrollBar()->sizeHint().width());
}

void CKeyStoreDlg::SaveColumnWidths()
{
    WriteProfileInt(kListSection, WidthKey(0), m_pList->columnWidth(0));
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
