#include "app/ExpansionEngine.h"

#include "app/EngineHost.h"
#include "app/KeyToChar.h"
#include "app/PasteMethod.h"
#include "app/ReplaceMacros.h"
#include "keys/cSendKeys.h"
#include "platform/KeyboardHook.h"
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

namespace {

// Characters as the user sees them: a character outside the Basic
// Multilingual Plane is one Backspace in the application, not two.
qsizetype CharacterCount(const QString& text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++count;
    return count;
}

// The last n characters of text, never splitting a surrogate pair.
QString LastCharacters(const QString& text, qsizetype n)
{
    qsizetype start = text.size();
    for (qsizetype kept = 0; kept < n && start > 0; ++kept) {
        --start;
        if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
            --start;
    }
    return text.mid(start);
}

} // namespace

void ExpansionEngine::HandleHookMessage(quintptr wParam, qintptr lParam, bool active)
{
    hookFlags = lParam;
    // What was typed in another layout or group cannot be matched with what
    // follows, nor erased as the characters it now seems to be.
    if ((lParam & KeyboardHook::kLayoutChangedFlag) && !typedText.isEmpty())
        Reset();
    HandleKey(int(wParam), (lParam & KeyboardHook::kReleasedFlag) != 0, active);
    hookFlags = 0;
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
    QList<int> held; // our own keys still down
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

            // Terminals and some other programs paste with other keys, or
            // from the primary selection, or not at all.
            PasteMethod method =
                PasteMethod::ForWindow(desktop.WindowClass(desktop.ForegroundWindow()),
                                       [this](const QString& name) { return optMgr.PasteKeysFor(name); });
            // A clipboard that reaches nobody while Quillo has no focus
            // (a Wayland compositor without a clipboard manager protocol):
            // the content is typed.
            if (!clipboardKeeper.CanPlace())
                method.type = true;
            if (!method.type)
                clipboardKeeper.Place(expanded, method.primary, optMgr.RestoreClipboard());

            // One Backspace per character, and one more for the trigger key the
            // application has already received.
            const qsizetype typedCharacters = CharacterCount(snippet->snippetString);
            for (qsizetype i = 0; i <= typedCharacters; ++i) {
                keySender().SendKeys(QStringLiteral("{BACKSPACE}"), true);
                ProcessEvents(kEventRoundsAfterBackspace);
            }
            ProcessEvents(kEventRoundsBeforePaste);
            ReleaseModifiersForPaste();
            if (method.type) {
                keyOutput.TypeText(expanded);
            } else {
                for (int modifier : method.modifiers) {
                    keySender().KeyDown(modifier);
                    held << modifier;
                }
                keySender().KeyDown(method.key);
                keySender().KeyUp(method.key);
                while (!held.isEmpty()) {
                    keySender().KeyUp(held.last());
                    held.removeLast();
                }
                clipboardKeeper.PasteSent();
            }
        } catch (const std::exception&) {
            // The engine reports nothing; it only makes sure no key stays held.
            while (!held.isEmpty()) {
                try {
                    keyOutput.KeyUp(std::uint8_t(held.takeLast()));
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
        const QString typed = TypedBy(virtualKey);
        if (!typed.isEmpty()) {
            if (typedText.isEmpty())
                bufferWindow = desktop.ForegroundWindow();
            typedText += typed;
            if (CharacterCount(typedText) > kMaxTypedLength)
                typedText = LastCharacters(typedText, kMaxTypedLength);
        }
    }
    if (virtualKey == VkBackspace) {
        if (CharacterCount(typedText) > 1) {
            typedText = typedText.left(typedText.size() - LastCharacters(typedText, 1).size());
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

QString ExpansionEngine::TypedBy(int virtualKey) const
{
    if (hookFlags & KeyboardHook::kTypedFlag) {
        const char32_t character = KeyboardHook::TypedCharacter(hookFlags);
        return character ? QString::fromUcs4(&character, 1) : QString();
    }
    // Caps Lock is asked for letters only: most keys never need it.
    const bool capsLock = IsLetterKey(virtualKey) && desktop.CapsLockOn();
    return KeyToChar(virtualKey, shiftDown, capsLock);
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
