// Windows in tests: the offscreen platform, message boxes answered from a
// script, and modal dialogs run by test code instead of a modal loop.
#pragma once

#include "qstring_printer.h"
#include "device_list_source.h"
#include "message_service.h"
#include "modal_dialog.h"

#include <QApplication>
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
    std::function<void()> whileAsking; // runs while the question is "open"
    QStringList shown;
    QStringList questions;
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
