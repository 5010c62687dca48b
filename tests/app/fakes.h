// Controls, message boxes and authentication dialogs for tests: plain
// objects that record what the code under test did to them.
#pragma once

#include "tests/app/qstring_printer.h"
#include "app/model/card_session.h"
#include "app/model/card_ui.h"
#include "app/model/controls.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmora::test {

class FakeText : public CtlText {
public:
    explicit FakeText(QString text = QString(), bool shown = true) : text_(std::move(text)), shown_(shown) {}
    bool IsShown() const override { return shown_; }
    void SetShown(bool shown) override { shown_ = shown; }
    QString Text() const override { return text_; }
    void SetText(const QString& text) override { text_ = text; }

private:
    QString text_;
    bool shown_;
};

// Keeps entries in insertion order: the tests check what the helpers add.
class FakeList : public CtlList {
public:
    bool IsShown() const override { return shown; }
    void SetShown(bool s) override { shown = s; }
    void Clear() override { entries.clear(); }
    void AddString(const QString& text) override { entries << text; }

    QStringList entries;
    bool shown = true;
};

class FakeCombo : public CtlCombo {
public:
    explicit FakeCombo(bool shownAtStart = true) : shown(shownAtStart) {}
    bool IsShown() const override { return shown; }
    void SetShown(bool s) override { shown = s; }
    QString Text() const override { return selection >= 0 ? entries.at(selection) : text; }
    void SetText(const QString& t) override
    {
        text = t;
        selection = -1;
    }
    void Clear() override
    {
        entries.clear();
        selection = -1;
        text.clear();
    }
    void AddString(const QString& t) override { entries << t; }
    int Count() const override { return static_cast<int>(entries.size()); }
    bool SelectString(const QString& t) override
    {
        for (int i = 0; i < entries.size(); ++i) {
            if (entries.at(i).startsWith(t, Qt::CaseInsensitive)) {
                selection = i;
                return true;
            }
        }
        return false;
    }
    int CurSel() const override { return selection; }
    void SetCurSel(int index) override { selection = index < entries.size() ? index : -1; }

    QStringList entries;
    int selection = -1;
    QString text;
    bool shown;
};

// Records the message boxes; plays the authentication dialogs with a script
// (by default: no dialogs exist).
class FakeCardUi : public CCardUi {
public:
    using Dialog = std::function<DialogResult(int port, CCardStatus& status, int aid, int keyNo)>;

    void ShowMessage(const QString& text) override { messages << text; }
    DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo) override
    {
        calls.push_back({aid, keyNo, {}, false});
        return dialog ? dialog(port, status, aid, keyNo) : DialogResult::Unavailable;
    }
    DialogResult RunAuthenticateDlg(int port, CCardStatus& status, int aid,
                                    const std::vector<uint8_t>& permitted) override
    {
        calls.push_back({aid, -1, permitted, false});
        return dialog ? dialog(port, status, aid, permitted.empty() ? -1 : permitted.front())
                      : DialogResult::Unavailable;
    }
    DialogResult RunMasterkeyAuthentDlg(int port, CCardStatus& status, int aid) override
    {
        calls.push_back({aid, 0, {}, true});
        return dialog ? dialog(port, status, aid, 0) : DialogResult::Unavailable;
    }

    // A dialog in which the user types key (and takes what the card says).
    static Dialog Typing(CCardStatus::Key key)
    {
        return [key](int port, CCardStatus& status, int aid, int keyNo) {
            QString message;
            return AuthenticateKey(port, status, aid < 0 ? 0 : aid, keyNo < 0 ? 0 : keyNo, key, false, &message)
                       ? DialogResult::Ok
                       : DialogResult::Cancelled;
        };
    }

    struct Call {
        int aid;
        int keyNo;
        std::vector<uint8_t> permitted;
        bool masterKeyDialog;
    };
    QStringList messages;
    std::vector<Call> calls;
    Dialog dialog;
};

} // namespace velmora::test
