// A picture whose pure white pixels let the background show through (the
// logo of the about box sits on the dialog colour).
#pragma once

#include <QLabel>
#include <QPixmap>

namespace velmora {

class CBitmapStatic : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    void SetBitmap(const QPixmap& bitmap);
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_bTransparent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bTransparent = false;
    QPixmap m_Bitmap;
    QPixmap m_Masked; // m_Bitmap without its white pixels
};

} // namespace velmora
