// Windows in tests: the offscreen platform, message boxes answered from a
// script, and modal dialogs run by test code instead of a modal loop.
#pragma once

#include "tests/app/qstring_printer.h"
#include "app/model/device_list_source.h"
#include "app/ui/message_service.h"
#include "app/ui/modal_dialog.h"

#include <QApplication>
#include <QInputDevice>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace velmora::test {

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "velmora_ui_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The mouse events of the tests bring a pointing device into being that
    // the application deletes at exit; the registry it leaves must outlive
    // the application, so it is made first.
    static const auto devices = QInputDevice::devices();
    static QApplication app(argc, argv);
    return app;
}

class ScriptedMessages : public CMessageService {
public:
    ScriptedMessages() { SetMessageService(this); }
    ~ScriptedMessages() override { SetMessageService(nullptr); }
    void Message(QWidget*, const QString& text, Icon) override { shown << text; }
    bool AskYesNo(QWidget*, const QString& text) override
    {
        questions << text;
        if (whileAsking) whileAsking();
        return answerYes;
    }
    bool AskDestructive(QWidget* parent, const QString& text) override
    {
        warnings << text;
        return AskYesNo(parent, text);
    }
    bool AskRetry(QWidget*, const QString&, const QString& text) override
    {
        retries << text;
        return retriesLeft-- > 0;
    }
    std::function<void()> whileAsking; // runs while the question is "open"
    QStringList retries;               // the retry/cancel questions
    int retriesLeft = 0;
    QStringList shown;
    QStringList questions;
    QStringList warnings; // the questions that came with a warning icon
    bool answerYes = false;
};

// Each modal run takes the next step; a run without a step fails the test
// and cancels the dialog.
class ScriptedDialogs {
public:
    using Step = std::function<int(CModalDialog&)>;
    ScriptedDialogs()
    {
        SetModalRunner([this](CModalDialog& dialog) {
            runs << QString::fromLatin1(dialog.metaObject()->className());
            if (steps.empty()) {
                ADD_FAILURE() << "unexpected dialog " << dialog.metaObject()->className();
                return static_cast<int>(QDialog::Rejected);
            }
            Step step = std::move(steps.front());
            steps.pop_front();
            return step(dialog);
        });
    }
    ~ScriptedDialogs() { SetModalRunner(nullptr); }
    void Then(Step step) { steps.push_back(std::move(step)); }
    static Step Cancel()
    {
        return [](CModalDialog&) { return static_cast<int>(QDialog::Rejected); };
    }

    std::deque<Step> steps;
    QStringList runs; // class names, in order
};

// Controls of a dialog by their numbers.
template <class T>
T* Find(const QWidget& dlg, int id)
{
    T* w = dlg.findChild<T*>(QString::number(id));
    if (!w) ADD_FAILURE() << "no control " << id;
    return w;
}
inline void Click(const QWidget& dlg, int id)
{
    Find<QPushButton>(dlg, id)->click();
}
inline QString Text(const QWidget& dlg, int id)
{
    return Find<QLineEdit>(dlg, id)->text();
}
inline void SetText(const QWidget& dlg, int id, const QString& text)
{
    Find<QLineEdit>(dlg, id)->setText(text);
}
inline bool Shown(const QWidget& dlg, int id)
{
    return !Find<QWidget>(dlg, id)->isHidden();
}

class FixedLists : public CDeviceListSource {
public:
    QStringList ComPorts() override
    {
        ++comCalls;
        return com;
    }
    QStringList UsbPorts() override { return usb; }
    QStringList LanDevices() override { return lan; }
    QStringList BluetoothPorts() override { return bluetooth; }
    int MissingDrivers() override { return missingDrivers; }
    bool VirtualComDriverInstalled() override { return true; }
    bool TestLanConnection(const QString&) override { return false; }

    QStringList com, usb, lan, bluetooth;
    int missingDrivers = 0;
    int comCalls = 0;
};

} // namespace velmora::test
