#include "app/ui/ip_addr_search_dlg.h"

#include "app/model/ui_strings.h"
#include "app/ui/busy_scope.h"
#include "app/ui/lan_config_dlg.h"
#include "app/ui/message_service.h"
#include "app/ui/port_dlg.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QListWidget>
#include <QPushButton>

namespace velmora {

namespace {

constexpr int kMarkRole = Qt::UserRole + 1;

} // namespace

CIPAddrSuche::CIPAddrSuche(QWidget* parent)
    : CModalDialog(parent), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/ip_addr_search_dlg.ui"))),
      m_pList(Ctl<QListWidget>(m_pTemplate, kIdcLanList)), m_pChange(Ctl<QPushButton>(m_pTemplate, kIdOk))
{
    connect(m_pList, &QListWidget::itemSelectionChanged, this, &CIPAddrSuche::OnSelectionChanged);
    connect(m_pChange, &QPushButton::clicked, this, &CIPAddrSuche::OnChange);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &CIPAddrSuche::OnClose);
}

void CIPAddrSuche::OnInitDialog()
{
    m_strResult.clear();
    if (!Search()) EndInInit(QDialog::Rejected);
}

bool CIPAddrSuche::Search()
{
    setEnabled(false);
    for (;;) {
        m_pList->clear();
        QList<LanListEntry> entries;
        {
            CBusyScope busy;
            entries = SearchLanList();
        }
        for (const LanListEntry& e : entries) {
            auto* item = new QListWidgetItem(e.name, m_pList);
            item->setData(kMarkRole, e.mark);
            if (e.mark == 2) {
                // Not one of our readers: shown, but it cannot be chosen.
                item->setForeground(Qt::red);
                QFont italic = item->font();
                italic.setItalic(true);
                item->setFont(italic);
            }
        }
        if (m_pList->count() > 0) break;
        if (!Messages().AskRetry(this, LoadStr(kIdsLanListCaption), LoadStr(kIdsLanNoneFound))) {
            setEnabled(true);
            return false;
        }
    }
    setEnabled(true);
    OnSelectionChanged();
    return true;
}

void CIPAddrSuche::OnSelectionChanged()
{
    m_pChange->setEnabled(!m_pList->selectedItems().isEmpty());
}

void CIPAddrSuche::OnChange()
{
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) return;
    CLanConfig config(selected.first()->text(), this);
    if (RunModal(config) != QDialog::Accepted) return;
    // The reader needs a moment on its new address before it answers a search.
    WaitMs(300);
    if (!Search()) reject();
}

void CIPAddrSuche::OnClose()
{
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    if (!selected.isEmpty() && selected.first()->data(kMarkRole).toInt() == 1) m_strResult = selected.first()->text();
    reject();
}

} // namespace velmora
