#include "app/DatePattern.h"
#include "app/ReplaceMacros.h"
#include "app/engine/ContentExpansion.h"
#include "app/engine/ContentParser.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

using Kind = ContentPart::Kind;

const QDateTime kMoment(QDate(2024, 2, 29), QTime(13, 5, 9));

// Snippets by abbreviation, and a context that fills from them at kMoment.
struct Filling
{
    QMap<QString, QString> snippets;
    QHash<QString, QString> answers;
    QString clipboard;
    int clipboardReads = 0;

    ContentContext Context()
    {
        ContentContext context;
        context.clock = [] { return kMoment; };
        context.locale = QLocale::c();
        context.clipboard = [this] {
            ++clipboardReads;
            return clipboard;
        };
        context.snippets = Lookup();
        context.answers = answers;
        return context;
    }
    SnippetLookup Lookup() const
    {
        return [this](const QString& abbreviation) -> std::optional<QString> {
            const auto found = snippets.constFind(abbreviation);
            return found == snippets.constEnd() ? std::nullopt : std::optional<QString>(*found);
        };
    }
    ContentExpansion::Result Expand(const QString& content) { return ContentExpansion::Expand(content, Context()); }
};

TEST(ContentParserTest, SplitsPlaceholdersAndLeavesOtherBracketsAlone)
{
    const QList<ContentPart> parts = ContentParser::Parse(
        "[a [date]x[cursor][clipboard][snippet sig][input  First name ][input To=Ann=B]"
        "[choice Tone=kind||firm][Cursor][input ][choice X][snippet a b]]");
    const QList<ContentPart> expected = {
        {Kind::Literal, "[a "},
        {Kind::Macro, DatePattern::kShortDate, "[date]"},
        {Kind::Literal, "x"},
        {Kind::Cursor, "[cursor]", "[cursor]"},
        {Kind::Clipboard, "[clipboard]", "[clipboard]"},
        {Kind::Snippet, "sig", "[snippet sig]"},
        {Kind::Input, "First name", "[input  First name ]"},
        {Kind::Input, "To", "[input To=Ann=B]", "Ann=B"},
        {Kind::Choice, "Tone", "[choice Tone=kind||firm]", "", {"kind", "", "firm"}},
        {Kind::Literal, "[Cursor][input ][choice X][snippet a b]]"},
    };
    EXPECT_EQ(parts, expected);
}

TEST(ContentExpansionTest, ContentWithoutTheNewPlaceholdersIsFilledAsBefore)
{
    const QStringList contents = {
        "", "plain", "[", "]", "][", "a]b[c", "[date", "[date]]", "[[date]]", "[Date] [cursor ] [CLIPBOARD]",
        "[day dddd][day dd] [time][date][time hh:mm AM/PM]", "[input] [input =x] [choice X] [choice X=]",
        "[snippet] [snippet a b] [snippet\tsig]", "[date [time]] [[year]] [[day D]]", "line\r\n[date time]\n",
        "[month MMMM] [second ss]"};
    const MacroClock clock = [] { return kMoment; };
    Filling filling;
    for (const QString& content : contents) {
        const ContentExpansion::Result result = filling.Expand(content);
        EXPECT_EQ(result.text, ReplaceMacros(content, clock, QLocale::c())) << qPrintable(content);
        EXPECT_EQ(result.cursor, ContentExpansion::kNoCursor);
        EXPECT_TRUE(result.fields.isEmpty());
    }
    EXPECT_EQ(filling.clipboardReads, 0);
}

TEST(ContentExpansionTest, TheFirstCursorPlacesTheCaretAndTheOthersGo)
{
    Filling filling;
    ContentExpansion::Result result = filling.Expand("[day D]. [cursor]e\u0301\r\n👍🏽[cursor]x[cursor]");
    EXPECT_EQ(result.text, "29. e\u0301\r\n👍🏽x");
    EXPECT_EQ(result.cursor, 4);
    // An accented letter, a line break and an emoji with its skin tone are one Left each.
    EXPECT_EQ(ContentExpansion::CharactersAfter(result.text, result.cursor), 4);
    EXPECT_EQ(ContentExpansion::CodePointsBefore(result.text, result.text.size()), 11);
    EXPECT_EQ(filling.Expand("[cursor]").cursor, 0);
}

TEST(ContentExpansionTest, TheClipboardIsReadOnceAndItsTextNotFilledIn)
{
    Filling filling;
    filling.clipboard = "[date] [cursor] [input X]";
    const ContentExpansion::Result result = filling.Expand("<[clipboard]|[clipboard]>");
    EXPECT_EQ(result.text, "<[date] [cursor] [input X]|[date] [cursor] [input X]>");
    EXPECT_EQ(result.cursor, ContentExpansion::kNoCursor);
    EXPECT_TRUE(result.fields.isEmpty());
    EXPECT_EQ(filling.clipboardReads, 1);

    ContentContext noClipboard;
    EXPECT_EQ(ContentExpansion::Expand("<[clipboard]>", noClipboard).text, "<>");
}

