#include "FakeClipboardAccess.h"
#include "app/FormMsg.h"
#include "ShellTestSupport.h"
#include "app/KeyToChar.h"
#include "app/TransientMimeData.h"
#include "settings/IniFile.h"

#include <QClipboard>
#include <QMimeData>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
constexpr int kSpace = 32, kTab = 9, kEnter = 13, kBackspace = 8, kEscape = 27;
constexpr int kShift = 16, kCtrl = 17, kAlt = 18, kF12 = 123;
constexpr int kHoldEndSlackMs = 100;
} // namespace

TEST(Engine, AutomaticModeExpandsOnSpaceTabAndEnter)
{
    for (int trigger : {kSpace, kTab, kEnter}) {
        Shell s;
        s.Type("sig");
        EXPECT_EQ(s.engine().typedText, "sig");
        s.Tap(trigger);
        EXPECT_EQ(s.Sent(), ExpansionKeys(3)) << trigger;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "Best regards");
        EXPECT_EQ(s.form->optMgr.SniExp(), 1);
        EXPECT_EQ(s.form->optMgr.ChrSav(), 12 - 3);
        EXPECT_EQ(s.engine().typedText, "");
        EXPECT_TRUE(s.engine().engineReady);
        EXPECT_FALSE(s.form->Timer1.isActive());
    }
}

TEST(Engine, OnlyTheWholeBufferWithTheSameCaseExpands)
{
    Shell s;
    for (const char* typed : {"xsig", "Sig", "SIG", "si"}) {
        s.Type(typed);
        s.Tap(kSpace);
        EXPECT_TRUE(s.Sent().isEmpty()) << typed;
        EXPECT_EQ(s.engine().typedText, "") << "a failed trigger resets the buffer";
    }
    EXPECT_EQ(s.form->optMgr.SniExp(), 0);
}

TEST(Engine, TheBufferKeepsTheLastTenCharacters)
{
    Shell s;
    s.form->snippetMgr.CommitSnippet([] {
        Snippet eleven;
        eleven.snippetString = "abcdefghijk";
        eleven.contentString = "never";
        return eleven;
    }());
    s.Type("abcdefghijkl");
    EXPECT_EQ(s.engine().typedText, "cdefghijkl");
    s.Type("abcdefghijk");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
}

