// The snippet picker driven from the keyboard alone, over a main window on
// fakes with the real store: the hot key opens it, typing filters, the
// arrows move, Enter pastes the chosen snippet, Escape closes.
#include "UiTestSupport.h"
#include "ui/SnippetPicker.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QListView>

namespace {

class Picker : public SettingsWindow
{
protected:
    SnippetPicker* Window() { return static_cast<SnippetPicker*>(shell.form->formPicker.data()); }
    void PressHotKey()
    {
        shell.Press(ExpansionEngine::VkControl);
        shell.Press(ExpansionEngine::VkAlt);
        shell.Tap(ExpansionEngine::VkSpace);
        shell.Release(ExpansionEngine::VkAlt);
        shell.Release(ExpansionEngine::VkControl);
        Pump();
    }
    // Keys as the user types them: to whatever has the keyboard.
    void Keys(const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::KeyAction::Click, QApplication::focusWidget(), Qt::Key_unknown, c,
                                Qt::NoModifier);
        Pump();
    }
    void Key(Qt::Key key)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        Pump();
    }
};

} // namespace

TEST_F(Picker, KeyboardAloneFindsMovesInsertsAndCloses)
{
    Snippet greeting;
    greeting.snippetString = "pr";
    greeting.contentString = "Hello";
    greeting.desString = "Привет по-русски";
    shell.form->snippetMgr.CommitSnippet(greeting);

    // The hot key after a word: the picker opens, nothing is expanded.
    shell.Type("sig");
    PressHotKey();
    ASSERT_NE(Window(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    EXPECT_TRUE(shell.Sent().isEmpty()) << shell.Sent().join(' ').toStdString();
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->window(), Window());
    EXPECT_EQ(QApplication::focusWidget()->accessibleName(), "Search snippets");
    EXPECT_EQ(Window()->ListedCount(), 5);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Window()->findChild<QListView*>());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), "Snippets");

    // Abbreviation, content and description, case folded in any script.
    Keys("REGARDS");
    EXPECT_EQ(Window()->ListedCount(), 1);
    EXPECT_EQ(Window()->Current()->snippetString, "sig");
    for (int i = 0; i < 7; ++i)
        Key(Qt::Key_Backspace);
    EXPECT_EQ(Window()->FilterText(), "");
    Keys("ПРИВЕТ");
    ASSERT_EQ(Window()->ListedCount(), 1);
    EXPECT_EQ(Window()->Current()->snippetString, "pr");
    for (int i = 0; i < 6; ++i)
        Key(Qt::Key_Backspace);
    Keys("t");
    const int listed = Window()->ListedCount(); // sig, today, addr, ty
    EXPECT_EQ(listed, 4);
    EXPECT_EQ(Window()->Current()->snippetString, "sig");
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Up);
    EXPECT_EQ(Window()->Current()->snippetString, "today");
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Window()->Current()->snippetString, "ty");
    Key(Qt::Key_Down); // stays on the last row
    EXPECT_EQ(Window()->Current()->snippetString, "ty");

    // Escape closes without a key sent.
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_TRUE(shell.Sent().isEmpty());

    // Opened again it starts afresh; Enter pastes, erasing nothing.
    PressHotKey();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    EXPECT_EQ(Window()->FilterText(), "");
    Keys("thank");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_EQ(shell.Sent(), QStringList({"down 17", "down 86", "up 86", "up 17"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Thank you!");
    EXPECT_EQ(shell.form->optMgr.SniExp(), 1);

    // Enter with nothing listed does nothing.
    PressHotKey();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    Keys("nothing like this");
    EXPECT_EQ(Window()->ListedCount(), 0);
    Key(Qt::Key_Enter);
    EXPECT_TRUE(Window()->isVisible());
    Key(Qt::Key_Escape);
}
