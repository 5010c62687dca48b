#include "app/ui/bitmap_static.h"

#include <QBitmap>
#include <QPainter>

namespace velmora {

void CBitmapStatic::SetBitmap(const QPixmap& bitmap)
{
    m_Bitmap = bitmap;
    m_Masked = bitmap;
    m_Masked.setMask(bitmap.createMaskFromColor(QColor(0xFF, 0xFF, 0xFF), Qt::MaskInColor));
    setPixmap(bitmap);
}

void CBitmapStatic::SetTransparent(bool transparent)
{
    m_bTransparent = transparent;
    update();
}

void CBitmapStatic::paintEvent(QPaintEvent* event)
{
    if (!m_bTransparent || m_Bitmap.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_Masked);
}

} // namespace velmora