TEST(Engine, BackspaceEditsTheBufferAndModifiedKeysAreNotCollected)
{
    Shell s;
    s.Type("si");
    s.Tap(kBackspace);
    EXPECT_EQ(s.engine().typedText, "s");
    s.Type("ig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));

    s.keys.Clear();
    s.Type("s");
    s.Tap(kBackspace);
    EXPECT_EQ(s.engine().typedText, "");

    s.Press(kCtrl);
    s.Tap('C');
    s.Release(kCtrl);
    s.Press(kAlt);
    s.Tap('F');
    s.Release(kAlt);
    EXPECT_EQ(s.engine().typedText, "");

    s.Type("Sig");
    s.Tap(kEscape);
    EXPECT_EQ(s.engine().typedText, "");
    EXPECT_TRUE(s.Sent().isEmpty());
}

TEST(Engine, ShortcutsThatMayChangeTheTextForgetWhatWasTyped)
{
    constexpr int kInsert = 45;
    const std::pair<int, int> shortcuts[] = {{kCtrl, 'A'}, {kCtrl, 'X'}, {kCtrl, 'V'}, {kCtrl, 'Z'},
                                             {kCtrl, kBackspace}, {kAlt, 'B'}, {kShift, kInsert}};
    for (const auto& [modifier, key] : shortcuts) {
        Shell s;
        // "si", the shortcut (the field is now something else), then "g":
        // "sig" was never typed where the Backspaces would go.
        s.Type("si");
        s.Press(modifier);
        s.Tap(key);
        s.Release(modifier);
        s.Type("g");
        s.Tap(kSpace);
        EXPECT_TRUE(s.Sent().isEmpty()) << modifier << "+" << key;
    }
}

TEST(Engine, HotKeyModeExpandsOnShiftPlusTheExpandKeyOnly)
{
    Shell s;
    s.form->optMgr.SetExpandWhen("hand");
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(s.engine().typedText, "") << "a delimiter ends the word";

    // The user still holds Shift when the paste is due: the engine lets it
    // go first, or the application would see Ctrl+Shift+V.
    QStringList withShiftReleased = ExpansionKeys(3);
    withShiftReleased.insert(withShiftReleased.indexOf("down 17"), "up 16");
    s.Type("sig");
    s.Press(kShift);
    s.Tap(kSpace);
    s.Release(kShift);
    EXPECT_EQ(s.Sent(), withShiftReleased);

    // A user who lets go in time gets a plain paste and no extra release.
    s.keys.Clear();
    s.form->optMgr.SetExpandKey("Enter");
    s.Type("sig");
    s.Press(kShift);
    QTimer::singleShot(10, [&] { s.hook.Release(kShift); });
    s.Tap(kEnter);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_FALSE(s.engine().shiftDown);
}

TEST(Engine, KeysTypedRightAfterTheTriggerAreHeldErasedOrLeftAlone)
{
    struct Case
    {
        const char* what;
        std::function<void(Shell&)> early; // reaches the program before the hold
        QStringList sent;
        QString released;
    };
    const Case cases[] = {
        {"nothing early", [](Shell&) {}, ExpansionKeys(3), "release 0"},
        // Erased with the abbreviation and sent again after the content.
        {"' m' early", [](Shell& s) { s.hook.Tap(kSpace); s.hook.Tap('M'); }, ExpansionKeys(3 + 2), "release 4"},
        // The engine cannot know where these left the caret or the text:
        // nothing is expanded and nothing sent again.
        {"an arrow", [](Shell& s) { s.hook.Tap(37); }, {}, "release 0"},
        {"Ctrl+Z", [](Shell& s) { s.hook.Press(kCtrl); s.hook.Tap('Z'); s.hook.Release(kCtrl); }, {}, "release 0"},
        {"Backspace over the trigger", [](Shell& s) { s.hook.Tap(kBackspace); }, {}, "release 0"},
        {"Backspace over the trigger, then a letter",
         [](Shell& s) {
             s.hook.Tap(kBackspace);
             s.hook.Tap('X');
         },
         {}, "release 0"},
    };
    for (const Case& c : cases) {
        Shell s;
        s.keys.hook = &s.hook;
        s.keys.holdable = true;
        s.keys.beforeHold = [&] { c.early(s); };
        s.Type("sig");
        s.Tap(kSpace);
        EXPECT_EQ(s.Sent(), c.sent) << c.what;
        // No program asks for the paste here: the hold ends by its limit.
        QTest::qWait(ExpansionEngine::kHoldLimitMs + kHoldEndSlackMs);
        EXPECT_EQ(s.keys.holds, QStringList({"hold", c.released})) << c.what;
        // Once the hold has ended, typing counts again.
        s.keys.beforeHold = nullptr;
        s.keys.Clear();
        s.Pump();
        s.Type("sig");
        s.Tap(kSpace);
        EXPECT_EQ(s.Sent(), ExpansionKeys(3)) << c.what;
        QTest::qWait(ExpansionEngine::kHoldLimitMs + kHoldEndSlackMs);
    }
}

TEST(Engine, MultiLineContentIsPastedWhole)
{
    Shell s;
    s.Type("addr");
    s.Tap(kEnter);
    EXPECT_EQ(s.Sent(), ExpansionKeys(4));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Quillo Street 1\n12345 Sampletown\nFreedonia");
}

TEST(Engine, CapsLockAndShiftDecideTheLetters)
{
    Shell s;
    s.desktop.capsLock = true;
    s.Type("SIG"); // Shift with Caps Lock types small letters
    EXPECT_EQ(s.engine().typedText, "sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));

    EXPECT_EQ(KeyToChar('A', false, false), "a");
    EXPECT_EQ(KeyToChar('A', true, false), "A");
    EXPECT_EQ(KeyToChar('A', false, true), "A");
    EXPECT_EQ(KeyToChar('A', true, true), "a");
    EXPECT_EQ(KeyToChar('1', true, false), "!");
    EXPECT_EQ(KeyToChar('0', true, false), ")");
    EXPECT_EQ(KeyToChar('0', false, true), "0");
    EXPECT_EQ(KeyToChar(186, false, false), ";");
    EXPECT_EQ(KeyToChar(222, true, false), "\"");
    EXPECT_EQ(KeyToChar(220, false, false), "\\");
    for (int other : {8, 9, 13, 16, 32, 37, 96, 112, 185, 193, 223})
        EXPECT_EQ(KeyToChar(other, false, false), "") << other;
}

TEST(Engine, TheBufferIsForgottenWhenTheUserMovesElsewhere)
{
    struct Move
    {
        const char* what;
        std::function<void(Shell&)> move;
    };
    const Move moves[] = {
        {"another window", [](Shell& s) { s.desktop.foreground = 2; }},
        {"an arrow key", [](Shell& s) { s.Tap(37); }},
        {"Home", [](Shell& s) { s.Tap(36); }},
        {"a left click", [](Shell& s) { s.Tap(1); }},
        {"a right click", [](Shell& s) { s.Tap(2); }},
    };
    for (const Move& m : moves) {
        Shell s;
        s.Type("si");
        m.move(s);
        s.Type("g");
        s.Tap(kSpace);
        EXPECT_TRUE(s.Sent().isEmpty()) << m.what;
    }
    // Staying in the window keeps the buffer.
    Shell s;
    s.Type("si");
    s.Tap(kShift);
    s.Type("g");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
}

TEST(Engine, ShiftAltSwitchKeyTogglesOncePerLock)
{
    Shell s;
    ASSERT_TRUE(s.form->optMgr.EnableQK());
    s.Press(kShift);
    s.Press(kAlt);
    s.Press(kF12);
    EXPECT_FALSE(s.form->optMgr.EnableQK());
    EXPECT_FALSE(s.form->menu_enableQK->isChecked());
    s.Press(kF12); // auto-repeat while the lock holds
    EXPECT_FALSE(s.form->optMgr.EnableQK());
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "EnableQK"), "False");

    QTRY_VERIFY_WITH_TIMEOUT(!s.engine().switchLocked, 5000);
    s.Type("si"); // collected even while disabled (modifiers are held: not collected)
    s.Press(kF12);
    EXPECT_TRUE(s.form->optMgr.EnableQK());
    EXPECT_EQ(s.engine().typedText, "");
    s.Release(kF12);
    s.Release(kAlt);
    s.Release(kShift);

    // Disabled: the buffer is kept but nothing expands.
    s.form->optMgr.SetEnableQK(false);
    s.Type("sig");
    EXPECT_EQ(s.engine().typedText, "sig");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
}

