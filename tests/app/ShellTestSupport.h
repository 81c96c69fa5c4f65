#pragma once

#include "app/ExpansionEngine.h"
#include "app/FormMain.h"
#include "app/UserNotifier.h"
#include "platform/FakeDesktop.h"
#include "platform/FakeKeyboardHook.h"
#include "platform/FakeSoundPlayer.h"
#include "platform/FakeUrlOpener.h"
#include "platform/RecordingKeyOutput.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QTemporaryDir>

struct RecordingNotifier : UserNotifier
{
    QStringList shown;
    // What the next questions are answered (Discard once they run out).
    QList<Answer> answers;
    void Plain(const QString& text) override { shown << "plain: " + text; }
    void Critical(const QString& text) override { shown << "critical: " + text; }
    void Warning(const QString& text) override { shown << "warning: " + text; }
    Answer AskToSave(const QString& text, bool mayCancel) override
    {
        shown << QString(mayCancel ? "ask: " : "ask without cancel: ") + text;
        return answers.isEmpty() ? Answer::Discard : answers.takeFirst();
    }
};

// The desktop's own key monitor sees the program's synthetic keys too: this
// output hands every event it sends back to the hook.
struct EchoingKeyOutput : RecordingKeyOutput
{
    FakeKeyboardHook* hook = nullptr;
    void KeyDown(std::uint8_t key) override
    {
        RecordingKeyOutput::KeyDown(key);
        if (hook)
            hook->Press(key);
    }
    void KeyUp(std::uint8_t key) override
    {
        RecordingKeyOutput::KeyUp(key);
        if (hook)
            hook->Release(key);
    }

    // A desktop that can hold the user's keys: beforeHold runs as the hold
    // is asked for (keys the user typed that the monitor has yet to report),
    // then the monitor's mark follows.
    bool holdable = false;
    std::function<void()> beforeHold;
    QStringList holds; // "hold", "release N" (N keys sent on first)
    bool HoldUserKeys() override
    {
        if (!holdable)
            return false;
        holds << "hold";
        if (beforeHold)
            beforeHold();
        if (hook)
            hook->Mark();
        return true;
    }
    void ReleaseUserKeys(const RawKeys& replayFirst) override
    {
        holds << QStringLiteral("release %1").arg(replayFirst.size());
        if (hook)
            hook->Mark();
    }
};

// A loaded main window on fakes and a private program folder.
struct Shell
{
    TempProgramFolder folder;
    QTemporaryDir runtime;
    FakeKeyboardHook hook;
    EchoingKeyOutput keys;
    FakeDesktop desktop;
    FakeSoundPlayer sound;
    FakeUrlOpener urls;
    RecordingNotifier notifier;
    // Set before Create(): the list shows through it, as on Wayland.
    ListOverlay* listOverlay = nullptr;
    std::unique_ptr<FormMain> form;

    explicit Shell(bool load = true) { Create(); if (load) Load(); }

    void Create()
    {
        form = std::make_unique<FormMain>(folder.Path(), LockPath(),
                                          FormMainServices{hook, keys, desktop, sound, urls, notifier, nullptr, listOverlay});
    }
    bool Load() { return form->Load(); }
    QString LockPath() const { return runtime.filePath("quillo.lock"); }
    ExpansionEngine& engine() { return *form->engine; }

    static void Pump()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void Press(int vk) { hook.Press(vk); Pump(); }
    void Release(int vk) { hook.Release(vk); Pump(); }
    void Tap(int vk) { Press(vk); Release(vk); }
    // Types letters, digits and capitals as a person on a US keyboard would.
    void Type(const QString& text)
    {
        for (QChar c : text) {
            const bool upper = c.isUpper();
            if (upper)
                Press(ExpansionEngine::VkShift);
            Tap(c.toUpper().unicode());
            if (upper)
                Release(ExpansionEngine::VkShift);
        }
    }
    QStringList Sent() const { return keys.Lines(); }
};

// The keys one expansion sends for an abbreviation of n characters.
inline QStringList ExpansionKeys(int abbreviationLength)
{
    QStringList lines;
    for (int i = 0; i <= abbreviationLength; ++i)
        lines << "down 8" << "up 8";
    lines << "down 17" << "down 86" << "up 86" << "up 17";
    return lines;
}
