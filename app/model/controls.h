// The few things the shared helpers do with dialog controls, so that the
// helpers stay free of widgets: the dialogs hand in adapters of their Qt
// controls, the tests hand in plain fakes.
#pragma once

#include <QString>

namespace velmora {

class CtlWindow {
public:
    virtual ~CtlWindow() = default;
    // Shown as far as the control itself is concerned (a hidden parent dialog
    // does not count: the helpers run before a dialog is shown, too).
    virtual bool IsShown() const = 0;
    virtual void SetShown(bool shown) = 0;
};

// An edit field or a status line.
class CtlText : public CtlWindow {
public:
    virtual QString Text() const = 0;
    virtual void SetText(const QString& text) = 0;
};

// A list box. Sorted ones sort themselves.
class CtlList : public CtlWindow {
public:
    virtual void Clear() = 0;
    virtual void AddString(const QString& text) = 0;
};

// A combo box: its text is the edit text of a drop-down combo, or the
// selected entry of a drop-down list.
class CtlCombo : public CtlText {
public:
    virtual void Clear() = 0;
    virtual void AddString(const QString& text) = 0;
    virtual int Count() const = 0;
    // Selects the first entry that begins with text (case-insensitive);
    // false and no selection when there is none.
    virtual bool SelectString(const QString& text) = 0;
    virtual int CurSel() const = 0; // -1: none
    virtual void SetCurSel(int index) = 0;
};

} // namespace velmora
