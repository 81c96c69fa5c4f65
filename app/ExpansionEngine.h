#pragma once

#include "app/ClipboardKeeper.h"
#include "app/PasteMethod.h"
#include "app/engine/ContentContext.h"
#include "platform/Desktop.h"
#include "platform/KeyOutput.h"
#include "store/Snippet.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class EngineHost;
class KeyOutput;
class OptionMgr;
class SnippetManager;
class SoundPlayer;
class cSendKeys;

// Watches every key event of the desktop, collects what is typed, and when
// the trigger follows an abbreviation, erases it with Backspaces and pastes
// the snippet's content through the clipboard.
//
// Pending events run in the middle of an expansion (the desktop must see the
// Backspaces before the paste), so key events arrive nested; engineReady
// keeps them from starting a second expansion.
class ExpansionEngine : public QObject
{
public:
    static constexpr int kMaxTypedLength = 10;
    // How long the enable/disable hot key stays locked after it took effect,
    // so that holding the keys flips the setting at most once in that time.
    static constexpr int kSwitchLockMs = 500;
    // Pending events processed after the sound, after each Backspace and
    // before the paste: the target application needs them to keep up.
    static constexpr int kEventRoundsAfterSound = 1;
    static constexpr int kEventRoundsAfterBackspace = 2;
    static constexpr int kEventRoundsBeforePaste = 3;
    // Ctrl+V pressed while the user still holds Shift or Alt (Shift is held
    // for the hot key) reaches the application as another command, and the
    // erased abbreviation would not be replaced. The engine waits this long
    // for the user to let go, looking every kModifierPollMs, then releases
    // the keys itself.
    static constexpr int kModifierReleaseWaitMs = 250;
    static constexpr int kModifierPollMs = 5;
    // Keys the user types from the trigger on are held until the program has
    // taken the paste (it asks for the clipboard), then sent on after the
    // content. A program that never asks holds them no longer than this. A
    // busy program may take a good part of a second to ask, and keys sent on
    // before it has would land before the content (toolkits that paste
    // asynchronously go on reading keys meanwhile).
    static constexpr int kHoldLimitMs = 1000;
    // The keyboard monitor marks where held keys end; should the mark not
    // come, keys count as the user's again after this long.
    static constexpr int kHoldMarkWaitMs = 1000;

    // Virtual keys the engine knows by number.
    enum Key {
        VkLeftButton = 1, VkRightButton = 2, VkMiddleButton = 4,
        VkBackspace = 8, VkTab = 9, VkEnter = 13, VkShift = 16, VkControl = 17, VkAlt = 18,
        VkEscape = 27, VkSpace = 32, VkPageUp = 33, VkPageDown = 34, VkEnd = 35, VkHome = 36,
        VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40, VkInsert = 45, VkV = 86,
    };

    ExpansionEngine(SnippetManager& snippetMgr, OptionMgr& optMgr, KeyOutput& keyOutput, Desktop& desktop,
                    SoundPlayer& sound, EngineHost& host);
    ~ExpansionEngine() override;

    // One key event of the hook. active is false while the user types in
    // Quillo's own settings window: then only modifiers and the
    // enable/disable hot key count.
    void HandleKey(int virtualKey, bool released, bool active);
    // One hook message as the keyboard monitor posts it: wParam the virtual
    // key, lParam the flags of KeyboardHook (release, the character typed in
    // the active layout, a change of layout).
    void HandleHookMessage(quintptr wParam, qintptr lParam, bool active);

    // Pastes the snippet's content, placeholders filled, into the window in
    // front, as an expansion does but erasing nothing (the snippet picker,
    // once the window has the focus back). False, nothing done, while an
    // expansion runs.
    bool InsertSnippet(const SnippetPtr& snippet);
    // The expansion of a snippet whose fill-in fields were answered, once
    // the window it was typed in has the keyboard back: erases what
    // backspaces covers and pastes the content followed by kept. False,
    // nothing done, while another expansion runs.
    // asTyped: the abbreviation as typed, for a snippet whose case follows it.
    bool InsertAnswered(const SnippetPtr& snippet, qsizetype backspaces, const QString& kept,
                        const QHash<QString, QString>& answers, const QString& asTyped = QString());

    // Clears the buffer, parks the suggestion list and stops its timer.
    void Reset();
    // Whether Backspace as the next key would take the last expansion back.
    bool UndoOffered() const { return undo.offered; }
    // Before the program ends: the last paste is delivered and the user's
    // held keys are given back (each at most a moment away).
    void FinishPaste();

    // The clipboard the content goes through (nullptr: Qt's).
    void UseClipboard(ClipboardAccess* access) { clipboardKeeper.UseClipboard(access); }

    // The key synthesiser, created on first use.
    cSendKeys& keySender();

