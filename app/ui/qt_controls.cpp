#include "app/ui/qt_controls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

namespace velmora {

namespace {

bool IsSorted(const QWidget* w)
{
    return w->property("sorted").toBool();
}

} // namespace

bool SortsBefore(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

bool QtWindow::IsShown() const
{
    return !m_pWidget->isHidden();
}

void QtWindow::SetShown(bool shown)
{
    m_pWidget->setVisible(shown);
}

bool QtEdit::IsShown() const
{
    return !m_pEdit->isHidden();
}

void QtEdit::SetShown(bool shown)
{
    m_pEdit->setVisible(shown);
}

QString QtEdit::Text() const
{
    return m_pEdit->text();
}

void QtEdit::SetText(const QString& text)
{
    const QSignalBlocker block(m_pEdit);
    m_pEdit->setText(text);
}

bool QtList::IsShown() const
{
    return !m_pList->isHidden();
}

void QtList::SetShown(bool shown)
{
    m_pList->setVisible(shown);
}

void QtList::Clear()
{
    const QSignalBlocker block(m_pList);
    m_pList->clear();
}

void QtList::AddString(const QString& text)
{
    const QSignalBlocker block(m_pList);
    int row = m_pList->count();
    if (IsSorted(m_pList)) {
        row = 0;
        while (row < m_pList->count() && !SortsBefore(text, m_pList->item(row)->text())) ++row;
    }
    m_pList->insertItem(row, text);
}

bool QtCombo::IsShown() const
{
    return !m_pCombo->isHidden();
}

void QtCombo::SetShown(bool shown)
{
    m_pCombo->setVisible(shown);
}

QString QtCombo::Text() const
{
    return m_pCombo->currentText();
}

void QtCombo::SetText(const QString& text)
{
    const QSignalBlocker block(m_pCombo);
    if (m_pCombo->isEditable())
        m_pCombo->setEditText(text);
    else
        m_pCombo->setCurrentIndex(m_pCombo->findText(text));
}

void QtCombo::Clear()
{
    const QSignalBlocker block(m_pCombo);
    m_pCombo->clear();
    if (m_pCombo->isEditable()) m_pCombo->setEditText(QString());
}

void QtCombo::AddString(const QString& text)
{
    const QSignalBlocker block(m_pCombo);
    int row = m_pCombo->count();
    if (IsSorted(m_pCombo)) {
        row = 0;
        while (row < m_pCombo->count() && !SortsBefore(text, m_pCombo->itemText(row))) ++row;
    }
    // Inserting into an empty combo would select the entry; a fresh entry
    // is never a choice.
    const int current = m_pCombo->currentIndex();
    const QString edit = m_pCombo->currentText();
    m_pCombo->insertItem(row, text);
    if (current < 0) {
        m_pCombo->setCurrentIndex(-1);
        if (m_pCombo->isEditable()) m_pCombo->setEditText(edit);
    }
}

int QtCombo::Count() const
{
    return m_pCombo->count();
}

bool QtCombo::SelectString(const QString& text)
{
    const QSignalBlocker block(m_pCombo);
    for (int i = 0; i < m_pCombo->count(); ++i) {
        if (m_pCombo->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            m_pCombo->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

int QtCombo::CurSel() const
{
    return m_pCombo->currentIndex();
}

void QtCombo::SetCurSel(int index)
{
    const QSignalBlocker block(m_pCombo);
    m_pCombo->setCurrentIndex(index);
}

} // namespace velmora
