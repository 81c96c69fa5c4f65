#include "ImportTestSupport.h"
#include "store/import/EspansoImporter.h"
#include "store/import/PeerDateFormat.h"

TEST(PeerDateFormat, CodesBecomePlaceholdersAndTheRestStaysNamed)
{
    const auto c = PeerDateFormat::FromStrftime("%Y-%m-%d %-d %e %H:%M:%S %I%% %F");
    EXPECT_EQ(c.text, "[year yyyy]-[month MM]-[day dd] [day D] [day D] [hour hh]:[minute nn]:[second ss] %I% "
                      "[year yyyy]-[month MM]-[day dd]");
    EXPECT_EQ(c.unsupported, QStringList({"%I"}));

    const auto qt = PeerDateFormat::FromQt("dddd d MMM yyyy 'at' HH:mm 'o''clock'");
    EXPECT_EQ(qt.text.toStdString(), "[day dddd] [day D] [month MMM] [year yyyy] at [hour hh]:[minute nn] o'clock");
    EXPECT_TRUE(qt.unsupported.isEmpty());
    EXPECT_EQ(PeerDateFormat::FromQt("h:mm AP").unsupported, QStringList({"h", "AP"}));
}

TEST(EspansoImport, AMatchFolderBecomesSnippetsAndListsWhatItCannotHold)
{
    const ImportBatch batch = EspansoImporter::Read(Corpus("espanso"));
    EXPECT_EQ(ContentOf(batch, ":sig"), "Best regards,\nAda");
    EXPECT_EQ(Find(batch, ":sig")->snippet.desString, "Signature");
    EXPECT_EQ(Find(batch, ":sig")->snippet.triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(Find(batch, ":sig")->snippet.groupName, "base");
    EXPECT_EQ(ContentOf(batch, ":addr"), "1 Main Street");
    EXPECT_EQ(ContentOf(batch, ":adr"), "1 Main Street");
    EXPECT_NE(Find(batch, ":addr")->snippet.guidString, Find(batch, ":adr")->snippet.guidString);
    EXPECT_EQ(Find(batch, "teh")->snippet.triggerMode, Snippet::TriggerMode::AfterDelimiter);
    EXPECT_TRUE(Find(batch, "teh")->caseFollows);
    EXPECT_EQ(ContentOf(batch, ":div"), "<div>[cursor]</div>");
    EXPECT_EQ(ContentOf(batch, ":now"), "[year yyyy]-[month MM]-[day dd] at [hour hh]:[minute nn] %p ([clipboard]) Ada");
    EXPECT_EQ(ContentOf(batch, ":pick"), "Size [choice size=small|large], [snippet :sig] heads");
    EXPECT_EQ(ContentOf(batch, ":greet"), "Hey [input name], pick [choice fruit=apple|pear]");
    EXPECT_EQ(ContentOf(batch, ":fv"), "Dear [input name=Sir]");
    EXPECT_EQ(ContentOf(batch, ":shr"), "shared by import") << "a file brought in by imports";
    EXPECT_EQ(ContentOf(batch, ":ip"), "{{output}}") << "a shell command is never run";
    EXPECT_EQ(ContentOf(batch, ":md"), "**bold**");
    // Odd values are taken as far as they make sense, and nothing crashes.
    EXPECT_EQ(Find(batch, ":odd")->snippet.triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(ContentOf(batch, ":nop"), "no params {{d}}");
    EXPECT_TRUE(Mentions(batch.changed, {"variable not understood"}));
    EXPECT_EQ(batch.snippets.size(), 14) << "nothing of a broken file";

    EXPECT_TRUE(Mentions(batch.changed, {"%p"}));
    EXPECT_TRUE(Mentions(batch.changed, {"shell", "output"}));
    EXPECT_TRUE(Mentions(batch.changed, {"random"}));
    EXPECT_TRUE(Mentions(batch.changed, {"rich text"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"base.yml:", "regex"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"image"}));
    EXPECT_TRUE(Mentions(batch.skipped, {":averyveryverylongtrigger", "longer than"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"broken.yml:", "YAML"})) << batch.skipped.join("\n").toStdString();
}
