// The fill-in window from the keyboard alone: the keyboard starts in the
// first field, Tab and Shift+Tab move, Up and Down step through a choice,
// Enter inserts the answers from any field, Escape cancels.
#include "UiTestSupport.h"
#include "ui/FillInForm.h"

#include <QApplication>

namespace {

class FillIn : public ::testing::Test
{
protected:
    FillInForm form;
    std::optional<QMap<QString, QString>> filled;
    bool cancelled = false;

    void Open()
    {
        form.onFilled = [this](const QMap<QString, QString>& answers) { filled = answers; };
        form.onCancelled = [this] { cancelled = true; };
        form.Open("mtg", {{"Name", "", {}}, {"Room", "", {"Blue", "Green", "Red"}}, {"Note", "none", {}}},
                  std::nullopt);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Focus(), key, modifiers);
        Pump();
    }
};

} // namespace

TEST_F(FillIn, KeysMoveBetweenFieldsAndEnterInsertsTheAnswers)
{
    Open();
    ASSERT_EQ(Focus(), form.FieldWidget(0));
    EXPECT_EQ(Focus()->accessibleName(), "Name");
    QTest::keyClicks(Focus(), "Ada");
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), form.FieldWidget(1));
    EXPECT_EQ(Focus()->accessibleName(), "Room");
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down); // stays on the last choice
    Key(Qt::Key_Up);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), form.FieldWidget(2));
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(Focus(), form.FieldWidget(1));
    Key(Qt::Key_Return);
    ASSERT_TRUE(filled.has_value());
    EXPECT_EQ(*filled, (QMap<QString, QString>{{"Name", "Ada"}, {"Room", "Green"}, {"Note", "none"}}));
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(cancelled);
}

TEST_F(FillIn, EscapeCancelsAndAReopenedFormStartsAfresh)
{
    Open();
    QTest::keyClicks(Focus(), "Bob");
    Key(Qt::Key_Escape);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(filled.has_value());
    EXPECT_FALSE(form.isVisible());

    Open();
    EXPECT_EQ(form.FieldCount(), 3);
    EXPECT_EQ(form.Answers().value("Name"), "");
    EXPECT_EQ(form.Answers().value("Room"), "Blue");
}
