#include "app/ui/value_file_rw_page.h"

#include "app/model/file_rw_actions.h"
#include "app/model/file_rw_text.h"
#include "app/model/ui_strings.h"
#include "app/ui/file_rw_page_host.h"
#include "app/ui/message_service.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

CValueFileRWDlg::CValueFileRWDlg(CFileRwPageHost& host, QWidget* parent)
    : QWidget(parent), m_Host(host),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/value_file_rw_page.ui"))),
      m_pValue(Ctl<QLineEdit>(m_pTemplate, kIdcRwValue)), m_pAmount(Ctl<QLineEdit>(m_pTemplate, kIdcRwAmount)),
      m_pDecimal(Ctl<QRadioButton>(m_pTemplate, kIdcRwDecimal)), m_pHex(Ctl<QRadioButton>(m_pTemplate, kIdcRwValueHex))
{
    layout()->setContentsMargins(0, 0, 0, 0);
    m_pAmount->setText(QStringLiteral("1"));
    // The flags only show what the file allows.
    for (int id : {kIdcLimitedCredit, kIdcFreeGetValue}) {
        auto* box = Ctl<QCheckBox>(m_pTemplate, id);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
    }
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwGetValue), &QPushButton::clicked, this, &CValueFileRWDlg::OnGetValue);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwCredit), &QPushButton::clicked, this,
            [this] { OnChange(FileOp::Credit); });
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwLimitedCredit), &QPushButton::clicked, this,
            [this] { OnChange(FileOp::LimitedCredit); });
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwDebit), &QPushButton::clicked, this,
            [this] { OnChange(FileOp::Debit); });
    connect(m_pDecimal, &QRadioButton::clicked, this, [this] { OnFormat(false); });
    connect(m_pHex, &QRadioButton::clicked, this, [this] { OnFormat(true); });
    ShowSettings(KnownFileSettings());
}

void CValueFileRWDlg::ShowSettings(const KnownFileSettings& s)
{
    const bool value = s.type == 2;
    // Limits come only from the card; assumed settings have none.
    const auto number = [&](int32_t n) { return value && !s.assumed ? QString::number(n) : QStringLiteral("--"); };
    Ctl<QLineEdit>(m_pTemplate, kIdcRwValueFileType)->setText(value ? LoadStr(kIdsValueFileName) : QString());
    Ctl<QLineEdit>(m_pTemplate, kIdcLowerLimit)->setText(number(s.lowerLimit));
    Ctl<QLineEdit>(m_pTemplate, kIdcUpperLimit)->setText(number(s.upperLimit));
    Ctl<QLineEdit>(m_pTemplate, kIdcLimitedCreditValue)->setText(number(s.limitedCreditValue));
    Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->setChecked(value && s.limitedCredit);
    Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->setChecked(value && s.freeGetValue);
}

void CValueFileRWDlg::ClearData()
{
    m_pValue->clear();
}

void CValueFileRWDlg::OnGetValue()
{
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    m_pValue->setText(GetFileValue(*frame, m_bHex).text);
}

void CValueFileRWDlg::OnChange(FileOp op)
{
    int32_t amount = 0;
    if (!ParseAmount(m_pAmount->text(), &amount)) {
        MessageBox(this, LoadStr(kIdsAmountRange));
        m_pAmount->setFocus();
        return;
    }
    CFileRwFrame* frame = m_Host.Target();
    if (!frame) return;
    // After a failure the value on the card is not known.
    m_pValue->setText(ChangeFileValue(*frame, op, amount, m_bHex).text);
}

void CValueFileRWDlg::OnFormat(bool hex)
{
    if (hex == m_bHex) return;
    m_bHex = hex;
    // The value shown, in the other format: the card is not asked again.
    const QString text = m_pValue->text();
    if (text.isEmpty()) return;
    bool ok = false;
    const auto value = static_cast<int32_t>(hex ? text.toInt(&ok) : static_cast<int>(text.toUInt(&ok, 16)));
    m_pValue->setText(ok ? ValueToText(value, hex) : QString());
}

} // namespace velmora
