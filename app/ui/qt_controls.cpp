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
    return !w_->isHidden();
}

void QtWindow::SetShown(bool shown)
{
    w_->setVisible(shown);
}

bool QtEdit::IsShown() const
{
    return !edit_->isHidden();
}

void QtEdit::SetShown(bool shown)
{
    edit_->setVisible(shown);
}

QString QtEdit::Text() const
{
    return edit_->text();
}

void QtEdit::SetText(const QString& text)
{
    const QSignalBlocker block(edit_);
    edit_->setText(text);
}

bool QtList::IsShown() const
{
    return !list_->isHidden();
}

void QtList::SetShown(bool shown)
{
    list_->setVisible(shown);
}

void QtList::Clear()
{
    const QSignalBlocker block(list_);
    list_->clear();
}

void QtList::AddString(const QString& text)
{
    const QSignalBlocker block(list_);
    int row = list_->count();
    if (IsSorted(list_)) {
        row = 0;
        while (row < list_->count() && !SortsBefore(text, list_->item(row)->text())) ++row;
    }
    list_->insertItem(row, text);
}

bool QtCombo::IsShown() const
{
    return !combo_->isHidden();
}

void QtCombo::SetShown(bool shown)
{
    combo_->setVisible(shown);
}

QString QtCombo::Text() const
{
    return combo_->currentText();
}

void QtCombo::SetText(const QString& text)
{
    const QSignalBlocker block(combo_);
    if (combo_->isEditable())
        combo_->setEditText(text);
    else
        combo_->setCurrentIndex(combo_->findText(text));
}

void QtCombo::Clear()
{
    const QSignalBlocker block(combo_);
    combo_->clear();
    if (combo_->isEditable()) combo_->setEditText(QString());
}

void QtCombo::AddString(const QString& text)
{
    const QSignalBlocker block(combo_);
    int row = combo_->count();
    if (IsSorted(combo_)) {
        row = 0;
        while (row < combo_->count() && !SortsBefore(text, combo_->itemText(row))) ++row;
    }
    // Inserting into an empty combo would select the entry; a fresh entry
    // is never a choice.
    const int current = combo_->currentIndex();
    const QString edit = combo_->currentText();
    combo_->insertItem(row, text);
    if (current < 0) {
        combo_->setCurrentIndex(-1);
        if (combo_->isEditable()) combo_->setEditText(edit);
    }
}

int QtCombo::Count() const
{
    return combo_->count();
}

bool QtCombo::SelectString(const QString& text)
{
    const QSignalBlocker block(combo_);
    for (int i = 0; i < combo_->count(); ++i) {
        if (combo_->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            combo_->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

int QtCombo::CurSel() const
{
    return combo_->currentIndex();
}

void QtCombo::SetCurSel(int index)
{
    const QSignalBlocker block(combo_);
    combo_->setCurrentIndex(index);
}

} // namespace velmora