    // Engine state; other parts of the program read it (the suggestion list
    // reads typedText and owns listedText).
    QString typedText;
    QString listedText;
    bool engineReady = true;
    bool shiftDown = false;
    bool ctrlDown = false;
    bool altDown = false;
    bool switchLocked = false;
    QByteArray soundData;
    QTimer TimerLock;

private:
    void ToggleExpansion();
    bool IsTrigger(int virtualKey) const;
    // Erases the abbreviation (and triggerCharacters keys typed after it)
    // and inserts the snippet's content followed by kept; a null snippet
    // only ends the word. The snippet is shared with the store's cache and
    // stays valid if the cache is rebuilt while events run.
    void Expand(SnippetPtr snippet, int triggerCharacters, const QString& kept);
    // After a character was added to the buffer: an Immediately snippet
    // that is the whole word expands at once.
    void ExpandIfImmediate();
    // The first candidate (they come in order of preference) allowed in the
    // window in front, or null.
    SnippetPtr Choose(const SnippetCollection& candidates) const;
    // The character a key press typed when it is one of the user's extra
    // delimiters, else "".
    QString DelimiterTyped(int virtualKey) const;
    // What a trigger key leaves after the content when the user keeps them.
    QString KeptTrigger(int virtualKey) const;
    // True when the key added a character to the buffer. endsWord: the key
    // typed a delimiter, which starts a new word.
    bool UpdateBuffer(int virtualKey, bool pressed, bool endsWord);
    // The paste of an expansion: the sound, the counters, the clipboard,
    // the Backspaces, the paste keys; kept follows the content.
    void Paste(const Snippet& snippet, qsizetype backspaces, const QElapsedTimer& clock,
               const QString& kept = QString(), const QHash<QString, QString>& answers = {});
    // What filling in the snippet's content may draw on: the user's
    // clipboard, the other snippets.
    ContentContext FillContext(const Snippet& snippet);
    // A snippet with fill-in fields: the host asks for them first and the
    // expansion happens once they are answered (nothing is held meanwhile:
    // the user types into the fields). False when nobody can ask.
    bool AskFieldsFirst(const SnippetPtr& snippet, qsizetype backspaces, const QString& kept);
    // What a key press adds to the buffer: the monitor's character when it
    // knows the layout, else the key on a United States layout.
    QString TypedBy(int virtualKey) const;
    // Forgets what was typed when the user moved elsewhere: another window, the
    // caret keys, a mouse click. Erasing there would delete the user's text.
    void ResetIfMovedElsewhere(int virtualKey);
    bool IsAutoMode() const;
    // Whether the window in front is one the user excluded: nothing typed
    // there is kept, listed or expanded.
    bool ExcludedHere();
    static void ProcessEvents(int rounds);
    void ReleaseModifiersForPaste();
    // After a paste: the Left presses that bring the caret to the content's
    // "[cursor]", if any are due.
    void MoveCaretBack();
    // By value: the engine passes its own pending list, which this clears.
    void ReleaseHeldKeys(KeyOutput::RawKeys replayFirst = {});
    // Holds the user's keys; false when nothing can be expanded as it
    // stands (the user erased or commanded something in the meantime).
    bool HoldKeys();
    void NoteEarlyKey(int virtualKey, qintptr lParam);
    void TrackModifier(int virtualKey, bool pressed);
    // After an expansion: Backspace as the very next key erases the content
    // and puts back what was typed; any other key, a click or another window
    // first ends the chance. True when the key took the expansion back.
    bool UndoOnBackspace(int virtualKey, bool pressed, bool active);
    void OfferUndo(const Snippet& snippet, const QString& asTyped);
    // Erases `backspaces` characters and inserts text in their place, as the
    // paste of an expansion does but without its sound, counters or placeholders.
    void PutBack(const QString& text, qsizetype backspaces);
    // The keys of both: the Backspaces, then the text typed or placed on the
    // clipboard and pasted with the method's keys; held collects our own
    // modifiers still down, for the caller to let go should a key fail.
    void EraseAndInsert(const QString& text, qsizetype backspaces, const PasteMethod& method, QList<int>& held);

    SnippetManager& snippetMgr;
    OptionMgr& optMgr;
    KeyOutput& keyOutput;
    Desktop& desktop;
    SoundPlayer& sound;
    EngineHost& host;
    std::unique_ptr<cSendKeys> sender;
    ClipboardKeeper clipboardKeeper;
    // A hold of the user's keys: until the monitor's first mark, key events
    // reached the program before the hold took effect (they are erased with
    // the abbreviation and sent again after the content); from it to the
    // second mark they were held and come again when replayed.
    enum class HoldPhase { None, AwaitingStart, Held };
    HoldPhase holdPhase = HoldPhase::None;
    bool holdReleased = true;
    // The paste of the expansion holding the keys has gone out: once its
    // program takes it, the hold ends. A late program taking an earlier
    // paste must not end a hold whose own paste is still to come.
    bool holdPasteSent = false;
    KeyOutput::RawKeys earlyKeys;
    int earlyCharacters = 0; // what the early keys typed in the program
    bool earlyCommand = false; // an early key the engine cannot undo (Ctrl+Z)
    QEventLoop* holdStartWait = nullptr;
    KeyOutput::RawKeys pendingReplay; // the early keys, until the hold ends
    qsizetype caretLefts = 0; // Left presses due once the program has the paste
    QTimer holdLimit;
    QTimer holdMarkWait;
    Desktop::WindowId bufferWindow = 0; // where the buffer's first character was typed
    // The answer of ExcludedHere for one window, kept while the rules stay:
    // its class does not change, so only title patterns are asked again.
    struct ExclusionCache
    {
        Desktop::WindowId window = 0;
        quint64 rulesGeneration = 0;
        QStringList classes;
        bool excludedByClass = false;
    };
    ExclusionCache exclusion;
    // The hook flags of the message being handled (0 for HandleKey alone).
    qintptr hookFlags = 0;
    // The character the trigger key typed (" ", a tab, a line break, a
    // delimiter), for the expansion under way; "" for none.
    QString triggerTyped;
    // The abbreviation as typed, for the expansion under way: the content
    // follows its case where the snippet says so.
    QString expansionTyped;
    // What the last paste put in; empty when it failed.
    QString lastInserted;
    struct UndoChance
    {
        bool offered = false;
        QString typed;              // the abbreviation as typed and the trigger's character
        qsizetype inserted = 0;     // the characters the paste put in, as the user sees them
        Desktop::WindowId window = 0;
    };
    UndoChance undo;
};
