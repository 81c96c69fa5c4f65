#include "QKControlTest.h"

#include "controls/PropertyBag.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKFilter.h"
#include "controls/QKLabel.h"
#include "controls/QKLineEdit.h"
#include "controls/QKPicture.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKSnippetTip.h"
#include "controls/QKText.h"
#include "controls/Twips.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {
QRectF TwipRect(const QWidget* w)
{
    return Twips::Geometry(w);
}

QKLineEdit* Box(QKTextBox* control)
{
    control->TextBox()->setFocus();
    return control->TextBox();
}
}

TEST_F(QKControlTest, TextFieldsClampAndSizeTheirTextBox)
{
    auto* text = Make<QKText>("QKText");
    text->Move(0, 0, 4000, 500);
    EXPECT_EQ(QSizeF(text->Width(), text->Height()), QSizeF(3000, 285));
    EXPECT_EQ(TwipRect(text->findChild<QKPicture*>("picLeft")).left(), 2940);
    EXPECT_EQ(TwipRect(text->TextBox()).width(), 2890);
    EXPECT_EQ(TwipRect(text->TextBox()).topLeft(), QPointF(45, 30));
    text->Move(0, 0, 100, 100);
    EXPECT_EQ(text->Width(), 600);
    EXPECT_EQ(text->Height(), 100);

    auto* filter = Make<QKFilter>("QKFilter");
    filter->Move(0, 0, 2000, 330);
    filter->hide();
    filter->show();
    EXPECT_EQ(TwipRect(filter->TextBox()), QRectF(300, 75, 1590, TwipRect(filter->TextBox()).height()));
    EXPECT_EQ(filter->Height(), 330);
}

TEST_F(QKControlTest, KeyPressMayDiscardOrReplaceTheCharacter)
{
    auto* text = Make<QKText>("QKText");
    text->SetText(QString());
    QList<qint16> seen;
    QObject::connect(text, &QKTextBox::KeyPress, [&](qint16& keyAscii) {
        seen << keyAscii;
        if (keyAscii == 'x')
            keyAscii = 0;
        else if (keyAscii == 'a')
            keyAscii = 'A';
    });
    QTest::keyClicks(Box(text), "axb");
    QTest::keyClick(Box(text), Qt::Key_Return);
    EXPECT_EQ(text->Text(), "Ab");
    EXPECT_EQ(seen, QList<qint16>({'a', 'x', 'b', 13}));

    // A handler may turn a character into Backspace.
    QObject::disconnect(text, &QKTextBox::KeyPress, nullptr, nullptr);
    QObject::connect(text, &QKTextBox::KeyPress, [](qint16& keyAscii) {
        if (keyAscii == '-')
            keyAscii = 8;
    });
    QTest::keyClicks(Box(text), "-");
    EXPECT_EQ(text->Text(), "A");
}

TEST_F(QKControlTest, SnippetEditWinDropsSpacesOnTheirRelease)
{
    auto* abbr = Make<QKSnippetEditWin>("QKSnippetEditWin");
    abbr->SetText(QString());
    QTest::keyClicks(Box(abbr), "ab");
    QTest::keyPress(Box(abbr), Qt::Key_Space, {}, 0);
    EXPECT_EQ(abbr->Text(), "ab "); // typed, until the key goes up
    // Held Space repeats: the window system sends release/press pairs.
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(Box(abbr), &repeatUp);
    QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(Box(abbr), &repeatDown);
    EXPECT_EQ(abbr->Text(), "ab  ");
    QTest::keyRelease(Box(abbr), Qt::Key_Space, {}, 0);
    EXPECT_EQ(abbr->Text(), "ab");
    EXPECT_EQ(abbr->TextBox()->cursorPosition(), 2);
    QTest::keyClicks(Box(abbr), "c");
    EXPECT_EQ(abbr->Text(), "abc");

    // A Space as the first key keeps the text the window loaded.
    abbr->SetText("sig");
    abbr->TextBox()->setCursorPosition(1);
    QTest::keyClick(Box(abbr), Qt::Key_Space, {}, 0);
    EXPECT_EQ(abbr->Text(), "sig");
    EXPECT_EQ(abbr->TextBox()->cursorPosition(), 3);
}