TEST(Engine, NothingIsCollectedInTheSettingsWindow)
{
    Shell s;
    QWidget settings;
    s.form->formSetting = &settings;
    s.form->settingsLoaded = true;
    s.desktop.foreground = settings.winId();
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(s.engine().typedText, "");
    // The enable/disable hot key still works there.
    s.Press(kShift);
    s.Press(kAlt);
    s.Tap(kF12);
    EXPECT_FALSE(s.form->optMgr.EnableQK());
}

TEST(Engine, NothingTypedIntoAPasswordFieldIsKeptListedOrExpanded)
{
    Shell s;
    s.desktop.secureInput = true;
    s.Type("si");
    EXPECT_EQ(s.engine().typedText, "");
    EXPECT_FALSE(s.form->Timer1.isActive()) << "no list is due";
    s.Type("g ");
    EXPECT_TRUE(s.Sent().isEmpty());

    // The focus moved into the field after the word began: the list's next
    // look forgets the word, and the trigger sends nothing.
    s.desktop.secureInput = false;
    s.Type("si");
    s.desktop.secureInput = true;
    s.form->formMsg->Timer1Tick(*s.form);
    EXPECT_EQ(s.engine().typedText, "");
    EXPECT_TRUE(s.form->formMsg->IsParked());
    s.desktop.secureInput = false;
    s.Type("sig");
    s.desktop.secureInput = true;
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(s.form->optMgr.SniExp(), 0);

    // Out of the field, words expand again.
    s.desktop.secureInput = false;
    s.Type("sig ");
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
}

