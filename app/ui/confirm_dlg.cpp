#include "app/ui/confirm_dlg.h"

#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace velmora {

CNachfrageDlg::CNachfrageDlg(int captionId, int textId, int okTextId, QWidget* parent)
    : CModalDialog(parent), m_nCaptionId(captionId), m_nTextId(textId), m_nOkTextId(okTextId),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/confirm_dlg.ui")))
{
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_pTemplate->findChild<QLabel*>(QStringLiteral("warningIcon"))
        ->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CNachfrageDlg::OnInitDialog()
{
    setWindowTitle(LoadStr(m_nCaptionId));
    // The texts break lines with "\n\r" as well as "\r\n": only the line
    // feeds mean anything to a label.
    QString text = LoadStr(m_nTextId);
    text.remove(QLatin1Char('\r'));
    Ctl<QLabel>(m_pTemplate, kIdcQuestion)->setText(text);
    Ctl<QPushButton>(m_pTemplate, kIdOk)->setText(LoadStr(m_nOkTextId));
}

} // namespace velmora
