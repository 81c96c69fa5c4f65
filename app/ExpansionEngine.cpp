#include "app/ExpansionEngine.h"

#include "app/EngineHost.h"
#include "app/KeyToChar.h"
#include "app/PasteMethod.h"
#include "app/engine/ContentExpansion.h"
#include "app/engine/TypedCase.h"
#include "core/AppRule.h"
#include "core/ProgramLog.h"
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
#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>
#include <utility>

ExpansionEngine::ExpansionEngine(SnippetManager& snippetMgr, OptionMgr& optMgr, KeyOutput& keyOutput,
                                 Desktop& desktop, SoundPlayer& sound, EngineHost& host)
    : snippetMgr(snippetMgr), optMgr(optMgr), keyOutput(keyOutput), desktop(desktop), sound(sound), host(host)
{
    TimerLock.setInterval(kSwitchLockMs);
    TimerLock.setSingleShot(true);
    connect(&TimerLock, &QTimer::timeout, this, [this] { switchLocked = false; });
    holdLimit.setSingleShot(true);
    connect(&holdLimit, &QTimer::timeout, this, [this] { ReleaseHeldKeys(pendingReplay); });
    holdMarkWait.setSingleShot(true);
    connect(&holdMarkWait, &QTimer::timeout, this, [this] { holdPhase = HoldPhase::None; });
    // The program asks for the pasted text: once that request has been
    // answered, what the user typed meanwhile may follow the content.
    clipboardKeeper.OnTaken([this] {
        QTimer::singleShot(0, this, [this] {
            MoveCaretBack();
            if (holdPasteSent)
                ReleaseHeldKeys(pendingReplay);
        });
    });
}

ExpansionEngine::~ExpansionEngine() = default;

cSendKeys& ExpansionEngine::keySender()
{
    if (!sender)
        sender = std::make_unique<cSendKeys>(keyOutput);
    return *sender;
}

namespace {

// Keys that only change what other keys do.
bool IsModifierKey(int virtualKey)
{
    constexpr int kCapsLock = 20, kLeftWindows = 91, kRightWindows = 92, kFirstSidedModifier = 160,
                  kLastSidedModifier = 165;
    return virtualKey == ExpansionEngine::VkShift || virtualKey == ExpansionEngine::VkControl ||
           virtualKey == ExpansionEngine::VkAlt || virtualKey == kCapsLock || virtualKey == kLeftWindows ||
           virtualKey == kRightWindows || (virtualKey >= kFirstSidedModifier && virtualKey <= kLastSidedModifier);
}

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

// Characters as the user sees them (a letter and its accents, an emoji
// sequence, a line break of \r\n): one Backspace each.
qsizetype PerceivedCount(const QString& text)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (graphemes.toNextBoundary() > 0)
        ++count;
    return count;
}

// Where the content's end is not where the caret stands afterwards (a caret
// placed inside it), or the user has answered a window in between, a
// Backspace is no longer "right after" the expansion.
bool AllowsUndo(const QString& content)
{
    for (const char* marker : {"[cursor]", "[input ", "[choice "})
        if (content.contains(QLatin1String(marker), Qt::CaseInsensitive))
            return false;
    return true;
}

QString CharacterOfTrigger(int virtualKey)
{
    switch (virtualKey) {
    case ExpansionEngine::VkSpace:
        return QStringLiteral(" ");
    case ExpansionEngine::VkTab:
        return QStringLiteral("\t");
    case ExpansionEngine::VkEnter:
        return QStringLiteral("\n");
    default:
        return QString();
    }
}

} // namespace

void ExpansionEngine::HandleHookMessage(quintptr wParam, qintptr lParam, bool active)
{
    if (lParam & KeyboardHook::kHoldMarkFlag) {
        if (holdPhase == HoldPhase::AwaitingStart) {
            holdPhase = HoldPhase::Held;
            if (holdStartWait)
                holdStartWait->quit();
        } else if (holdPhase == HoldPhase::Held && holdReleased) {
            holdPhase = HoldPhase::None;
            holdMarkWait.stop();
        }
        return;
    }
    if (holdPhase != HoldPhase::None) {
        // Only the state of the modifiers counts now (the paste waits for
        // Shift); the keys themselves come again when replayed.
        const int virtualKey = int(wParam);
        TrackModifier(virtualKey, (lParam & KeyboardHook::kReleasedFlag) == 0);
        if (holdPhase == HoldPhase::AwaitingStart)
            NoteEarlyKey(virtualKey, lParam);
        return;
    }
    hookFlags = lParam;
    // What was typed in another layout or group cannot be matched with what
    // follows, nor erased as the characters it now seems to be.
    if ((lParam & KeyboardHook::kLayoutChangedFlag) && !typedText.isEmpty())
        Reset();
    HandleKey(int(wParam), (lParam & KeyboardHook::kReleasedFlag) != 0, active);
    hookFlags = 0;
}

