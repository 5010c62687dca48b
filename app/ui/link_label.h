// A label in its own colour and font that may stand for an address: a left
// click on a label that is a link opens the address with the desktop's
// handler, and every click is announced (the about box's update line
// reacts to it).
//
// Only links open, and only https: and mailto: addresses: a label shows
// texts from outside (the update server's), which must never be opened
// as whatever they name.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

namespace velmora {

class CLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLabel(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    QColor TextColor() const { return m_TextColor; }
    // A copy of font; the label is redrawn.
    void SetFont(const QFont& font);

    // address empty: not a link. Anything but an https: or mailto: address
    // is taken for no link at all.
    void SetLink(const QString& address);
    QString Link() const { return m_strLink; }
    bool IsLink() const { return !m_strLink.isEmpty(); }

    static bool IsOpenableAddress(const QString& address);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_TextColor;
    QString m_strLink;
};

} // namespace velmora