TEST(Engine, ItsOwnKeysComingBackDoNotStartASecondExpansion)
{
    Shell s;
    s.keys.hook = &s.hook;
    s.Type("ty");
    s.Tap(kSpace);
    for (int i = 0; i < 5; ++i)
        Shell::Pump();
    EXPECT_EQ(s.Sent(), ExpansionKeys(2));
    EXPECT_TRUE(s.engine().engineReady);
    EXPECT_EQ(s.form->optMgr.SniExp(), 1);
}

TEST(Engine, TheSoundPlaysWhenEnabled)
{
    Shell s(false);
    QDir(s.folder.Path()).mkdir("wav");
    QFile wav(s.folder.File("wav/type.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write("RIFF-not-really");
    wav.close();
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(s.engine().soundData, QByteArray("RIFF-not-really") + '\0');
    s.Type("sig");
    s.Tap(kSpace);
    ASSERT_EQ(s.sound.played.size(), 1);
    EXPECT_EQ(s.sound.played[0], s.engine().soundData);

    s.form->optMgr.SetEnablePlaySound(false);
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.sound.played.size(), 1);
}

TEST(Engine, AFailingKeyOutputLeavesNoKeyHeldAndTheEngineReady)
{
    Shell s;
    s.keys.SetKeyDownLimit(5); // refuses the V after Ctrl went down
    s.Type("ty");
    s.Tap(kSpace);
    EXPECT_TRUE(s.keys.HeldKeys().empty());
    EXPECT_TRUE(s.engine().engineReady);
    EXPECT_EQ(s.engine().typedText, "");
}

namespace {
// The keys of the United States layout under the characters a German or a
// Russian layout types on them, as the keyboard monitor reports them.
struct TypedKey
{
    int virtualKey;
    char32_t character;
};

void TypeKeys(Shell& s, std::initializer_list<TypedKey> keys)
{
    for (const TypedKey& key : keys) {
        s.hook.PressTyped(key.virtualKey, key.character);
        Shell::Pump();
        s.Release(key.virtualKey);
    }
}

void AddSnippet(Shell& s, const QString& abbreviation, const QString& content)
{
    Snippet snippet;
    snippet.snippetString = abbreviation;
    snippet.contentString = content;
    s.form->snippetMgr.CommitSnippet(snippet);
}

constexpr int kAltGr = 165, kDeadKey = 192;
} // namespace

TEST(Engine, TheBufferHoldsWhatTheActiveLayoutTyped)
{
    Shell s;
    AddSnippet(s, QString::fromUtf8("grüß"), QString::fromUtf8("Viele Grüße"));
    AddSnippet(s, "/mfg", "Mit freundlichen Grüßen");
    AddSnippet(s, QString::fromUtf8("ышп"), QString::fromUtf8("С уважением"));

    // German: ü and ß sit where the US layout has ; and -, Shift+7 is /.
    TypeKeys(s, {{'G', U'g'}, {'R', U'r'}, {186, U'ü'}, {189, U'ß'}});
    EXPECT_EQ(s.engine().typedText, QString::fromUtf8("grüß"));
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(4)) << "one Backspace per character typed, and the trigger";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Viele Grüße"));

    s.keys.Clear();
    s.Press(kShift);
    TypeKeys(s, {{'7', U'/'}});
    s.Release(kShift);
    TypeKeys(s, {{'M', U'm'}, {'F', U'f'}, {'G', U'g'}});
    EXPECT_EQ(s.engine().typedText, "/mfg");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(4));

    // Russian on the keys of s, i, g: that is not 'sig'.
    s.keys.Clear();
    TypeKeys(s, {{'S', U'ы'}, {'I', U'ш'}, {'G', U'п'}});
    EXPECT_EQ(s.engine().typedText, QString::fromUtf8("ышп"));
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("С уважением"));
}