TEST(ContentExpansionTest, SnippetsAreBroughtInUntilACycleOrAMissingOneStaysAsWritten)
{
    Filling filling;
    filling.snippets = {{"sig", "Best, [snippet nm]"}, {"nm", "Ann[cursor] [day D]"}, {"a", "A[snippet b]"},
                        {"b", "B[snippet a]"}, {"me", "me[snippet me]"}};
    for (int i = 0; i < 20; ++i)
        filling.snippets.insert(QString("d%1").arg(i), QString("%1[snippet d%2]").arg(i).arg(i + 1));

    ContentExpansion::Result result = filling.Expand("[snippet sig]!");
    EXPECT_EQ(result.text, "Best, Ann 29!");
    EXPECT_EQ(result.cursor, 9);
    EXPECT_EQ(filling.Expand("[snippet a]").text, "AB[snippet a]");
    EXPECT_EQ(filling.Expand("[snippet zz] [snippet me]").text, "[snippet zz] me[snippet me]");

    ContentContext self = filling.Context();
    self.abbreviation = "me";
    EXPECT_EQ(ContentExpansion::Expand("me[snippet me]", self).text, "me[snippet me]");

    EXPECT_EQ(filling.Expand("[snippet d0]").text, "01234567[snippet d8]");
    EXPECT_EQ(ContentExpansion::kMaxSnippetDepth, 8);

    // Ten snippets that each bring in all the others: no cycle in any one
    // chain, but billions of bring-ins. A bounded number are made.
    QString all;
    for (int i = 0; i < 10; ++i)
        all += QString("[snippet w%1]").arg(i);
    for (int i = 0; i < 10; ++i)
        filling.snippets.insert(QString("w%1").arg(i), all);
    const QString text = filling.Expand(all).text;
    EXPECT_EQ(text.count("[snippet w"), text.size() / QString("[snippet w0]").size());
    EXPECT_LE(text.size(), all.size() * (ContentExpansion::kMaxSnippetsBroughtIn + 1));
}

TEST(ContentExpansionTest, FillInFieldsOnePerLabelTakeAnswersOrDefaults)
{
    Filling filling;
    filling.snippets = {{"town", "in [input City]"}};
    const QString content = "[input Name=Ann] is [choice Tone=kind|firm], [input Name=Bob] [snippet town]";

    const ContentExpansion::Result defaults = filling.Expand(content);
    EXPECT_EQ(defaults.text, "Ann is kind, Ann in ");
    const QList<FillInField> fields = {{"Name", "Ann", {}}, {"Tone", "kind", {"kind", "firm"}}, {"City", "", {}}};
    EXPECT_EQ(defaults.fields, fields);
    EXPECT_EQ(ContentExpansion::Fields(content, filling.Context()), fields);

    filling.answers = {{"Name", "[date]"}, {"Tone", "firm"}, {"City", "Oslo"}};
    EXPECT_EQ(filling.Expand(content).text, "[date] is firm, [date] in Oslo");
    // A choice takes only one of its values.
    filling.answers = {{"Tone", "rude"}};
    EXPECT_EQ(filling.Expand("[choice Tone=kind|firm]").text, "kind");
}

TEST(ContentExpansionTest, ReferencesAreCheckedForCyclesAndMissingSnippets)
{
    Filling filling;
    filling.snippets = {{"b", "[snippet c]"}, {"c", "[snippet a] [snippet x]"}, {"ok", "fine"}};
    const SnippetLookup lookup = filling.Lookup();

    ContentExpansion::ReferenceCheck check = ContentExpansion::CheckReferences("a", "[snippet ok] [snippet b]", lookup);
    EXPECT_EQ(check.cycle, QStringList({"a", "b", "c", "a"}));
    EXPECT_TRUE(check.Message().contains("a → b → c → a")) << qPrintable(check.Message());

    check = ContentExpansion::CheckReferences("self", "[snippet self]", lookup);
    EXPECT_EQ(check.cycle, QStringList({"self", "self"}));

    check = ContentExpansion::CheckReferences("n", "[snippet ok][snippet new][snippet new]", lookup);
    EXPECT_TRUE(check.cycle.isEmpty());
    EXPECT_EQ(check.missing, QStringList({"new"}));
    EXPECT_TRUE(check.Message().contains("no snippet \"new\"")) << qPrintable(check.Message());

    EXPECT_TRUE(ContentExpansion::CheckReferences("n", "[snippet ok] [date]", lookup).Ok());
    EXPECT_EQ(ContentExpansion::CheckReferences("n", "", lookup).Message(), "");
}

} // namespace
