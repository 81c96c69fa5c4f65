// Keyboard use of the controls: who takes the focus, the ring that shows it,
// and what Space and Enter do.
#include "QKControlTest.h"

#include "controls/FocusRing.h"
#include "controls/QKAddButton.h"
#include "controls/QKCheck.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKLabel.h"
#include "controls/QKLineEdit.h"
#include "controls/QKRatio.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKTab.h"
#include "controls/QKVScroll.h"
#include "controls/TipText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>

namespace {

class KeyboardControls : public QKControlTest
{
protected:
    QList<QKUserControl*> ActingControls()
    {
        return {Make<QKCommonButton>("QKCommonButton", "b"), Make<QKAddButton>("QKAddButton", "a"),
                Make<QKFunctionButton>("QKFunctionButton", "f"), Make<QKEditButton>("QKEditButton", "e"),
                Make<QKDelButton>("QKDelButton", "d"),       Make<QKCloseButton>("QKCloseButton", "x"),
                Make<QKCheck>("QKCheck", "c"),               Make<QKRatio>("QKRatio", "r"),
                Make<QKCombo>("QKCombo", "o"),               Make<QKTab>("QKTab", "t"),
                Make<QKVScroll>("QKVScroll", "s")};
    }
    static void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(KeyboardControls, EveryActingControlIsReachedByTabButNotByAClick)
{
    for (QKUserControl* control : ActingControls()) {
        EXPECT_EQ(control->focusPolicy(), Qt::TabFocus) << control->ProgId().toStdString();
        EXPECT_FALSE(FocusRing::Showing(control));
    }
    // A click leaves the focus where it was.
    auto* field = Make<QKSnippetEditWin>("QKSnippetEditWin", "field");
    auto* button = Make<QKCommonButton>("QKCommonButton", "button2");
    field->TextBox()->setFocus();
    ClickAt(button, QPoint(5, 5));
    EXPECT_TRUE(field->TextBox()->hasFocus());
}

TEST_F(KeyboardControls, TheRingShowsOnlyOnTheFocusedControlAndOnlyForTheKeyboard)
{
    auto* check = Make<QKCheck>("QKCheck", "check");
    auto* button = Make<QKCommonButton>("QKCommonButton", "button");
    button->SetText("Save");
    QCoreApplication::processEvents();
    const QImage plain = button->grab().toImage();

    button->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_TRUE(FocusRing::Showing(button));
    EXPECT_FALSE(FocusRing::Showing(check));
    EXPECT_NE(button->grab().toImage(), plain);

    check->setFocus(Qt::BacktabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_FALSE(FocusRing::Showing(button));
    EXPECT_TRUE(FocusRing::Showing(check));
    // Unfocused, the button is drawn exactly as before it ever had the focus.
    EXPECT_EQ(button->grab().toImage(), plain);

    // Focus a mouse gave shows no ring until a key is pressed there.
    button->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(FocusRing::Showing(button));
    Key(button, Qt::Key_Shift);
    EXPECT_TRUE(FocusRing::Showing(button));
}

TEST_F(KeyboardControls, SpaceAndEnterActAsAClickDoes)
{
    auto* button = Make<QKCommonButton>("QKCommonButton", "button");
    auto* close = Make<QKCloseButton>("QKCloseButton", "close");
    auto* del = Make<QKDelButton>("QKDelButton", "del");
    int buttonClicks = 0, closeClicks = 0, delClicks = 0;
    QObject::connect(button, &QKCommonButton::Click, [&] { ++buttonClicks; });
    QObject::connect(close, &QKCloseButton::Click, [&] { ++closeClicks; });
    QObject::connect(del, &QKDelButton::Click, [&] { ++delClicks; });
    button->setFocus(Qt::TabFocusReason);
    Key(button, Qt::Key_Space);
    Key(button, Qt::Key_Return);
    Key(button, Qt::Key_Enter);
    Key(button, Qt::Key_A);
    EXPECT_EQ(buttonClicks, 3);
    close->setFocus(Qt::TabFocusReason);
    Key(close, Qt::Key_Space);
    EXPECT_EQ(closeClicks, 1);
    EXPECT_EQ(close->CurrentLook(), 0); // pressed and released again
    // A disabled delete button is passed over by Tab and does nothing.
    del->SetEnable(false);
    EXPECT_EQ(del->focusPolicy(), Qt::NoFocus);
    Key(del, Qt::Key_Space);
    EXPECT_EQ(delClicks, 0);
    del->SetEnable(true);
    EXPECT_EQ(del->focusPolicy(), Qt::TabFocus);

    auto* check = Make<QKCheck>("QKCheck", "check");
    int checkClicks = 0;
    QObject::connect(check, &QKCheck::Click, [&] { ++checkClicks; });
    check->setFocus(Qt::TabFocusReason);
    Key(check, Qt::Key_Space);
    EXPECT_EQ(check->Value(), 1);
    Key(check, Qt::Key_Return);
    EXPECT_EQ(check->Value(), 0);
    EXPECT_EQ(checkClicks, 2);

    auto* radio = Make<QKRatio>("QKRatio", "radio");
    int radioClicks = 0;
    QObject::connect(radio, &QKRatio::Click, [&] { ++radioClicks; });
    radio->setFocus(Qt::TabFocusReason);
    Key(radio, Qt::Key_Space);
    EXPECT_TRUE(radio->Value());
    EXPECT_EQ(radioClicks, 1);
}

TEST_F(KeyboardControls, TheTabStripChoosesWithTheArrowsAndTheListOpensOnTheCurrentChoice)
{
    auto* tabs = Make<QKTab>("QKTab", "tabs");
    QList<int> reported;
    QObject::connect(tabs, &QKTab::TabClick, [&](qint16& tab) { reported << tab; });
    tabs->setFocus(Qt::TabFocusReason);
    Key(tabs, Qt::Key_Right);
    Key(tabs, Qt::Key_Right);
    Key(tabs, Qt::Key_Right); // wraps round
    Key(tabs, Qt::Key_Left);
    Key(tabs, Qt::Key_End);
    EXPECT_EQ(reported, (QList<int>{2, 3, 1, 3, 3}));
    EXPECT_EQ(tabs->SelectedTab(), 3);

    auto* combo = Make<QKCombo>("QKCombo", "combo");
    combo->AddItem("F1");
    combo->AddItem("F2");
    combo->SetText("F2");
    int picked = 0;
    QObject::connect(combo, &QKCombo::Click, [&] { ++picked; });
    combo->setFocus(Qt::TabFocusReason);
    Key(combo, Qt::Key_Space);
    ASSERT_TRUE(combo->PopupMenu()->isVisible());
    ASSERT_NE(combo->PopupMenu()->activeAction(), nullptr);
    EXPECT_EQ(combo->PopupMenu()->activeAction()->text(), "F2");
    Key(combo->PopupMenu(), Qt::Key_Up);
    Key(combo->PopupMenu(), Qt::Key_Return);
    EXPECT_EQ(combo->Text(), "F1");
    EXPECT_EQ(picked, 1);
}

TEST_F(KeyboardControls, TabLeavesTheContentFieldAndCtrlTabTypesATab)
{
    auto* content = Make<QKContentEditWin>("QKContentEditWin", "content");
    auto* after = Make<QKCommonButton>("QKCommonButton", "after");
    QWidget::setTabOrder(content->TextBox(), after);
    content->SetText("a");
    content->TextBox()->setFocus();
    content->TextBox()->moveCursor(QTextCursor::End);
    Key(content->TextBox(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(content->Text(), "a\t");
    Key(content->TextBox(), Qt::Key_Tab);
    EXPECT_EQ(content->Text(), "a\t");
    EXPECT_TRUE(after->hasFocus());
}

TEST_F(KeyboardControls, TheAbbreviationFieldDropsWhitespaceFromPastesAndSetText)
{
    auto* abbr = Make<QKSnippetEditWin>("QKSnippetEditWin", "abbr");
    abbr->SetText(" s i\tg\r\n");
    EXPECT_EQ(abbr->Text(), "sig");
    EXPECT_EQ(abbr->RememberedText(), "sig");

    const auto paste = [&](const QString& clip) {
        QGuiApplication::clipboard()->setText(clip);
        QKeyEvent pasteKey(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
        abbr->TextBox()->setFocus();
        QApplication::sendEvent(abbr->TextBox(), &pasteKey);
    };
    abbr->SetText(QString());
    paste("x\ny");
    EXPECT_EQ(abbr->Text(), "xy");
    EXPECT_EQ(abbr->TextBox()->cursorPosition(), 2);
    // Pasted in the middle, the caret stays after what was pasted.
    abbr->TextBox()->setCursorPosition(1);
    paste(" a\u00a0b ");
    EXPECT_EQ(abbr->Text(), "xaby");
    EXPECT_EQ(abbr->TextBox()->cursorPosition(), 3);
    // The ten-character cut keeps characters, not the gaps between them.
    abbr->SetText(QString());
    paste("1 2 3 4 5 6 7 8 9 0 1 2");
    EXPECT_EQ(abbr->Text(), "1234567890");
    // A typed space still shows until its key goes up, as before.
    abbr->SetText("ab");
    abbr->TextBox()->end(false);
    QTest::keyPress(abbr->TextBox(), Qt::Key_Space, {}, 0);
    EXPECT_EQ(abbr->Text(), "ab ");
    QTest::keyRelease(abbr->TextBox(), Qt::Key_Space, {}, 0);
    EXPECT_EQ(abbr->Text(), "ab");
}

TEST(TipTextTest, LongTextsAreCutToAReadableTip)
{
    EXPECT_EQ(TipText::Capped("Best regards"), "Best regards");
    EXPECT_EQ(TipText::Capped("a\r\nb\rc"), "a\nb\nc");

    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many << QString("line %1").arg(i);
    const QStringList lines = TipText::Capped(many.join('\n')).split('\n');
    ASSERT_EQ(lines.size(), TipText::kMaxLines + 1);
    EXPECT_EQ(lines.first(), "line 0");
    EXPECT_EQ(lines[TipText::kMaxLines - 1], QString("line %1").arg(TipText::kMaxLines - 1));
    EXPECT_EQ(lines.last(), QString(TipText::kEllipsis));

    const QString wide = TipText::Capped(QString(5000, 'w'));
    EXPECT_EQ(wide.size(), +TipText::kMaxLineCharacters);
    EXPECT_TRUE(wide.endsWith(TipText::kEllipsis));
    EXPECT_EQ(TipText::Capped(QString(TipText::kMaxLineCharacters, 'w')), QString(TipText::kMaxLineCharacters, 'w'));
}

TEST_F(KeyboardControls, ContentTipsShowACappedTip)
{
    auto* tip = Make<QKContentTip>("QKContentTip", "tip");
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many << "x";
    tip->SetText(many.join('\n'));
    EXPECT_EQ(tip->Text(), many.join('\n')); // the text itself is whole
    auto* label = tip->findChild<QKLabel*>("lblCaption");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toolTip().count('\n'), +TipText::kMaxLines);
}