TEST(Engine, AltGrDeadKeysAndLayoutSwitches)
{
    Shell s;
    // AltGr levels are text; Alt and Ctrl make commands, which forget the word.
    s.Press(kAltGr);
    TypeKeys(s, {{'Q', U'@'}});
    s.Release(kAltGr);
    EXPECT_EQ(s.engine().typedText, "@");
    s.Press(kAlt);
    TypeKeys(s, {{'F', 0}});
    s.Release(kAlt);
    EXPECT_EQ(s.engine().typedText, "");

    // A dead key types nothing until its letter composes with it.
    TypeKeys(s, {{'Q', U'@'}, {kDeadKey, 0}, {'E', U'é'}});
    EXPECT_EQ(s.engine().typedText, QString::fromUtf8("@é"));

    // A switch of layout forgets the buffer, keeping the key that follows.
    s.hook.PressTyped('G', U'п', true);
    Shell::Pump();
    s.Release('G');
    EXPECT_EQ(s.engine().typedText, QString::fromUtf8("п"));

    // A character outside the Basic Multilingual Plane is one character.
    TypeKeys(s, {{'A', U'𝔸'}});
    s.Tap(kBackspace);
    EXPECT_EQ(s.engine().typedText, QString::fromUtf8("п"));
    for (int i = 0; i < 12; ++i)
        TypeKeys(s, {{'A', U'𝔸'}});
    EXPECT_EQ(s.engine().typedText.size(), 20) << "ten characters of two UTF-16 units each";
}

TEST(Engine, TerminalsGetTheirOwnPasteKeysOrTheContentTyped)
{
    Shell s;
    s.desktop.windowClass = QStringList{"xterm", "XTerm"};
    s.Type("sig");
    s.Tap(kSpace);
    QStringList shiftInsert = ExpansionKeys(3).mid(0, 8);
    shiftInsert << "down 16" << "down 45" << "up 45" << "up 16";
    EXPECT_EQ(s.Sent(), shiftInsert);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Best regards");

    // The user's table in settings.ini: this program wants the keys typed.
    s.keys.Clear();
    SetIniValue(s.folder.SettingsPath(), "PasteKeys", "XTerm", "Type");
    s.form->optMgr.LoadVars(s.folder.SettingsPath());
    s.Type("ty");
    s.Tap(kSpace);
    QStringList typed = ExpansionKeys(2).mid(0, 6);
    typed << "type Thank you!";
    EXPECT_EQ(s.Sent(), typed);
    EXPECT_TRUE(s.keys.HeldKeys().empty());
}

TEST(Engine, RestoreClipboardGivesBackEveryFormatOnceThePasteIsTaken)
{
    Shell s;
    auto* copied = new QMimeData;
    copied->setText("the user's copy");
    copied->setData("application/x-quillo-test", QByteArray("\x01\x02", 2));
    QGuiApplication::clipboard()->setMimeData(copied);

    // Off (the default): the content stays, marked for clipboard managers.
    s.Type("sig");
    s.Tap(kSpace);
    const QMimeData* placed = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(placed->text(), "Best regards");
    EXPECT_TRUE(placed->hasFormat(TransientMimeData::kTransientFormat));
    QTest::qWait(ClipboardKeeper::kRestoreAfterTakenMs * 2);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Best regards");

    copied = new QMimeData;
    copied->setText("the user's copy");
    copied->setData("application/x-quillo-test", QByteArray("\x01\x02", 2));
    QGuiApplication::clipboard()->setMimeData(copied);
    s.form->optMgr.SetRestoreClipboard(true);
    // Two expansions in a row: the copy from before the first comes back.
    for (const char* abbreviation : {"sig", "ty"}) {
        s.Type(abbreviation);
        s.Tap(kSpace);
        // The application fetches the pasted text.
        EXPECT_NE(QGuiApplication::clipboard()->text(), "the user's copy");
    }
    QTest::qWait(ClipboardKeeper::kRestoreAfterTakenMs * 3);
    const QMimeData* restored = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(restored->text(), "the user's copy");
    EXPECT_EQ(restored->data("application/x-quillo-test"), QByteArray("\x01\x02", 2));
    EXPECT_FALSE(restored->hasFormat(TransientMimeData::kTransientFormat));

    // A copy the user makes before the old content is back is never overwritten.
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Best regards");
    QGuiApplication::clipboard()->setText("copied meanwhile");
    QTest::qWait(ClipboardKeeper::kRestoreAfterTakenMs * 2);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied meanwhile");
}