TEST_F(QKControlTest, SnippetEditWinTakesAtMostTenTypedCharacters)
{
    auto* abbr = Make<QKSnippetEditWin>("QKSnippetEditWin");
    abbr->SetText(QString());
    QTest::keyClicks(Box(abbr), "abcdefghij");
    EXPECT_EQ(abbr->Text(), "abcdefghij");
    QTest::keyClicks(Box(abbr), "k");
    EXPECT_EQ(abbr->Text(), "abcdefghij");
    // Replacing a selection is still possible at the limit.
    abbr->TextBox()->setSelection(0, 1);
    QTest::keyClicks(Box(abbr), "z");
    EXPECT_EQ(abbr->Text(), "zbcdefghij");

    // A paste is cut to what fits.
    QGuiApplication::clipboard()->setText("12345");
    QKeyEvent pasteKey(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
    abbr->SetText("abcdefgh");
    abbr->TextBox()->end(false);
    QApplication::sendEvent(Box(abbr), &pasteKey);
    EXPECT_EQ(abbr->Text(), "abcdefgh12");

    // The program may set longer text; typing does not make it longer.
    abbr->SetText("a-very-long-one");
    EXPECT_EQ(abbr->Text(), "a-very-long-one");
    QTest::keyClicks(Box(abbr), "x");
    EXPECT_EQ(abbr->Text(), "a-very-long-one");
}

TEST_F(QKControlTest, ContentEditWinInsertsOverTheSelectionWithoutNotifying)
{
    auto* edit = Make<QKContentEditWin>("QKContentEditWin", "txtContent");
    EXPECT_EQ(edit->Text(), "txtContent");
    edit->SetText("Hello world");
    auto changes = RecordChanges(edit);
    QTextCursor cursor = edit->TextBox()->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    edit->TextBox()->setTextCursor(cursor);
    EXPECT_EQ(edit->InsertText("[date m/d/yy]"), 0);
    EXPECT_EQ(edit->Text(), "Hello [date m/d/yy]");
    EXPECT_EQ(edit->TextBox()->textCursor().position(), 19);
    cursor = edit->TextBox()->textCursor();
    cursor.setPosition(0);
    edit->TextBox()->setTextCursor(cursor);
    edit->InsertText(">");
    EXPECT_EQ(edit->Text(), ">Hello [date m/d/yy]");
    EXPECT_TRUE(changes->isEmpty());

    edit->Move(0, 0, 9000, 9000);
    EXPECT_EQ(QSizeF(edit->Width(), edit->Height()), QSizeF(5200, 3400));
    EXPECT_EQ(TwipRect(edit->TextBox()), QRectF(30, 30, 5140, 3340));
    EXPECT_EQ(TwipRect(edit->findChild<QKPicture*>("picBotLeft")).top(), 3400 - 30);
    EXPECT_EQ(TwipRect(edit->findChild<QKPicture*>("picBotRight")).topLeft(), QPointF(5155, 3355));
}

TEST_F(QKControlTest, SnippetTipSizesItselfToItsText)
{
    auto* tip = Make<QKSnippetTip>("QKSnippetTip");
    auto* label = tip->Label();
    // Find texts whose labels are a little under and well over the limit.
    QString shortText = "sig";
    tip->SetText(shortText);
    EXPECT_EQ(tip->Width(), qBound(600.0, 240 + label->Width(), 1500.0));
    EXPECT_EQ(TwipRect(label).left(), (tip->Width() - label->Width()) / 2);
    EXPECT_EQ(label->toolTip(), "sig");

    QString mid = "abbreviation";
    tip->SetText(mid);
    ASSERT_GT(240 + label->Width(), 600);
    ASSERT_LT(240 + label->Width(), 1500);
    EXPECT_EQ(tip->Width(), 240 + label->Width());

    tip->SetText("a rather long abbreviation that will not fit");
    EXPECT_EQ(tip->Width(), 1500);
    EXPECT_EQ(TwipRect(label).left(), (1500 - label->Width()) / 2);
    EXPECT_LT(TwipRect(label).left(), 0); // cut at both ends
    EXPECT_EQ(TwipRect(tip->findChild<QKPicture*>("picRight")).left(), 1380);
}

TEST_F(QKControlTest, ContentTipKeepsItsWidthAndShowsTheStart)
{
    auto* tip = Make<QKContentTip>("QKContentTip");
    tip->Move(0, 0, 2000, 900);
    EXPECT_EQ(QSizeF(tip->Width(), tip->Height()), QSizeF(2000, 255));
    const QString longText = "A long content text that goes on well past the end of the tip";
    tip->SetText(longText);
    EXPECT_EQ(tip->Width(), 2000);
    EXPECT_EQ(TwipRect(tip->Label()).left(), 50);
    EXPECT_GT(tip->Label()->Width(), 2000);
    EXPECT_EQ(tip->Label()->toolTip(), longText);
    auto* cap = tip->findChild<QKPicture*>("picRight");
    EXPECT_EQ(TwipRect(cap), QRectF(1880, 0, 120, 255));
    // The grey block lies over the label.
    EXPECT_GT(tip->children().indexOf(cap), tip->children().indexOf(tip->Label()));
}

TEST_F(QKControlTest, TextPropertiesRoundTripAndEmptyTextIsNotWritten)
{
    for (const char* control : {"QKFilter", "QKSnippetTip", "QKContentTip", "QKSnippetEditWin", "QKContentEditWin",
                                "QKCommonButton", "QKCombo", "QKText"}) {
        QKUserControl* made = Make<QKUserControl>(control, "inst");
        auto changes = RecordChanges(made);
        PropertyBag bag;
        made->WriteProperties(bag);
        EXPECT_EQ(bag.ReadString("Text"), "inst") << control; // a new instance shows its name

        QKUserControl* loaded = ControlRegistry::Create(QString("QKUIControls.") + control, host.get(), "other");
        loaded->ReadProperties(bag);
        PropertyBag again;
        loaded->WriteProperties(again);
        EXPECT_EQ(again.ReadString("Text"), "inst") << control;

        PropertyBag empty;
        loaded->ReadProperties(empty);
        PropertyBag none;
        loaded->WriteProperties(none);
        EXPECT_FALSE(none.Has("Text")) << control;
        EXPECT_TRUE(changes->isEmpty()) << control;
    }
}