void ExpansionEngine::TrackModifier(int virtualKey, bool pressed)
{
    if (virtualKey == VkShift)
        shiftDown = pressed;
    else if (virtualKey == VkControl)
        ctrlDown = pressed;
    else if (virtualKey == VkAlt)
        altDown = pressed;
}

void ExpansionEngine::HandleKey(int virtualKey, bool released, bool active)
{
    const bool pressed = !released;
    TrackModifier(virtualKey, pressed);
    if (undo.offered && UndoOnBackspace(virtualKey, pressed, active))
        return;

    // The enable/disable hot key works wherever the user types.
    if (pressed && virtualKey == optMgr.SwitchQKKeyCode() && !switchLocked && shiftDown && altDown)
        ToggleExpansion();

    // The picker's key is a command, not typing: what was typed before it
    // is forgotten, and its Space must not end a word and expand it.
    if (pressed && engineReady && optMgr.PickerKey().Matches(virtualKey, shiftDown, ctrlDown, altDown)) {
        Reset();
        host.PickerKeyPressed();
        return;
    }

    if (!active)
        return;
    if (pressed)
        ResetIfMovedElsewhere(virtualKey);
    const QString delimiter = pressed ? DelimiterTyped(virtualKey) : QString();
    const bool endsWord = !delimiter.isEmpty();
    if (pressed && engineReady && optMgr.EnableQK() &&
        (IsTrigger(virtualKey) || (endsWord && IsAutoMode()))) {
        // Nothing is sent into a password field or to a program holding the
        // keyboard (a screen locker), should the focus have gone there
        // while a word was typed; nor where the user excluded expansion
        // (a rule added, or a title changed, while the word was typed).
        if (!typedText.isEmpty() && (desktop.SecureInputActive() || ExcludedHere()))
            Reset();
        else {
            triggerTyped = endsWord ? delimiter : CharacterOfTrigger(virtualKey);
            Expand(Choose(snippetMgr.Index().AtWordEnd(typedText)), 1,
                   endsWord ? delimiter : KeptTrigger(virtualKey));
        }
    }
    if (UpdateBuffer(virtualKey, pressed, endsWord) && engineReady && optMgr.EnableQK())
        ExpandIfImmediate();
    if (!typedText.isEmpty()) {
        // The suggestion list shows a moment after the last key event.
        host.ToggleTimer(false);
        host.ToggleTimer(true);
    }
}

QString ExpansionEngine::DelimiterTyped(int virtualKey) const
{
    const QString& delimiters = optMgr.Delimiters();
    if (delimiters.isEmpty())
        return QString();
    QString typed;
    if (hookFlags & KeyboardHook::kTypedFlag) {
        const char32_t character = KeyboardHook::TypedCharacter(hookFlags);
        if (character)
            typed = QString::fromUcs4(&character, 1);
    } else if (!IsLetterKey(virtualKey)) {
        // Letters are never delimiters: Caps Lock need not be asked.
        typed = KeyToChar(virtualKey, shiftDown, false);
    }
    return !typed.isEmpty() && delimiters.contains(typed) ? typed : QString();
}

QString ExpansionEngine::KeptTrigger(int virtualKey) const
{
    if (!IsAutoMode() || !optMgr.KeepTrigger())
        return QString();
    switch (virtualKey) {
    case VkSpace:
        return QStringLiteral(" ");
    case VkTab:
        return QStringLiteral("\t");
    case VkEnter:
        return QStringLiteral("\n");
    default:
        return QString();
    }
}

SnippetPtr ExpansionEngine::Choose(const SnippetCollection& candidates) const
{
    QStringList classes;
    QString title;
    bool windowKnown = false;
    for (const SnippetPtr& candidate : candidates) {
        if (candidate->onlyIn.isEmpty())
            return candidate;
        // Asked of the desktop only when a snippet is kept to some applications.
        if (!windowKnown) {
            const Desktop::WindowId window = desktop.ForegroundWindow();
            classes = desktop.WindowClass(window);
            title = desktop.WindowTitle(window);
            windowKnown = true;
        }
        if (AppRule::AnyMatches(candidate->onlyIn, classes, title))
            return candidate;
    }
    return nullptr;
}