TEST(Engine, AClipboardThatReachesNobodyWithoutFocusMakesTheContentTyped)
{
    Shell s;
    FakeClipboardAccess focusBound(false);
    s.engine().UseClipboard(&focusBound);
    s.Type("sig");
    s.Tap(kSpace);
    QStringList typed = ExpansionKeys(3).mid(0, 8);
    typed << "type Best regards";
    EXPECT_EQ(s.Sent(), typed);
    EXPECT_EQ(focusBound.sets, 0) << "nothing put where nobody would take it";
    EXPECT_TRUE(s.keys.HeldKeys().empty());
}

TEST(Engine, TheClipboardGivenIsTheOneUsedAndRestored)
{
    Shell s;
    FakeClipboardAccess compositor(true);
    s.engine().UseClipboard(&compositor);
    compositor.CopyElsewhere("the user's copy");
    s.form->optMgr.SetRestoreClipboard(true);
    const QString before = QGuiApplication::clipboard()->text();

    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3)) << "pasted with Ctrl+V";
    EXPECT_EQ(compositor.Request(), "Best regards") << "the editor takes the paste";
    EXPECT_TRUE(compositor.Content()->hasFormat(TransientMimeData::kTransientFormat));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), before) << "Qt's clipboard is left alone";
    QTest::qWait(ClipboardKeeper::kRestoreAfterTakenMs * 2);
    EXPECT_EQ(compositor.Content()->text(), "the user's copy");

    // The user copies something before ours is taken: theirs stays.
    s.Type("sig");
    s.Tap(kSpace);
    compositor.CopyElsewhere("copied meanwhile");
    QTest::qWait(ClipboardKeeper::kRestoreTimeoutMs + ClipboardKeeper::kRestoreAfterTakenMs);
    EXPECT_EQ(compositor.Content()->text(), "copied meanwhile");
}

TEST(Engine, TheClipboardChangesOnlyOnceTheProgramHasThePreviousPaste)
{
    Shell s;
    FakeClipboardAccess editor(true);
    s.engine().UseClipboard(&editor);
    Snippet thanks;
    thanks.snippetString = "ty";
    thanks.contentString = "Thank you!";
    s.form->snippetMgr.CommitSnippet(thanks);

    // A busy editor asks for the first paste, in two formats, only after the
    // second expansion has begun.
    QStringList pasted;
    s.Type("sig");
    s.Tap(kSpace);
    QTimer::singleShot(20, [&] { pasted << editor.Request(); });
    QTimer::singleShot(20 + ClipboardKeeper::kDeliverySettleMs / 2, [&] { pasted << editor.Request(); });
    s.Type("ty");
    s.Tap(kSpace);
    EXPECT_EQ(pasted, QStringList({"Best regards", "Best regards"}));
    EXPECT_EQ(editor.Content()->text(), "Thank you!");
    EXPECT_EQ(s.Sent(), ExpansionKeys(3) + ExpansionKeys(2)) << "both served, in order";
}

