#include "HostForm.h"

#include "harness/PathPattern.h"
#include "harness/ProvellaError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs one test body in a collected unit and hands back the log lines the
// body produced (between the heading and the verdict) plus the unit.
struct OneUnit : HostForm {
    explicit OneUnit(TestUnit::DoTestHandler body)
    {
        unit = Place(QStringLiteral("Unit"), QStringLiteral("CaseMain"), std::move(body));
        Show();
        Case()->cmdRun_Click();
    }
    QStringList BodyLines() const
    {
        const QStringList lines = LogLines();
        const qsizetype start = lines.indexOf(QStringLiteral("Unit is under testing...")) + 1;
        const qsizetype verdict = lines.size() - 6; // verdict, dash line, four summary lines
        return lines.mid(start, verdict - start);
    }
    TestUnit* unit;
};

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(AssertHelper, FailureTextsAreAppendedToTheCallersComment)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath("present.txt");
    WriteFile(existing, "x");
    QStringList comments;
    OneUnit run([&](AssertHelper& as) {
        QString c1 = "n", c2 = "obj", c3 = "none", c4 = "f", c5 = "g", c6 = "d", c7 = "e";
        int object = 0;
        as.equalBetween(3, 4, c1);
        as.equalNothing(&object, c2);
        as.equalNotNothing(nullptr);
        as.equalNotNothing(nullptr, c3);
        as.equalFileExist(QStringLiteral("/no/such/file"), c4);
        as.equalFileNotExist(existing, c5);
        as.equalFolderExist(QStringLiteral("/no/such/folder"), c6);
        as.equalFolderNotExist(dir.path(), c7);
        comments << c1 << c2 << c3 << c4 << c5 << c6 << c7;
    });

    EXPECT_EQ(comments, (QStringList{"n[expect:3 but:4]", "obj[expect Nothing but the object is something]",
                                     "none[expect NOT Nothing but the object is Nothing]",
                                     "f[file not exist]", "g[file exist]", "d[folder not exist]",
                                     "e[folder exist]"}));
    QStringList expectedLines{"FAILED: n[expect:3 but:4]",
                              "FAILED: obj[expect Nothing but the object is something]",
                              "FAILED: [expect NOT Nothing but the object is Nothing]"};
    for (qsizetype i = 2; i < comments.size(); ++i)
        expectedLines << QStringLiteral("FAILED: ") + comments[i];
    EXPECT_EQ(run.BodyLines(), expectedLines);
    EXPECT_EQ(run.unit->FailureCount(), 8);
    EXPECT_FALSE(run.unit->UnitTestResult());
}

TEST(AssertHelper, PassingAssertionsLeaveTheCommentAlone)
{
    QString comment = QStringLiteral("kept");
    OneUnit run([&](AssertHelper& as) {
        as.equalBetween(3, 3, comment);
        as.equalNothing(nullptr, comment);
        as.equalNotNothing(&as, comment);
        as.equalFolderExist(QDir::rootPath(), comment);
    });
    EXPECT_EQ(comment, QStringLiteral("kept"));
    EXPECT_EQ(run.unit->SuccessCount(), 4);
    EXPECT_TRUE(run.BodyLines().isEmpty());
}

TEST(AssertHelper, EqualBetweenComparesLooselyTypedValues)
{
    OneUnit run([](AssertHelper& as) {
        as.equalBetween(3, QStringLiteral("3"), QStringLiteral("number vs text"));
        as.equalBetween(QStringLiteral("abc"), QStringLiteral("ABC"), QStringLiteral("case"));
        as.equalBetween(0.5, 1.5, QStringLiteral("real"));
        as.equalBetween(true, false, QStringLiteral("truth"));
        // These pass: numbers by value across types, texts exactly.
        as.equalBetween(3, 3.0);
        as.equalBetween(std::size_t(2), qint64(2));
        as.equalBetween(QStringLiteral("x"), "x");
        as.equalBetween(QVariant(), QVariant());
    });
    EXPECT_EQ(run.BodyLines(), (QStringList{"FAILED: number vs text[expect:3 but:3]",
                                            "FAILED: case[expect:abc but:ABC]",
                                            "FAILED: real[expect:0.5 but:1.5]",
                                            "FAILED: truth[expect:True but:False]"}));
    EXPECT_EQ(run.unit->SuccessCount(), 4);
}

TEST(AssertHelper, LargeWholeNumbersCompareExactly)
{
    const qint64 big = qint64(1) << 53;
    EXPECT_FALSE(AssertHelper::LooselyEqual(big, big + 1));
    EXPECT_FALSE(AssertHelper::LooselyEqual(qint64(-1), quint64(~0ULL)));
    EXPECT_TRUE(AssertHelper::LooselyEqual(quint64(7), qint64(7)));
    EXPECT_EQ(AssertHelper::ValueText(0.1 + 0.2), QStringLiteral("0.3"));
}