void ExpansionEngine::ExpandIfImmediate()
{
    const AbbreviationIndex& index = snippetMgr.Index();
    if (!index.HasImmediate())
        return;
    const SnippetCollection* found = index.Immediate(typedText);
    if (!found)
        return;
    SnippetPtr snippet = Choose(*found);
    if (!snippet)
        return;
    if (desktop.SecureInputActive() || ExcludedHere())
        Reset();
    else {
        triggerTyped.clear();
        Expand(std::move(snippet), 0, QString());
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

void ExpansionEngine::Expand(SnippetPtr snippet, int triggerCharacters, const QString& kept)
{
    engineReady = false;
    QElapsedTimer clock;
    clock.start();
    // One Backspace per character, one for the trigger key the application
    // has already received (none when the abbreviation itself set the
    // expansion off).
    const qsizetype erase = snippet ? CharacterCount(snippet->snippetString) + triggerCharacters : 0;
    if (snippet && AskFieldsFirst(snippet, erase, kept))
        snippet.reset(); // expanded once the fields are answered
    if (snippet && !HoldKeys()) {
        // The user erased or commanded something right after the trigger:
        // the abbreviation is no longer where the Backspaces would go.
        ReleaseHeldKeys();
        snippet.reset();
    }
    // And one for each character typed after the trigger that reached the
    // application before the hold (those come again after the content).
    lastInserted.clear();
    if (snippet) {
        expansionTyped = LastCharacters(typedText, CharacterCount(snippet->snippetString));
        Paste(*snippet, erase + earlyCharacters, clock, kept);
        OfferUndo(*snippet, expansionTyped);
        expansionTyped.clear();
    }
    typedText.clear();
    listedText.clear();
    engineReady = true;
    host.ParkFormMsg();
    host.ToggleTimer(false);
    host.ExpansionFinished();
}

ContentContext ExpansionEngine::FillContext(const Snippet& snippet)
{
    ContentContext fill;
    fill.clipboard = [this] { return clipboardKeeper.UserText(); };
    fill.snippets = [this](const QString& abbreviation) -> std::optional<QString> {
        const SnippetPtr other = snippetMgr.GetMatchedSnippet(abbreviation);
        return other ? std::optional<QString>(other->contentString) : std::nullopt;
    };
    fill.abbreviation = snippet.snippetString;
    return fill;
}

bool ExpansionEngine::AskFieldsFirst(const SnippetPtr& snippet, qsizetype backspaces, const QString& kept)
{
    // Only the parse: nothing is read from the clipboard for it.
    ContentContext context = FillContext(*snippet);
    context.clipboard = nullptr;
    const QList<FillInField> fields = ContentExpansion::Fields(snippet->contentString, context);
    if (fields.isEmpty())
        return false;
    const QString asTyped = LastCharacters(typedText, CharacterCount(snippet->snippetString));
    return host.AskFields(snippet->snippetString, fields,
                          [this, snippet, backspaces, kept, asTyped](const QHash<QString, QString>& answers) {
                              InsertAnswered(snippet, backspaces, kept, answers, asTyped);
                          });
}

bool ExpansionEngine::InsertAnswered(const SnippetPtr& snippet, qsizetype backspaces, const QString& kept,
                                     const QHash<QString, QString>& answers, const QString& asTyped)
{
    if (!snippet || !engineReady)
        return false;
    engineReady = false;
    QElapsedTimer clock;
    clock.start();
    // The user typed into the fields, not into the application: nothing to hold.
    earlyKeys.clear();
    earlyCharacters = 0;
    expansionTyped = asTyped;
    Paste(*snippet, backspaces, clock, kept, answers);
    expansionTyped.clear();
    Reset();
    engineReady = true;
    host.ExpansionFinished();
    return true;
}

void ExpansionEngine::Paste(const Snippet& snippet, qsizetype backspaces, const QElapsedTimer& clock,
                            const QString& kept, const QHash<QString, QString>& answers)
{
    QList<int> held; // our own keys still down
    try {
        if (optMgr.EnablePlaySound())
            sound.Play(soundData);
        ProcessEvents(kEventRoundsAfterSound);

        ContentContext fill = FillContext(snippet);
        fill.answers = answers;
        const ContentExpansion::Result filled = ContentExpansion::Expand(snippet.contentString, fill);
        QString expanded = filled.text;
        qsizetype cursor = filled.cursor;
        if (snippet.caseFollows && !expansionTyped.isEmpty()) {
            // The caret stays after the same characters, whatever capitals did to their number.
            if (cursor != ContentExpansion::kNoCursor)
                cursor = TypedCase::Apply(expanded.left(cursor), expansionTyped).size();
            expanded = TypedCase::Apply(expanded, expansionTyped);
        }
        const qint64 saved = qint64(optMgr.ChrSav()) + expanded.size() - snippet.snippetString.size();
        optMgr.SetSniExp(optMgr.SniExp() < std::numeric_limits<int>::max() ? optMgr.SniExp() + 1 : optMgr.SniExp());
        optMgr.SetChrSav(int(std::clamp<qint64>(saved, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max())));
        host.CountersChanged();

        // Terminals and some other programs paste with other keys, or
        // from the primary selection, or not at all.
        const QStringList windowClass = desktop.WindowClass(desktop.ForegroundWindow());
        PasteMethod method = PasteMethod::ForWindow(
            windowClass, [this](const QString& name) { return optMgr.PasteKeysFor(name); });
        // Terminals paste with keys of their own, and the arrows move
        // something else there than the caret in the pasted text.
        const bool caretMovable = method.type || method == PasteMethod();
        // A clipboard that reaches nobody while Quillo has no focus
        // (a Wayland compositor without a clipboard manager protocol):
        // the content is typed.
        if (!clipboardKeeper.CanPlace())
            method.type = true;
        // A delimiter the user typed (or a trigger key to keep) follows the
        // content as text: typed after the paste it could overtake it.
        const QString inserted = expanded + kept;
        caretLefts = cursor == ContentExpansion::kNoCursor || !caretMovable
                         ? 0
                         : ContentExpansion::CharactersAfter(inserted, cursor);
        EraseAndInsert(inserted, backspaces, method, held);
        // Where the caret was moved, or the user answered fields, the
        // content's end is not where Backspace would take it back.
        if (cursor == ContentExpansion::kNoCursor && filled.fields.isEmpty())
            lastInserted = inserted;
        // For bug reports: how long and how, never what.
        ProgramLog::Info(QStringLiteral("expansion: %1 ms to the paste keys, %2 into %3, %4 keys held back")
                             .arg(clock.elapsed())
                             .arg(method.ToText(), windowClass.value(0, QStringLiteral("an unknown window")))
                             .arg(earlyKeys.size()));
    } catch (const std::exception& e) {
        ProgramLog::Info(QStringLiteral("expansion failed after %1 ms: %2").arg(clock.elapsed()).arg(e.what()));
        // The engine shows nothing; it only makes sure no key stays held.
        while (!held.isEmpty()) {
            try {
                keyOutput.KeyUp(std::uint8_t(held.takeLast()));
            } catch (const std::exception&) {
            }
        }
        ReleaseHeldKeys(earlyKeys);
    }
}

bool ExpansionEngine::InsertSnippet(const SnippetPtr& snippet)
{
    // Nothing was typed for it: nothing to erase, nothing to follow it.
    return InsertAnswered(snippet, 0, QString(), {});
}

void ExpansionEngine::MoveCaretBack()
{
    // Sent once the program has the paste: one that pastes asynchronously
    // would otherwise move its caret before the text arrives.
    const qsizetype presses = std::exchange(caretLefts, 0);
    if (presses == 0)
        return;
    QGuiApplication::sync();
    try {
        for (qsizetype i = 0; i < presses; ++i) {
            keySender().KeyDown(VkLeft);
            keySender().KeyUp(VkLeft);
        }
    } catch (const std::exception& e) {
        ProgramLog::Info(QStringLiteral("moving the caret back failed: %1").arg(e.what()));
    }
}

void ExpansionEngine::OfferUndo(const Snippet& snippet, const QString& asTyped)
{
    // Only where the expansion's own keys went out inside a hold of the
    // user's keys: the monitor then tells them from the user's, and the
    // Backspaces just sent can never be taken for the user's.
    const bool ownKeysKnown = holdPhase != HoldPhase::None;
    if (!optMgr.UndoWithBackspace() || lastInserted.isEmpty() || !ownKeysKnown || earlyCharacters > 0 ||
        !AllowsUndo(snippet.contentString))
        return;
    undo.offered = true;
    undo.typed = asTyped + triggerTyped;
    undo.inserted = PerceivedCount(lastInserted);
    undo.window = desktop.ForegroundWindow();
}

bool ExpansionEngine::UndoOnBackspace(int virtualKey, bool pressed, bool active)
{
    if (!pressed || IsModifierKey(virtualKey))
        return false;
    const UndoChance chance = std::exchange(undo, UndoChance());
    if (virtualKey != VkBackspace || !active || ctrlDown || altDown || !engineReady ||
        desktop.ForegroundWindow() != chance.window)
        return false;
    // The user's Backspace has already erased the content's last character.
    engineReady = false;
    Reset();
    if (HoldKeys())
        PutBack(chance.typed, chance.inserted - 1 + earlyCharacters);
    else
        ReleaseHeldKeys();
    engineReady = true;
    host.ExpansionFinished();
    return true;
}

void ExpansionEngine::PutBack(const QString& text, qsizetype backspaces)
{
    QList<int> held;
    try {
        PasteMethod method = PasteMethod::ForWindow(desktop.WindowClass(desktop.ForegroundWindow()),
                                                    [this](const QString& name) { return optMgr.PasteKeysFor(name); });
        if (!clipboardKeeper.CanPlace())
            method.type = true;
        EraseAndInsert(text, backspaces, method, held);
    } catch (const std::exception& e) {
        ProgramLog::Info(QStringLiteral("taking an expansion back failed: %1").arg(e.what()));
        while (!held.isEmpty()) {
            try {
                keyOutput.KeyUp(std::uint8_t(held.takeLast()));
            } catch (const std::exception&) {
            }
        }
        ReleaseHeldKeys(earlyKeys);
    }
}

void ExpansionEngine::EraseAndInsert(const QString& text, qsizetype backspaces, const PasteMethod& method,
                                     QList<int>& held)
{
    if (!method.type)
        clipboardKeeper.Place(text, method.primary, optMgr.RestoreClipboard());
    for (qsizetype i = 0; i < backspaces; ++i) {
        keySender().SendKeys(QStringLiteral("{BACKSPACE}"), true);
        ProcessEvents(kEventRoundsAfterBackspace);
    }
    ProcessEvents(kEventRoundsBeforePaste);
    ReleaseModifiersForPaste();
    if (method.type) {
        keyOutput.TypeText(text);
        MoveCaretBack();
        ReleaseHeldKeys(earlyKeys);
        return;
    }
    for (int modifier : method.modifiers) {
        keySender().KeyDown(modifier);
        held << modifier;
    }
    keySender().KeyDown(method.key);
    keySender().KeyUp(method.key);
    // Each stays in held until it is up: a failure leaves the rest to the caller.
    while (!held.isEmpty()) {
        keySender().KeyUp(held.last());
        held.removeLast();
    }
    clipboardKeeper.PasteSent();
    holdPasteSent = true;
    if (!holdReleased)
        holdLimit.start(kHoldLimitMs);
    pendingReplay = earlyKeys;
}

void ExpansionEngine::FinishPaste()
{
    clipboardKeeper.WaitUntilDelivered();
    ReleaseHeldKeys(pendingReplay);
}

bool ExpansionEngine::UpdateBuffer(int virtualKey, bool pressed, bool endsWord)
{
    if (!pressed)
        return false;
    if (ctrlDown || altDown) {
        // Ctrl+A, Ctrl+X, Ctrl+V, Ctrl+Z, Ctrl+Backspace...: the text or the
        // caret may have changed in ways the buffer cannot follow.
        if (!IsModifierKey(virtualKey))
            Reset();
        return false;
    }
    if (virtualKey == VkInsert) {
        // Shift+Insert pastes; Insert alone changes how typing acts.
        Reset();
        return false;
    }
    if (endsWord) {
        // The next word starts after the delimiter, expanded or not.
        Reset();
        return false;
    }
    const QString typed = TypedBy(virtualKey);
    bool appended = false;
    // A secret is not kept, not even its first letters; nor what is typed
    // where the user wants no expansion.
    if (!typed.isEmpty() && (!typedText.isEmpty() || (!desktop.SecureInputActive() && !ExcludedHere()))) {
        if (typedText.isEmpty())
            bufferWindow = desktop.ForegroundWindow();
        typedText += typed;
        if (CharacterCount(typedText) > kMaxTypedLength)
            typedText = LastCharacters(typedText, kMaxTypedLength);
        appended = true;
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
    return appended && virtualKey != VkBackspace && virtualKey != VkEscape;
}

bool ExpansionEngine::ExcludedHere()
{
    const QList<AppRule>& rules = optMgr.ExcludeRules();
    if (rules.isEmpty())
        return false;
    const Desktop::WindowId window = desktop.ForegroundWindow();
    if (window != exclusion.window || optMgr.RulesGeneration() != exclusion.rulesGeneration) {
        exclusion.window = window;
        exclusion.rulesGeneration = optMgr.RulesGeneration();
        exclusion.classes = window ? desktop.WindowClass(window) : QStringList();
        exclusion.excludedByClass = std::any_of(rules.begin(), rules.end(), [this](const AppRule& rule) {
            return !rule.IsTitlePattern() && rule.Matches(exclusion.classes, QString());
        });
    }
    if (exclusion.excludedByClass)
        return true;
    // A window's title changes with what it shows (a document, a web page).
    const bool titleRules =
        std::any_of(rules.begin(), rules.end(), [](const AppRule& rule) { return rule.IsTitlePattern(); });
    if (!titleRules || !window)
        return false;
    const QString title = desktop.WindowTitle(window);
    return std::any_of(rules.begin(), rules.end(), [&](const AppRule& rule) {
        return rule.IsTitlePattern() && rule.Matches(exclusion.classes, title);
    });
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

bool ExpansionEngine::HoldKeys()
{
    earlyKeys.clear();
    earlyCharacters = 0;
    earlyCommand = false;
    if (!holdReleased || holdPhase != HoldPhase::None || !keyOutput.HoldUserKeys())
        return true;
    holdReleased = false;
    holdPasteSent = false;
    holdMarkWait.stop();
    holdPhase = HoldPhase::AwaitingStart;
    // Until the monitor's mark arrives, key events it reports reached the
    // application before the hold.
    QEventLoop wait;
    holdStartWait = &wait;
    QTimer::singleShot(kHoldMarkWaitMs, &wait, &QEventLoop::quit);
    if (holdPhase == HoldPhase::AwaitingStart)
        wait.exec();
    holdStartWait = nullptr;
    if (holdPhase == HoldPhase::AwaitingStart) {
        // No mark (a monitor that cannot tell): nothing is known to be early.
        holdPhase = HoldPhase::Held;
        earlyKeys.clear();
        earlyCharacters = 0;
    }
    return !earlyCommand;
}

void ExpansionEngine::NoteEarlyKey(int virtualKey, qintptr lParam)
{
    const bool pressed = (lParam & KeyboardHook::kReleasedFlag) == 0;
    earlyKeys.append({KeyboardHook::KeycodeOf(lParam), pressed});
    if (!pressed || virtualKey == VkShift || virtualKey == VkControl || virtualKey == VkAlt)
        return;
    if (virtualKey == VkBackspace) {
        // Past the early characters it erases the trigger or the
        // abbreviation, which the Backspaces would then miss.
        if (--earlyCharacters < 0)
            earlyCommand = true;
        return;
    }
    hookFlags = lParam;
    const bool typesText = !TypedBy(virtualKey).isEmpty();
    hookFlags = 0;
    if (ctrlDown || altDown)
        earlyCommand = true;
    else if (typesText || virtualKey == VkSpace || virtualKey == VkTab || virtualKey == VkEnter)
        ++earlyCharacters;
    else
        earlyCommand = true; // an arrow, Delete, Escape...: where the caret is, is unknown
}

void ExpansionEngine::ReleaseHeldKeys(KeyOutput::RawKeys replayFirst)
{
    if (holdReleased)
        return;
    holdReleased = true;
    holdLimit.stop();
    pendingReplay.clear();
    // Our answer to the program's request for the paste may still wait in
    // the toolkit's buffer: it must reach the program before the held keys.
    QGuiApplication::sync();
    try {
        keyOutput.ReleaseUserKeys(replayFirst);
    } catch (const std::exception&) {
    }
    holdMarkWait.start(kHoldMarkWaitMs);
}

void ExpansionEngine::ProcessEvents(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}