TEST(Engine, APasteTakenLateEndsNoLaterHold)
{
    Shell s;
    FakeClipboardAccess editor(true);
    s.engine().UseClipboard(&editor);
    s.keys.hook = &s.hook;
    s.keys.holdable = true;
    Snippet thanks;
    thanks.snippetString = "ty";
    thanks.contentString = "Thank you!";
    s.form->snippetMgr.CommitSnippet(thanks);

    // A busy editor: it looks at the formats of the first paste, the hold
    // ends by its limit, and the editor asks for the text only once the
    // second expansion holds the keys.
    s.Type("sig");
    s.Tap(kSpace);
    QTimer::singleShot(ExpansionEngine::kHoldLimitMs / 2, [&] { editor.Content()->formats(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.keys.holds.size() == 2; },
                                ExpansionEngine::kHoldLimitMs + kHoldEndSlackMs));
    QTimer::singleShot(kHoldEndSlackMs / 5, [&] { editor.Request(); });
    s.Type("ty");
    s.Tap(kSpace);
    EXPECT_EQ(s.keys.holds.join(", ").toStdString(), "hold, release 0, hold") << "held until its own paste is taken";
    editor.Request();
    s.Pump();
    EXPECT_EQ(s.keys.holds.join(", ").toStdString(), "hold, release 0, hold, release 0");
}

TEST(Engine, AStopDuringAnExpansionFinishesItFirst)
{
    Shell s;
    s.keys.holdable = true;
    s.keys.beforeHold = [&] { s.form->Quit(); };
    s.Type("sig");
    s.Tap(kSpace);
    QTest::qWait(ClipboardKeeper::kUnclaimedPasteMs + ClipboardKeeper::kDeliverySettleMs);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3)) << "the paste went out before the stop";
    EXPECT_FALSE(s.form->IsLoaded());
}

TEST(Engine, AProgramThatKeepsAskingDoesNotKeepTheUsersCopyAway)
{
    Shell s;
    FakeClipboardAccess compositor(true);
    s.engine().UseClipboard(&compositor);
    compositor.CopyElsewhere("the user's copy");
    s.form->optMgr.SetRestoreClipboard(true);
    s.Type("sig");
    s.Tap(kSpace);
    // A clipboard manager (or a script) reads the clipboard again and again.
    QTimer poll;
    poll.setInterval(ClipboardKeeper::kDeliverySettleMs / 4);
    QObject::connect(&poll, &QTimer::timeout, [&] { compositor.Request(); });
    poll.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return compositor.Content()->text() == "the user's copy"; },
                                ClipboardKeeper::kDeliveryAfterTakenLimitMs * 3));
}

TEST(Engine, NothingIsKeptListedOrExpandedInAnExcludedWindow)
{
    Shell s;
    s.desktop.windowClass = {"xterm", "XTerm"};
    s.desktop.title = "notes - Mousepad";
    ASSERT_TRUE(s.form->optMgr.AddExcludeRule("XTerm"));
    s.Type("si");
    EXPECT_EQ(s.engine().typedText, "");
    EXPECT_FALSE(s.form->Timer1.isActive()) << "no list is due";
    s.Type("g ");
    EXPECT_TRUE(s.Sent().isEmpty());

    // Another window, not excluded: words expand there.
    s.desktop.foreground = 2;
    s.desktop.windowClass = {"mousepad", "Mousepad"};
    s.Type("sig ");
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));

    // A title rule follows the title of the same window; a rule added while
    // a word was typed keeps that word from expanding.
    s.keys.Clear();
    ASSERT_TRUE(s.form->optMgr.AddExcludeRule("title:*secret*"));
    s.Type("sig");
    EXPECT_EQ(s.engine().typedText, "sig");
    s.desktop.title = "Secret plans - Mousepad";
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
    s.Type("sig");
    EXPECT_EQ(s.engine().typedText, "");

    ASSERT_TRUE(s.form->optMgr.RemoveExcludeRule("title:*Secret*"));
    s.Type("sig ");
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
}
