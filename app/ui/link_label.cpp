#include "app/ui/link_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace velmora {

CLabel::CLabel(QWidget* parent) : QLabel(parent), m_TextColor(palette().color(QPalette::WindowText))
{
    // Whatever the text holds, it is shown as it is, never as markup.
    setTextFormat(Qt::PlainText);
}

void CLabel::SetTextColor(const QColor& color)
{
    m_TextColor = color;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void CLabel::SetFont(const QFont& font)
{
    setFont(QFont(font));
    update();
}

bool CLabel::IsOpenableAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid()) return false;
    if (url.scheme() == QLatin1String("https")) return !url.host().isEmpty();
    if (url.scheme() == QLatin1String("mailto")) return !url.path().isEmpty();
    return false;
}

void CLabel::SetLink(const QString& address)
{
    m_strLink = IsOpenableAddress(address) ? address : QString();
}

void CLabel::mousePressEvent(QMouseEvent* event)
{
    // Taken, so that the release comes here too.
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        if (IsLink()) QDesktopServices::openUrl(QUrl(m_strLink, QUrl::StrictMode));
        emit Clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace velmora
