#include "app/ExpansionEngine.h"

#include "app/EngineHost.h"
#include "app/KeyToChar.h"
#include "app/ReplaceMacros.h"
#include "keys/cSendKeys.h"
#include "platform/KeyOutput.h"
#include "platform/SoundPlayer.h"
#include "settings/OptionMgr.h"
#include "store/SnippetManager.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QGuiApplication>
#include <algorithm>
#include <limits>

ExpansionEngine::ExpansionEngine(SnippetManager& snippetMgr, OptionMgr& optMgr, KeyOutput& keyOutput,
                                 Desktop& desktop, SoundPlayer& sound, EngineHost& host)
    : snippetMgr(snippetMgr), optMgr(optMgr), keyOutput(keyOutput), desktop(desktop), sound(sound), host(host)
{
    TimerLock.setInterval(kSwitchLockMs);
    TimerLock.setSingleShot(true);
    connect(&TimerLock, &QTimer::timeout, this, [this] { switchLocked = false; });
}

ExpansionEngine::~ExpansionEngine() = default;

cSendKeys& ExpansionEngine::keySender()
{
    if (!sender)
        sender = std::make_unique<cSendKeys>(keyOutput);
    return *sender;
}

void ExpansionEngine::HandleKey(int virtualKey, bool released, bool active)
{
    const bool pressed = !released;
    if (virtualKey == VkShift)
        shiftDown = pressed;
    else if (virtualKey == VkControl)
        ctrlDown = pressed;
    else if (virtualKey == VkAlt)
        altDown = pressed;

    // The enable/disable hot key works wherever the user types.
    if (pressed && virtualKey == optMgr.SwitchQKKeyCode() && !switchLocked && shiftDown && altDown)
        ToggleExpansion();

    if (!active)
        return;
    if (pressed)
        ResetIfMovedElsewhere(virtualKey);
    if (pressed && engineReady && optMgr.EnableQK() && IsTrigger(virtualKey))
        Expand();
    UpdateBuffer(virtualKey, pressed);
    if (!typedText.isEmpty()) {
        // The suggestion list shows a moment after the last key event.
        host.ToggleTimer(false);
        host.ToggleTimer(true);
    }
}

void ExpansionEngine::ToggleExpansion()
{
    try {
        if (optMgr.EnableQK()) {
            optMgr.SetEnableQK(false);
        } else {
            optMgr.SetEnableQK(true);
            typedText.clear();
            listedText.clear();
        }
    } catch (const std::exception&) {
        // The new state holds in memory; the options file catches up with the
        // next change. A hot key has nowhere to show a message.
    }
    switchLocked = true;
    TimerLock.start();
}

bool ExpansionEngine::IsAutoMode() const
{
    return optMgr.ExpandWhen().compare(QLatin1String("AUTO"), Qt::CaseInsensitive) == 0;
}

bool ExpansionEngine::IsTrigger(int virtualKey) const
{
    if (IsAutoMode())
        return virtualKey == VkSpace || virtualKey == VkTab || virtualKey == VkEnter;
    return virtualKey == optMgr.ExpandKeyCode() && shiftDown;
}

void ExpansionEngine::ResetIfMovedElsewhere(int virtualKey)
{
    const bool movesCaret = (virtualKey >= VkPageUp && virtualKey <= VkDown) || virtualKey == VkLeftButton ||
                            virtualKey == VkRightButton || virtualKey == VkMiddleButton;
    if (movesCaret || (!typedText.isEmpty() && desktop.ForegroundWindow() != bufferWindow))
        Reset();
}

void ExpansionEngine::Expand()
{
    engineReady = false;
    // Shared with the store's cache: stays valid if the cache is rebuilt while
    // events run below.
    const SnippetPtr snippet = snippetMgr.GetMatchedSnippet(typedText);
    bool controlDown = false;
    if (snippet) {
        try {
            if (optMgr.EnablePlaySound())
                sound.Play(soundData);
            ProcessEvents(kEventRoundsAfterSound);

            const QString expanded = ReplaceMacros(snippet->contentString);
            const qint64 saved = qint64(optMgr.ChrSav()) + expanded.size() - snippet->snippetString.size();
            optMgr.SetSniExp(optMgr.SniExp() < std::numeric_limits<int>::max() ? optMgr.SniExp() + 1 : optMgr.SniExp());
            optMgr.SetChrSav(int(std::clamp<qint64>(saved, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())));

            QClipboard* clipboard = QGuiApplication::clipboard();
            clipboard->clear();
            clipboard->setText(expanded);

            // One Backspace per character, and one more for the trigger key the
            // application has already received.
            for (qsizetype i = 0; i <= snippet->snippetString.size(); ++i) {
                keySender().SendKeys(QStringLiteral("{BACKSPACE}"), true);
                ProcessEvents(kEventRoundsAfterBackspace);
            }
            ProcessEvents(kEventRoundsBeforePaste);
            ReleaseModifiersForPaste();
            keySender().KeyDown(VkControl);
            controlDown = true;
            keySender().KeyDown(VkV);
            keySender().KeyUp(VkV);
            keySender().KeyUp(VkControl);
            controlDown = false;
        } catch (const std::exception&) {
            // The engine reports nothing; it only makes sure no key stays held.
            if (controlDown) {
                try {
                    keyOutput.KeyUp(VkControl);
                } catch (const std::exception&) {
                }
            }
        }
    }
    typedText.clear();
    listedText.clear();
    engineReady = true;
    host.ParkFormMsg();
    host.ToggleTimer(false);
}

void ExpansionEngine::UpdateBuffer(int virtualKey, bool pressed)
{
    if (!pressed)
        return;
    if (!ctrlDown && !altDown) {
        // Caps Lock is asked for letters only: most keys never need it.
        const bool capsLock = IsLetterKey(virtualKey) && desktop.CapsLockOn();
        const QString typed = KeyToChar(virtualKey, shiftDown, capsLock);
        if (!typed.isEmpty()) {
            if (typedText.isEmpty())
                bufferWindow = desktop.ForegroundWindow();
            typedText += typed;
            if (typedText.size() > kMaxTypedLength)
                typedText = typedText.right(kMaxTypedLength);
        }
    }
    if (virtualKey == VkBackspace) {
        if (typedText.size() > 1) {
            typedText.chop(1);
        } else {
            typedText.clear();
            listedText.clear();
        }
    } else if (virtualKey == VkEscape) {
        Reset();
    } else if (!IsAutoMode() && (virtualKey == VkSpace || virtualKey == VkTab || virtualKey == VkEnter)) {
        // In hot-key mode the delimiters end a word instead of expanding it.
        Reset();
    }
}

void ExpansionEngine::Reset()
{
    typedText.clear();
    listedText.clear();
    host.ParkFormMsg();
    host.ToggleTimer(false);
}

void ExpansionEngine::ReleaseModifiersForPaste()
{
    QElapsedTimer waited;
    waited.start();
    while ((shiftDown || altDown) && waited.elapsed() < kModifierReleaseWaitMs) {
        QCoreApplication::processEvents();
        QThread::msleep(kModifierPollMs);
    }
    if (shiftDown)
        keySender().KeyUp(VkShift);
    if (altDown)
        keySender().KeyUp(VkAlt);
}

void ExpansionEngine::ProcessEvents(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}
