#include "ImportTestSupport.h"
#include "../app/CliTestSupport.h"
#include "store/SnippetBackups.h"
#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"
#include "store/import/AutokeyImporter.h"
#include "store/import/BeeftextImporter.h"
#include "store/import/CsvSnippetImporter.h"
#include "store/import/EspansoImporter.h"
#include "store/import/HotstringImporter.h"
#include "store/import/ImportFormat.h"
#include "store/import/PlainSnippetFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    EXPECT_TRUE(Find(batch, "teh")->snippet.caseFollows);
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

    // Named on its own, a YAML file without matches says why nothing came.
    QTemporaryDir dir;
    const QString alone = dir.filePath("snippets.yml");
    QFile file(alone);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("snippets:\n  - abbreviation: sig\n");
    file.close();
    const ImportBatch single = EspansoImporter::Read(alone);
    EXPECT_TRUE(single.snippets.isEmpty());
    EXPECT_TRUE(Mentions(single.skipped, {"snippets.yml", "matches"})) << single.skipped.join("\n").toStdString();
}

TEST(BeeftextImport, CombosKeepGroupsGuidsAndStateAndOlderFilesRead)
{
    const ImportBatch batch = BeeftextImporter::Read(Corpus("beeftext/combos.json"));
    const ImportBatch::Entry* hi = Find(batch, "bhi");
    ASSERT_NE(hi, nullptr);
    EXPECT_EQ(hi->snippet.contentString, "Hello [input Name], today is [day dddd] [day D] [month MMMM].[cursor]");
    EXPECT_EQ(hi->snippet.groupName, "Work");
    EXPECT_EQ(hi->snippet.guidString, "B3C1D2E4-5F60-4718-9A2B-3C4D5E6F7A8B");
    EXPECT_EQ(hi->snippet.triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_FALSE(Find(batch, "bwk")->snippet.enableSnippet);
    EXPECT_EQ(Find(batch, "bwk")->snippet.triggerMode, Snippet::TriggerMode::InsideWords);
    EXPECT_EQ(ContentOf(batch, "benv"), "#{envVar:HOME} [clipboard] [snippet bhi] [snippet bwk]");
    EXPECT_EQ(Find(batch, "benv")->snippet.guidString.size(), 36) << "a fresh GUID for one that is not";
    EXPECT_TRUE(Mentions(batch.changed, {"combo 3", "envVar", "upper"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"combo 4", "longer than"}));

    EXPECT_EQ(ContentOf(BeeftextImporter::Read(Corpus("beeftext/old.json")), "bold"), "from an old file");
    const ImportBatch broken = BeeftextImporter::Read(Corpus("beeftext/broken.json"));
    EXPECT_TRUE(broken.snippets.isEmpty());
    EXPECT_TRUE(Mentions(broken.skipped, {"broken.json:2"}));
}

TEST(CsvImport, QuotedRowsHeadersPlaceholdersAndEncodings)
{
    const ImportBatch te = CsvSnippetImporter::Read(Corpus("textexpander/snippets.csv"),
                                                    CsvSnippetImporter::Flavour::TextExpander);
    EXPECT_EQ(te.snippets.size(), 5) << "the header row is no snippet";
    EXPECT_EQ(ContentOf(te, ";sig"), "Best, [cursor]\nAda");
    EXPECT_EQ(Find(te, ";sig")->snippet.desString, "Signature");
    EXPECT_EQ(ContentOf(te, ";dt"), "[year yyyy]-[month m]-[day dd] [day dddd] %I:[minute nn]");
    EXPECT_EQ(ContentOf(te, ";form"), "Dear [input Name=Sir], [choice Tone=warm|cold] [snippet ;sig] [clipboard]\t");
    EXPECT_EQ(ContentOf(te, ";sh"), "%shell:date% 100% sure");
    EXPECT_EQ(ContentOf(te, ";q"), "He said \"hi\"");
    EXPECT_TRUE(Mentions(te.changed, {"snippets.csv:6", "%shell:date%"}));
    EXPECT_TRUE(Mentions(te.changed, {"snippets.csv:4", "%I"}));

    const ImportBatch latin = CsvSnippetImporter::Read(Corpus("textexpander/latin1.csv"),
                                                       CsvSnippetImporter::Flavour::TextExpander);
    EXPECT_EQ(ContentOf(latin, ";caf"), QString::fromUtf8("Café crème"));
    EXPECT_TRUE(Mentions(latin.changed, {"Latin-1"}));

    const ImportBatch bt = CsvSnippetImporter::Read(Corpus("beeftext/combos.csv"), CsvSnippetImporter::Flavour::Beeftext);
    EXPECT_EQ(ContentOf(bt, "bsig"), "Regards,\nAda");
    EXPECT_EQ(ContentOf(bt, "bclip"), "[clipboard] [time]");

    int badLine = 0;
    CsvSnippetImporter::Rows("a,b\nc,\"open\nd,e\n", nullptr, &badLine);
    EXPECT_EQ(badLine, 2);
}

TEST(AutokeyImport, PhrasesInFoldersBecomeGroupedSnippetsAndScriptsStayOut)
{
    const ImportBatch batch = AutokeyImporter::Read(Corpus("autokey"));
    EXPECT_EQ(ContentOf(batch, "asig"), "Best regards,\nAda [cursor]");
    EXPECT_EQ(ContentOf(batch, "aregards"), "Best regards,\nAda [cursor]");
    EXPECT_EQ(Find(batch, "asig")->snippet.groupName, "Phrases");
    EXPECT_EQ(Find(batch, "asig")->snippet.useCount, 4);
    EXPECT_TRUE(Find(batch, "asig")->snippet.caseFollows);
    EXPECT_EQ(Find(batch, "atd")->snippet.groupName, "Mail");
    EXPECT_EQ(Find(batch, "atd")->snippet.triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(ContentOf(batch, "atd"), "Today: [day dd]/[month MM]/[year yyyy] <script name=x args=>");
    EXPECT_EQ(batch.snippets.size(), 3);
    EXPECT_FALSE(Mentions(batch.changed, {"Run"})) << "a script is no phrase: never read";
    EXPECT_TRUE(Mentions(batch.skipped, {"Hotkey", "without an abbreviation"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"Broken.json"}));
    EXPECT_TRUE(Mentions(batch.changed, {"Today", "<script"}));
}

TEST(HotstringImport, OptionsSectionsEscapesAndCodeLeftOut)
{
    const ImportBatch batch = HotstringImporter::Read(Corpus("ahk/hotstrings.ahk"));
    EXPECT_EQ(ContentOf(batch, "btw"), "by the way");
    EXPECT_EQ(Find(batch, "btw")->snippet.triggerMode, Snippet::TriggerMode::AfterDelimiter);
    EXPECT_TRUE(Find(batch, "btw")->snippet.caseFollows) << "hotstrings follow the typed case unless C or C1";
    EXPECT_EQ(ContentOf(batch, "h@"), "hello@example.com") << "the comment is no content";
    EXPECT_EQ(Find(batch, "h@")->snippet.triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(Find(batch, "ign")->snippet.triggerMode, Snippet::TriggerMode::InsideWords);
    EXPECT_FALSE(Find(batch, "CA")->snippet.caseFollows);
    EXPECT_FALSE(Find(batch, "ny")->snippet.caseFollows);
    EXPECT_EQ(ContentOf(batch, "raw"), "{Enter} stays `n as typed");
    EXPECT_EQ(ContentOf(batch, "esc"), "line one\nline two\ttab!{Left}");
    EXPECT_EQ(ContentOf(batch, "sig"), "Best regards,\nAda");
    EXPECT_EQ(Find(batch, "imm")->snippet.triggerMode, Snippet::TriggerMode::Immediately) << "#Hotstring *";
    EXPECT_EQ(batch.snippets.size(), 9);
    EXPECT_TRUE(Mentions(batch.changed, {"{Left}"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"run", "never run"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"cmd", "runs commands"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"toolongabbreviation"}));
    EXPECT_TRUE(Mentions(batch.skipped, {"other script code"}));
}

TEST(ImportFormat, EachCorpusFileIsKnownByItsContent)
{
    EXPECT_EQ(ImportFormat::Guess(Corpus("espanso")), ImportFormat::Kind::Espanso);
    EXPECT_EQ(ImportFormat::Guess(Corpus("espanso/match/_shared.yml")), ImportFormat::Kind::Espanso);
    EXPECT_EQ(ImportFormat::Guess(Corpus("autokey")), ImportFormat::Kind::Autokey);
    EXPECT_EQ(ImportFormat::Guess(Corpus("beeftext/old.json")), ImportFormat::Kind::Beeftext);
    EXPECT_EQ(ImportFormat::Guess(Corpus("beeftext/combos.csv")), ImportFormat::Kind::Beeftext);
    EXPECT_EQ(ImportFormat::Guess(Corpus("textexpander/snippets.csv")), ImportFormat::Kind::TextExpander);
    EXPECT_EQ(ImportFormat::Guess(Corpus("ahk/hotstrings.ahk")), ImportFormat::Kind::Ahk);
    EXPECT_EQ(ImportFormat::Guess(QStringLiteral(QUILLO_DEMO_DIR "/snippets.mdb")), ImportFormat::Kind::Snippets);
    EXPECT_EQ(ImportFormat::FromName("AHK"), ImportFormat::Kind::Ahk);
    EXPECT_EQ(ImportFormat::FromName("word"), ImportFormat::Kind::Unknown);
}

TEST(PlainSnippetFile, BothSyntaxesRoundTripEveryFieldAndFaultsNameTheirLine)
{
    Snippet odd;
    odd.snippetString = "x:y";
    odd.contentString = "  leading spaces, \"quotes\", a tab\t, a CR\r\nand a trailing space \nü 😀 [cursor]";
    odd.groupName = "Work: mail";
    odd.enableSnippet = false;
    odd.useCount = 42;
    odd.triggerMode = Snippet::TriggerMode::InsideWords;
    odd.onlyIn = {"xterm", "title:*Report, final*"};
    Snippet plain;
    plain.snippetString = "sig";
    plain.contentString = "Best regards,\n\nAda\n";
    plain.desString = "Signature";
    odd.caseFollows = true;
    const QList<ImportBatch::Entry> entries = {{odd, {}}, {plain, {}}};
    for (const auto syntax : {PlainSnippetFile::Syntax::Yaml, PlainSnippetFile::Syntax::Json}) {
        const QByteArray text = PlainSnippetFile::Write(entries, syntax);
        const ImportBatch back = PlainSnippetFile::ReadText(text, "s");
        ASSERT_EQ(back.snippets.size(), 2) << text.toStdString() << back.skipped.join('\n').toStdString();
        for (int i = 0; i < 2; ++i) {
            const Snippet& a = entries[i].snippet;
            const Snippet& b = back.snippets[i].snippet;
            EXPECT_EQ(std::tie(a.snippetString, a.contentString, a.desString, a.groupName, a.enableSnippet, a.useCount,
                               a.guidString, a.triggerMode, a.onlyIn),
                      std::tie(b.snippetString, b.contentString, b.desString, b.groupName, b.enableSnippet, b.useCount,
                               b.guidString, b.triggerMode, b.onlyIn))
                << text.toStdString();
            EXPECT_EQ(a.caseFollows, b.caseFollows);
        }
    }
    EXPECT_TRUE(PlainSnippetFile::Write(entries, PlainSnippetFile::Syntax::Yaml).contains("    content: |\n      Best regards,\n\n      Ada\n"))
        << "multi-line content is a block, one line per line";

    const QByteArray edited = "format: quillo-snippets\nversion: 1\nsnippets:\n"
                              "  - abbreviation: ok\n    content: fine\n"
                              "  - abbreviation: bad\n    content: x\n    mode: sometimes\n"
                              "  - abbreviation: worse\n    content: x\n    uses: [1, 2]\n";
    const ImportBatch batch = PlainSnippetFile::ReadText(edited, "s.yaml");
    EXPECT_EQ(batch.snippets.size(), 1);
    EXPECT_TRUE(Mentions(batch.skipped, {"s.yaml:8:", "sometimes"})) << batch.skipped.join('\n').toStdString();
    EXPECT_TRUE(Mentions(batch.skipped, {"s.yaml:11:"})) << batch.skipped.join('\n').toStdString();
    EXPECT_TRUE(Mentions(PlainSnippetFile::ReadText("format: quillo-snippets\nversion: 9\nsnippets: []\n", "n").skipped,
                         {"version 9"}));
    EXPECT_TRUE(Mentions(PlainSnippetFile::ReadText("{\"format\": \"quillo-snippets\",\n \"version\": 1,\n \"snippets\": [\n}", "j").skipped,
                         {"j:"}));
}

TEST(ImportCommand, DuplicatesAreKeptSkippedOrReplacedAndATextExportRoundTrips)
{
    TempProgramFolder home;
    const auto run = [&](const QStringList& args) { return RunCli(QStringList{"--home", home.Path()} + args); };
    const auto count = [&] {
        SnippetManager store;
        store.OpenSetFile(home.DatabasePath());
        return store.GetMatchedCol(QString()).size();
    };
    const qsizetype samples = count();
    CliResult first = run({"import", Corpus("ahk/hotstrings.ahk")});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.startsWith("imported 9 snippets from ")) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains("left out: hotstrings.ahk:")) << first.out.toStdString();
    EXPECT_EQ(count(), samples + 9);

    CliResult again = run({"import", "--duplicates", "skip", "--json", Corpus("ahk/hotstrings.ahk")});
    const QJsonObject report = QJsonDocument::fromJson(again.out.toUtf8()).object();
    EXPECT_EQ(report["added"].toInt(), 0);
    EXPECT_EQ(report["duplicates"].toArray().size(), 9);
    EXPECT_EQ(report["format"].toString(), "ahk");
    EXPECT_EQ(count(), samples + 9);
    EXPECT_EQ(run({"import", "--from", "ahk", "--duplicates=replace", Corpus("ahk/hotstrings.ahk")}).code, 0);
    EXPECT_EQ(count(), samples + 9);
    {
        SnippetManager store;
        store.OpenSetFile(home.DatabasePath());
        EXPECT_EQ(store.GetMatchedSnippet("sig")->contentString, "Best regards,\nAda") << "replaced";
    }
    EXPECT_EQ(SnippetBackups(home.DatabasePath()).List().size(), 3) << "one before each import";

    // Every field through a text file into an empty folder.
    const QString text = home.File("all.yaml");
    ASSERT_EQ(run({"export", "--format", "yaml", text}).code, 0);
    TempProgramFolder other(false);
    ASSERT_EQ(RunCli({"--home", other.Path(), "import", text}).code, 0);
    SnippetManager a, b;
    a.OpenSetFile(home.DatabasePath());
    b.OpenSetFile(other.DatabasePath());
    const SnippetCollection left = a.GetMatchedCol(QString()), right = b.GetMatchedCol(QString());
    ASSERT_EQ(left.size(), right.size());
    for (qsizetype i = 0; i < left.size(); ++i)
        EXPECT_EQ(std::tie(left[i]->snippetString, left[i]->contentString, left[i]->guidString, left[i]->caseFollows,
                           left[i]->triggerMode, left[i]->useCount),
                  std::tie(right[i]->snippetString, right[i]->contentString, right[i]->guidString,
                           right[i]->caseFollows, right[i]->triggerMode, right[i]->useCount));
    EXPECT_NE(run({"import", "--from", "word", text}).code, 0);
}

TEST(HotstringImport, AnUnclosedSectionAndAUtf16File)
{
    const ImportBatch broken = HotstringImporter::Read(Corpus("ahk/broken.ahk"));
    EXPECT_EQ(ContentOf(broken, "ok"), "fine");
    EXPECT_EQ(broken.snippets.size(), 1);
    EXPECT_TRUE(Mentions(broken.skipped, {"broken.ahk:2", "never closes"}));
    EXPECT_EQ(ContentOf(HotstringImporter::Read(Corpus("ahk/utf16.ahk")), "caf"), QString::fromUtf8("Café — naïve"));
}
