#include "core/QuilloError.h"
#include "keys/cSendKeys.h"
#include "platform/RecordingKeyOutput.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <functional>

namespace {

using Event = RecordingKeyOutput::Event;
using Events = std::vector<Event>;

Event Down(int key) { return {static_cast<std::uint8_t>(key), false}; }
Event Up(int key) { return {static_cast<std::uint8_t>(key), true}; }

// Down and up of each key in turn.
Events Taps(std::initializer_list<int> keys)
{
    Events events;
    for (int key : keys) {
        events.push_back(Down(key));
        events.push_back(Up(key));
    }
    return events;
}

Events Join(std::initializer_list<Events> parts)
{
    Events all;
    for (const Events& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class SendKeysTest : public ::testing::Test
{
protected:
    Events Send(const QString& keys)
    {
        output.Clear();
        sender.SendKeys(keys);
        return output.Events();
    }

    // Runs the call, expecting it to fail; gives the error and leaves the
    // events sent on the way in output.
    QuilloError Failure(const std::function<void()>& call)
    {
        output.Clear();
        try {
            call();
        } catch (const QuilloError& e) {
            return e;
        }
        ADD_FAILURE() << "the call did not fail";
        return QuilloError(-1, QString(), QString());
    }

    QuilloError SendFailure(const QString& keys)
    {
        return Failure([&] { sender.SendKeys(keys); });
    }

    RecordingKeyOutput output;
    cSendKeys sender{output};
};

TEST_F(SendKeysTest, KeyNamesIgnoreCaseAndRepeat)
{
    EXPECT_EQ(Send("{BACKSPACE}"), Taps({8}));
    EXPECT_EQ(Send("{bs}"), Taps({8}));
    EXPECT_EQ(Send("{bKsP}"), Taps({8}));
    EXPECT_EQ(Send("{LEFT 3}"), Taps({37, 37, 37}));
    EXPECT_EQ(Send("{TAB 0}"), Events{});
    EXPECT_EQ(Send("{TAB -2}"), Events{});
    EXPECT_EQ(Send("{F1}{f16}{ScrollLock}{prtsc}"), Taps({112, 127, 145, 42}));
}

TEST_F(SendKeysTest, EveryKeyNameHasItsCode)
{
    const QString names = "{BACKSPACE}{BS}{BKSP}{BREAK}{CAPSLOCK}{DELETE}{DEL}{DOWN}{END}{ENTER}{~}{HELP}{HOME}"
                          "{INS}{INSERT}{LEFT}{NUMLOCK}{PGDN}{PGUP}{PRTSC}{RIGHT}{ESC}{SCROLLLOCK}{TAB}{UP}";
    EXPECT_EQ(Send(names), Taps({8, 8, 8, 19, 20, 46, 46, 40, 35, 13, 13, 47, 36, 45, 45, 37, 144, 34, 33, 42, 39, 27,
                                 145, 9, 38}));
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(Send(QStringLiteral("{f%1}").arg(i)), Taps({111 + i})) << i;
    // F17 is not a name: it types its first letter.
    EXPECT_EQ(Send("{F17}"), Taps({70}));
}

TEST_F(SendKeysTest, RepetitionCountsRoundHalfToEven)
{
    EXPECT_EQ(Send("{a 2.5}").size(), 4u);
    EXPECT_EQ(Send("{a 3.5}").size(), 8u);
    EXPECT_EQ(Send("{a 1.49}").size(), 2u);
    EXPECT_EQ(Send("{a 0.5}").size(), 0u);
    EXPECT_EQ(Send("{a 1e1}").size(), 20u);
}

TEST_F(SendKeysTest, GroupsHoldModifiersAroundTheirKeys)
{
    EXPECT_EQ(Send("+(ab)"), Join({{Down(16)}, Taps({65, 66}), {Up(16)}}));
    EXPECT_EQ(Send("^(c)"), Join({{Down(17)}, Taps({67}), {Up(17)}}));
    EXPECT_EQ(Send("%(+(x))"), Join({{Down(18), Down(16)}, Taps({88}), {Up(16), Up(18)}}));
}

TEST_F(SendKeysTest, ModifierWithoutGroupIsOnlyTapped)
{
    EXPECT_EQ(Send("+ab"), Taps({16, 65, 66}));
    EXPECT_EQ(Send("%"), Taps({18}));
}

TEST_F(SendKeysTest, CharactersTypeTheirUnshiftedKey)
{
    EXPECT_EQ(Send("~"), Taps({13}));
    EXPECT_EQ(Send("{~}"), Taps({13}));
    EXPECT_EQ(Send("{}}"), Taps({0xDD}));
    EXPECT_EQ(Send("{{}"), Taps({0xDB}));
    EXPECT_EQ(Send("A"), Send("a"));
    EXPECT_EQ(Send("("), Taps({57}));
    EXPECT_EQ(Send("{HOMEPAGE}"), Taps({72}));
    EXPECT_EQ(Send("1 ;"), Taps({49, 32, 0xBA}));
}

TEST_F(SendKeysTest, SyntaxErrorsNamePositions)
{
    struct Case
    {
        const char* keys;
        const char* message;
    };
    const Case cases[] = {
        {"a)", "Invalid sendkeys command: unmatched ) at position 2"},
        {"+(a))", "Invalid sendkeys command: unmatched ) at position 5"},
        {"{}", "Invalid sendkeys command; opening { without content or closing } at position 1"},
        {"ab{c", "Invalid sendkeys command; opening { without content or closing } at position 3"},
        {"{abc", "Invalid sendkeys command; opening { without closing } at position 1"},
        {"{a x}", "Invalid sendkeys command; key repetitions 'x' is invalid near position 6"},
        {"x{a }yz", "Invalid sendkeys command; key repetitions '' is invalid near position 6"},
        {"{a 1 2}", "Invalid sendkeys command; key repetitions '1 2' is invalid near position 8"},
        {"+(", "Invalid sendkeys command: more open brackets than close brackets."},
    };
    for (const Case& c : cases) {
        const QuilloError error = SendFailure(QString::fromUtf8(c.keys));
        EXPECT_EQ(error.Message(), QString::fromUtf8(c.message)) << c.keys;
        EXPECT_EQ(error.Number(), cSendKeys::kErrorNone) << c.keys;
        EXPECT_EQ(error.Source(), sender.ErrorSource()) << c.keys;
        EXPECT_TRUE(output.HeldKeys().empty()) << c.keys;
    }
}

TEST_F(SendKeysTest, FailureReleasesHeldModifiersLastPushedFirst)
{
    QuilloError error = SendFailure("+(a");
    EXPECT_EQ(error.Message(), "Invalid sendkeys command: more open brackets than close brackets.");
    EXPECT_EQ(output.Events(), Join({{Down(16)}, Taps({65}), {Up(16)}}));

    error = SendFailure("^(%(+(x{y z}");
    EXPECT_EQ(error.Message(), "Invalid sendkeys command; key repetitions 'z' is invalid near position 13");
    EXPECT_EQ(output.Events(), Join({{Down(17), Down(18), Down(16)}, Taps({88}), {Up(16), Up(18), Up(17)}}));

    // Keys already sent stay sent.
    error = SendFailure("ab)");
    EXPECT_EQ(output.Events(), Taps({65, 66}));
}

TEST_F(SendKeysTest, UnresolvableKeyFailsWithNumberNine)
{
    const QuilloError error = SendFailure(QStringLiteral("^(a\u00e9b)"));
    EXPECT_EQ(error.Number(), 9);
    EXPECT_EQ(error.Message(), QStringLiteral("Key \u00e9 could not be interpreted."));
    EXPECT_EQ(output.Events(), Join({{Down(17)}, Taps({65}), {Up(17)}}));

    const QuilloError named = Failure([&] { sender.KeyPress(QStringLiteral("\u20acuro"), 2); });
    EXPECT_EQ(named.Message(), QStringLiteral("Key \u20acuro could not be interpreted."));
    EXPECT_TRUE(output.Events().empty());

    // A blank right after "{" leaves an empty key name, which has no first
    // character to look up.
    const QuilloError empty = SendFailure("+({ 1}");
    EXPECT_EQ(empty.Number(), cSendKeys::kErrorSubscript);
    EXPECT_EQ(empty.Message(), "Subscript out of range");
    EXPECT_EQ(output.Events(), Taps({16}));
}

TEST_F(SendKeysTest, ErrorsCarryTheProgramAndClassName)
{
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_EQ(sender.ErrorSource(), program + ".cSendKeys");
    EXPECT_EQ(SendFailure("a)").Source(), program + ".cSendKeys");
}

TEST_F(SendKeysTest, RefusedEventsEndTheCallWithModifiersReleased)
{
    output.SetKeyDownLimit(3); // Shift, Ctrl and the first a
    const QuilloError error = SendFailure("+(^(ab))");
    EXPECT_EQ(error.Number(), RecordingKeyOutput::kRefusedError);
    EXPECT_EQ(error.Source(), sender.ErrorSource());
    EXPECT_EQ(output.Events(), Join({{Down(16), Down(17)}, Taps({65}), {Up(17), Up(16)}}));
}

TEST_F(SendKeysTest, HugeRepetitionCountOverflows)
{
    const QuilloError error = SendFailure("+({a 3000000000})");
    EXPECT_EQ(error.Number(), cSendKeys::kErrorOverflow);
    EXPECT_EQ(output.Events(), Taps({16}));
}

TEST_F(SendKeysTest, SingleKeyOperations)
{
    EXPECT_EQ(sender.KeyCode("A"), 65);
    EXPECT_EQ(sender.KeyCode("a"), 65);
    EXPECT_EQ(sender.KeyCode("}"), 0xDD);
    EXPECT_EQ(sender.KeyCode(QStringLiteral("\u00e9")), 255);
    EXPECT_EQ(Failure([&] { sender.KeyCode(""); }).Number(), cSendKeys::kErrorSubscript);

    output.Clear();
    sender.KeyDown(0);
    sender.KeyUp(255);
    sender.KeyPress("enter", 2);
    EXPECT_EQ(output.Events(), Join({{Down(0), Up(255)}, Taps({13, 13})}));

    for (int key : {-1, 256}) {
        EXPECT_EQ(Failure([&] { sender.KeyDown(key); }).Number(), cSendKeys::kErrorOverflow);
        EXPECT_EQ(Failure([&] { sender.KeyUp(key); }).Number(), cSendKeys::kErrorOverflow);
        EXPECT_TRUE(output.Events().empty());
    }
}

} // namespace
