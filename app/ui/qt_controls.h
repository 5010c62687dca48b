// The dialogs' Qt controls as the shared helpers see them. Changes made
// through an adapter emit no signals, so the selection signals report only
// what the user did (a refilled list must not select an application).
#pragma once

#include "app/model/controls.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QWidget;

namespace velmora {

class QtWindow : public CtlWindow {
public:
    explicit QtWindow(QWidget* w) : m_pWidget(w) {}
    bool IsShown() const override;
    void SetShown(bool shown) override;

private:
    QWidget* m_pWidget;
};

class QtEdit : public CtlText {
public:
    explicit QtEdit(QLineEdit* edit) : m_pEdit(edit) {}
    bool IsShown() const override;
    void SetShown(bool shown) override;
    QString Text() const override;
    void SetText(const QString& text) override;

private:
    QLineEdit* m_pEdit;
};

// Entries are inserted in order when the list carries the dynamic property
// "sorted" (set in the templates).
class QtList : public CtlList {
public:
    explicit QtList(QListWidget* list) : m_pList(list) {}
    bool IsShown() const override;
    void SetShown(bool shown) override;
    void Clear() override;
    void AddString(const QString& text) override;

private:
    QListWidget* m_pList;
};

class QtCombo : public CtlCombo {
public:
    explicit QtCombo(QComboBox* combo) : m_pCombo(combo) {}
    bool IsShown() const override;
    void SetShown(bool shown) override;
    QString Text() const override;
    void SetText(const QString& text) override;
    void Clear() override;
    void AddString(const QString& text) override;
    int Count() const override;
    bool SelectString(const QString& text) override;
    int CurSel() const override;
    void SetCurSel(int index) override;

private:
    QComboBox* m_pCombo;
};

// Where a sorted control puts a new entry: before the first entry that
// compares greater, ignoring case.
bool SortsBefore(const QString& a, const QString& b);

} // namespace velmora
