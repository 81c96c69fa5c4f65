// Backups of the snippet database: made, listed newest first, pruned to the
// number kept, restored with the state before backed up; a damaged or
// half-written backup is never used, and kill -9 in the middle of a backup
// or a restore leaves every listed file whole.
#include "TransferTestSupport.h"
#include "store/SnippetBackups.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <SQLiteCpp/Transaction.h>

namespace {

QDateTime fakeNow = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
QDateTime FakeClock()
{
    return fakeNow;
}

// Opened for writing, as the program opens it: a run killed in the middle
// of a write leaves a journal that the next writer rolls back.
bool Whole(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    return db.execAndGet("pragma quick_check").getString() == "ok";
}

} // namespace

TEST(Backups, MadeListedPrunedAndRestoredWhileTheStoreIsOpen)
{
    OpenStore s;
    SnippetBackups backups(s.folder.DatabasePath(), 3);
    backups.SetClock(&FakeClock);
    EXPECT_TRUE(backups.MakeDailyIfDue(fakeNow));
    EXPECT_FALSE(backups.MakeDailyIfDue(fakeNow.addSecs(3600))) << "one a day";
    const QStringList original = s.Dump();
    QStringList ids;
    for (const char* abbreviation : {"one", "two", "three"}) {
        fakeNow = fakeNow.addSecs(60);
        ids << backups.Make("import").id;
        s.Add(abbreviation);
    }
    const QList<SnippetBackups::Backup> list = backups.List();
    ASSERT_EQ(list.size(), 3) << "the daily one is pruned";
    EXPECT_EQ(list.first().id, ids.last());
    EXPECT_EQ(list.last().reason, "import");

    // Back to the state before "one" was added: the open store follows.
    const QStringList withThree = s.Dump();
    const SnippetBackups::Backup before = backups.Restore(ids.first());
    EXPECT_EQ(s.Dump(), original);
    EXPECT_TRUE(s.store.RefreshIfChanged());
    EXPECT_FALSE(s.store.GetMatchedSnippet("one"));
    EXPECT_EQ(before.reason, "restore");
    backups.Restore(before.id);
    EXPECT_EQ(s.Dump(), withThree) << "a restore can itself be undone";
}

TEST(Backups, DamagedUnknownAndHalfWrittenBackupsChangeNothing)
{
    OpenStore s;
    SnippetBackups backups(s.folder.DatabasePath());
    const SnippetBackups::Backup made = backups.Make("daily");
    QFile part(made.path + ".part");
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write("half");
    part.close();
    EXPECT_EQ(backups.List().size(), 1) << "a .part file is no backup";

    QFile damaged(made.path);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.seek(100);
    damaged.write(QByteArray(4000, 'x'));
    damaged.close();
    const QStringList dump = s.Dump();
    EXPECT_THROW(backups.Restore(made.id), QuilloError);
    EXPECT_THROW(backups.Restore("20000101-000000-daily"), QuilloError);
    EXPECT_EQ(s.Dump(), dump);
    EXPECT_EQ(backups.List().size(), 1) << "a refused restore backs nothing up";
}

TEST(Backups, KillNineDuringBackupsAndRestoresLeavesEveryFileWhole)
{
    OpenStore s(false);
    {
        SQLite::Database db(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(db, "insert into snippets (snippet, content) values (?, ?)");
        for (int i = 0; i < 20000; ++i) {
            insert.bind(1, "a" + std::to_string(i));
            insert.bind(2, std::string(200, 'x'));
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    }
    SnippetBackups backups(s.folder.DatabasePath(), 100);
    const QString full = backups.Make("import").id;
    const qsizetype rows = s.Dump().size();
    for (int i = 0; i < 12; ++i) {
        QProcess quillo;
        const QStringList command = i % 2 ? QStringList{"backups", "restore", full} : QStringList{"backups", "list"};
        // A backup made by the restore, or by nothing (list), then killed at once or a moment later.
        quillo.start(QUILLO_EXE, QStringList{"--home", s.folder.Path()} + command);
        ASSERT_TRUE(quillo.waitForStarted());
        QThread::msleep(QRandomGenerator::global()->bounded(0, 60));
        quillo.kill();
        quillo.waitForFinished();
        ASSERT_TRUE(Whole(s.folder.DatabasePath()));
        EXPECT_EQ(s.Dump().size(), rows);
        for (const SnippetBackups::Backup& backup : backups.List())
            ASSERT_TRUE(Whole(backup.path)) << backup.id.toStdString();
    }
    EXPECT_EQ(backups.List().last().id, full) << "the first backup is still there";
}