TEST(AssertHelper, FileAndFolderAssertionsHonourWildcardsAndSkipHiddenEntries)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path() + QLatin1Char('/');
    WriteFile(d + "a.txt", "alpha");
    WriteFile(d + ".secret.cfg", "hidden");
    WriteFile(d + "[x].dat", "brackets are plain characters");
    ASSERT_TRUE(QDir(d).mkdir("sub"));
    ASSERT_TRUE(QDir(d).mkdir(".cache"));

    QList<bool> results;
    // Each entry: does the assertion pass (leaving its comment empty) as expected?
    OneUnit run([&](AssertHelper& as) {
        auto check = [&](bool expectPass, const std::function<void(QString&)>& assertion) {
            QString comment;
            assertion(comment);
            results << (comment.isEmpty() == expectPass);
        };
        check(true, [&](QString& c) { as.equalFileExist(d + "a.txt", c); });
        check(true, [&](QString& c) { as.equalFileExist(d + "*.txt", c); });
        check(true, [&](QString& c) { as.equalFileExist(d + "?.txt", c); });
        check(true, [&](QString& c) { as.equalFileExist(d + "*.*", c); });
        check(true, [&](QString& c) { as.equalFileExist(d + "[x].dat", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + "[a].dat", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + "??.txt", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + "A.TXT", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + ".secret.cfg", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + "*.cfg", c); });
        check(false, [&](QString& c) { as.equalFileExist(d + "sub", c); });
        check(false, [&](QString& c) { as.equalFileExist(QString(), c); });
        check(true, [&](QString& c) { as.equalFileNotExist(d + "*.log", c); });
        check(true, [&](QString& c) { as.equalFileNotExist(d + "sub", c); });
        check(false, [&](QString& c) { as.equalFileNotExist(d + "a*", c); });
        check(true, [&](QString& c) { as.equalFolderExist(d + "sub", c); });
        check(true, [&](QString& c) { as.equalFolderExist(d + "sub/", c); });
        check(true, [&](QString& c) { as.equalFolderExist(d + "s*", c); });
        check(true, [&](QString& c) { as.equalFolderExist(d + "a.txt", c); });
        check(false, [&](QString& c) { as.equalFolderExist(d + ".cache", c); });
        check(false, [&](QString& c) { as.equalFolderExist(d + "sub/*", c); });
        check(true, [&](QString& c) { as.equalFolderNotExist(d + "nothing", c); });
        check(true, [&](QString& c) { as.equalFolderNotExist(d + ".c*", c); });
        check(false, [&](QString& c) { as.equalFolderNotExist(d + "su?", c); });
    });

    QList<bool> allTrue(results.size(), true);
    EXPECT_EQ(results, allTrue);
    EXPECT_EQ(results.size(), 24);
}

TEST(AssertHelper, EqualFileStartWithReadsOnlyTheFirstLine)
{
    QTemporaryDir dir;
    const QString crlf = dir.filePath("crlf.txt"), plain = dir.filePath("plain.txt"),
                  blank = dir.filePath("blank.txt");
    WriteFile(crlf, "Header line\r\nBody\r\n");
    WriteFile(plain, "no break at all");
    WriteFile(blank, "\nsecond");

    OneUnit run([&](AssertHelper& as) {
        as.equalFileStartWith(crlf, "Header");
        as.equalFileStartWith(crlf, "Header line");
        as.equalFileStartWith(crlf, "");
        as.equalFileStartWith(plain, "no break at all");
        as.equalFileStartWith(blank, "");
        as.equalFileStartWith(crlf, "header", "case ");
        as.equalFileStartWith(crlf, "line", "middle ");
        as.equalFileStartWith(crlf, "Header line\r", "break ");
        as.equalFileStartWith(blank, "second", "second line ");
    });
    EXPECT_EQ(run.unit->SuccessCount(), 5);
    EXPECT_EQ(run.BodyLines(), (QStringList{"FAILED: case [not match]", "FAILED: middle [not match]",
                                            "FAILED: break [not match]", "FAILED: second line [not match]"}));
}

TEST(AssertHelper, EqualFileStartWithOnAnEmptyFileRaisesToTheHostAndRecordsNothing)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.txt");
    WriteFile(empty, "");

    int caught = 0;
    int number = 0;
    QString comment = QStringLiteral("first");
    OneUnit run([&](AssertHelper& as) {
        try {
            as.equalFileStartWith(empty, "x", comment);
        } catch (const ProvellaError& error) {
            ++caught;
            number = error.Number();
        }
        try {
            as.equalFileStartWith(dir.path(), "x");
        } catch (const ProvellaError& error) {
            ++caught;
            EXPECT_EQ(error.Number(), +ProvellaError::kPathFileAccessError);
        }
    });
    EXPECT_EQ(caught, 2);
    EXPECT_EQ(number, +ProvellaError::kInputPastEndOfFile);
    EXPECT_EQ(comment, QStringLiteral("first"));
    EXPECT_EQ(run.unit->SuccessCount() + run.unit->FailureCount(), 0);
    EXPECT_TRUE(run.unit->UnitTestResult());
    EXPECT_EQ(run.LogLines().at(run.LogLines().size() - 3), QStringLiteral("Total Asserts:0"));
}

TEST(AssertHelper, AnUnboundHelperRefusesToAssert)
{
    AssertHelper helper;
    try {
        helper.equalBetween(1, 1);
        FAIL() << "expected an error";
    } catch (const ProvellaError& error) {
        EXPECT_EQ(error.Number(), +ProvellaError::kObjectNotSet);
    }
}

TEST(PathPattern, WildcardMatching)
{
    EXPECT_TRUE(PathPattern::WildcardMatch(u"*", u""));
    EXPECT_TRUE(PathPattern::WildcardMatch(u"a*b*c", u"aXXbYbZc"));
    EXPECT_TRUE(PathPattern::WildcardMatch(u"?b?", u"abc"));
    EXPECT_FALSE(PathPattern::WildcardMatch(u"a*b", u"aXbc"));
    EXPECT_FALSE(PathPattern::WildcardMatch(u"?", u""));
    EXPECT_FALSE(PathPattern::WildcardMatch(u"abc", u"abC"));
}
