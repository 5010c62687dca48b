#include "app/ui/lan_config_dlg.h"

#include "app/model/lan_settings.h"
#include "app/model/ui_strings.h"
#include "app/ui/busy_scope.h"
#include "app/ui/message_service.h"
#include "app/ui/port_dlg.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace velmora {

int CLanConfig::s_nReachLimitMs = 25000;

namespace {

constexpr int kStepMs = 100;

} // namespace

CLanConfig::CLanConfig(const QString& device, QWidget* parent)
    : CModalDialog(parent), m_strDevice(device),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/lan_config_dlg.ui"))),
      m_pDhcp(Ctl<QRadioButton>(m_pTemplate, kIdcLanDhcp)), m_pFixed(Ctl<QRadioButton>(m_pTemplate, kIdcLanFixed)),
      m_pName(Ctl<QLineEdit>(m_pTemplate, kIdcLanDhcpName)), m_pDhcpPort(Ctl<QLineEdit>(m_pTemplate, kIdcLanDhcpPort)),
      m_pAddress(Ctl<QLineEdit>(m_pTemplate, kIdcLanIpAddress)), m_pIpPort(Ctl<QLineEdit>(m_pTemplate, kIdcLanIpPort)),
      m_pMask(Ctl<QLineEdit>(m_pTemplate, kIdcLanMask)), m_pGateway(Ctl<QLineEdit>(m_pTemplate, kIdcLanGateway)),
      m_pProgress(Ctl<QProgressBar>(m_pTemplate, kIdcLanProgress)), m_pOk(Ctl<QPushButton>(m_pTemplate, kIdOk)),
      m_pCancel(Ctl<QPushButton>(m_pTemplate, kIdCancel))
{
    // Addresses take digits and dots; the checks on OK tell what is wrong.
    const auto dotted = QRegularExpression(QStringLiteral("[0-9.]*"));
    for (QLineEdit* e : {m_pAddress, m_pMask, m_pGateway}) e->setValidator(new QRegularExpressionValidator(dotted, e));
    m_pProgress->hide();
    connect(m_pDhcp, &QRadioButton::toggled, this, &CLanConfig::OnMode);
    connect(m_pFixed, &QRadioButton::toggled, this, &CLanConfig::OnMode);
    connect(m_pOk, &QPushButton::clicked, this, &CLanConfig::OnOk);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CLanConfig::OnInitDialog()
{
    ReadSettings();
}

void CLanConfig::ReadSettings()
{
    std::optional<LanSettings> s;
    {
        CBusyScope busy;
        s = ReadLanSettings(m_strDevice);
    }
    if (!s) {
        OnMode();
        return; // the fields stay as they are
    }
    m_pName->setText(s->dhcpName);
    m_pAddress->setText(s->address);
    m_pDhcpPort->setText(QString::number(s->port));
    m_pIpPort->setText(QString::number(s->port));
    m_pMask->setText(s->mask);
    m_pGateway->setText(s->gateway);
    (s->mode == 1 ? m_pFixed : m_pDhcp)->setChecked(true);
    OnMode();
}

void CLanConfig::OnMode()
{
    const bool fixed = m_pFixed->isChecked();
    // The port goes along to the field of the other mode.
    const QString port = (fixed ? m_pDhcpPort : m_pIpPort)->text();
    if (sender() == m_pFixed || sender() == m_pDhcp) (fixed ? m_pIpPort : m_pDhcpPort)->setText(port);
    m_pName->setEnabled(!fixed);
    m_pDhcpPort->setEnabled(!fixed);
    m_pAddress->setEnabled(fixed);
    m_pIpPort->setEnabled(fixed);
}

void CLanConfig::ShowBusy(bool busy)
{
    m_pTemplate->setEnabled(!busy);
    m_pOk->setVisible(!busy);
    m_pCancel->setVisible(!busy);
    m_pProgress->setVisible(busy);
}

void CLanConfig::OnOk()
{
    LanRequest request;
    request.mode = m_pFixed->isChecked() ? 1 : 0;
    request.dhcpName = m_pName->text();
    request.address = m_pAddress->text();
    request.port = (request.mode == 1 ? m_pIpPort : m_pDhcpPort)->text();
    request.mask = m_pMask->text();
    request.gateway = m_pGateway->text();
    const LanRequestCheck check = CheckLanRequest(request);
    if (check.messageId != 0) {
        MessageBox(this, LoadStr(check.messageId));
        if (QLineEdit* field = Ctl<QLineEdit>(m_pTemplate, check.focusControl)) {
            field->setFocus();
            field->selectAll();
        }
        return;
    }

    m_pProgress->setRange(0, s_nReachLimitMs);
    m_pProgress->setValue(0);
    ShowBusy(true);
    LanChangeResult result;
    {
        CBusyScope busy;
        result = ChangeLanSettings(m_strDevice, check, request.mask, request.gateway, s_nReachLimitMs, [this](int ms) {
            m_pProgress->setValue(ms);
            WaitMs(kStepMs);
        });
    }
    ShowBusy(false);
    if (!result.accepted) {
        MessageBox(this, LoadStr(kIdsLanNotSet));
        ReadSettings();
        return;
    }
    m_strDevice = check.newName;
    // The settings are the reader's now, whether or not it can be reached
    // under them from here.
    if (!result.reached) MessageBox(this, LoadStr(kIdsLanNotReached).arg(check.newName));
    accept();
}

} // namespace velmora
