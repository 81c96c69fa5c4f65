// The first-run notice and how a first start is recognised.
#include "app/FirstRun.h"
#include "app/FormStart.h"
#include "app/ShellTestSupport.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCommonButton.h"
#include "controls/QKPicture.h"
#include "controls/QKWhiteFrame.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : name(name), had(qEnvironmentVariableIsSet(name)),
                                                           old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    bool had;
    QByteArray old;
};

void SendMove(QWidget* to, const QPoint& global)
{
    QMouseEvent move(QEvent::MouseMove, to->mapFromGlobal(global), global, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(to, &move);
}

} // namespace

TEST(FirstRun, IsClaimedOncePerUser)
{
    QTemporaryDir config;
    FirstRun first(config.filePath("quillo"));
    EXPECT_TRUE(first.IsFirstRun());
    EXPECT_TRUE(first.Claim());
    EXPECT_FALSE(first.IsFirstRun());
    EXPECT_FALSE(first.Claim());
    EXPECT_FALSE(FirstRun(config.filePath("quillo/")).Claim()); // the same user, however written
    EXPECT_TRUE(FirstRun(QTemporaryDir().path()).IsFirstRun()); // another user

    // Earlier versions kept one marker per program folder in a folder of this name.
    QTemporaryDir earlier;
    ASSERT_TRUE(QDir(earlier.path()).mkpath("first-run"));
    EXPECT_FALSE(FirstRun(earlier.path()).Claim());
}

TEST(FirstRun, AConfigurationThatCannotBeWrittenBringsNoNotice)
{
    QTemporaryDir config;
    QFile blocker(config.filePath("quillo")); // a file where the folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FirstRun run(config.filePath("quillo"));
    EXPECT_FALSE(run.Claim());
    EXPECT_FALSE(run.Claim());
}

TEST(FirstRun, AFolderNamedByTheCallerGetsTheNoticeOnlyWhenAsked)
{
    QTemporaryDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.path().toUtf8());
    ScopedEnv home("QUILLO_HOME", QByteArray());
    {
        ScopedEnv notice(FirstRun::kNoticeVariable, QByteArray());
        EXPECT_FALSE(FirstRun::NoticeDue("/tmp/copy"));
        EXPECT_TRUE(FirstRun::NoticeDue(QString()));
        EXPECT_FALSE(FirstRun::NoticeDue(QString()));
        EXPECT_TRUE(QFile::exists(FirstRun(config.filePath("quillo")).MarkerPath()));
    }
    QFile::remove(FirstRun(config.filePath("quillo")).MarkerPath());
    {
        ScopedEnv notice(FirstRun::kNoticeVariable, "1");
        EXPECT_TRUE(FirstRun::NoticeDue("/tmp/copy"));
        EXPECT_FALSE(FirstRun::NoticeDue("/tmp/copy"));
    }
    QFile::remove(FirstRun(config.filePath("quillo")).MarkerPath());
    {
        ScopedEnv notice(FirstRun::kNoticeVariable, "0");
        EXPECT_FALSE(FirstRun::NoticeDue(QString()));
        EXPECT_TRUE(FirstRun(config.filePath("quillo")).IsFirstRun());
    }
}

TEST(FormStart, SaysWhereTheProgramLivesAndStaysInFront)
{
    FormStart notice;
    notice.show();
    EXPECT_EQ(notice.windowTitle(), "Start");
    EXPECT_EQ(notice.Label1->text(),
              "Thank you for using Quillo. You can access it by clicking on its system tray icon. ");
    EXPECT_EQ(notice.cmdClose->Text(), "Close this window");
    EXPECT_TRUE(notice.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(notice.windowFlags() & Qt::FramelessWindowHint);
    // Every piece lies inside the window.
    for (QWidget* piece : {static_cast<QWidget*>(notice.cmdClose), static_cast<QWidget*>(notice.QKCloseButton1),
                           static_cast<QWidget*>(notice.QKWhiteFrame1), static_cast<QWidget*>(notice.Picture1)})
        EXPECT_TRUE(notice.rect().contains(piece->geometry())) << piece->objectName().toStdString();
}

TEST(FormStart, IsDraggedByItsBackground)
{
    FormStart notice;
    notice.show();
    const QPoint before = notice.pos();
    QTest::mousePress(&notice, Qt::LeftButton, {}, QPoint(5, 5));
    const QPoint start = notice.mapToGlobal(QPoint(5, 5));
    SendMove(&notice, start);
    const QPoint grabbed = notice.pos();
    SendMove(&notice, start + QPoint(40, 25));
    EXPECT_EQ(notice.pos() - grabbed, QPoint(40, 25));
    QTest::mouseRelease(&notice, Qt::LeftButton, {}, QPoint(5, 5));
    // After the release moves no longer drag it.
    const QPoint dropped = notice.pos();
    SendMove(&notice, start + QPoint(200, 200));
    EXPECT_EQ(notice.pos(), dropped);
    EXPECT_NE(dropped, before);
}

TEST(FormStart, EitherButtonClosesItAndTheProgramRunsOn)
{
    Shell s;
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    {
        FormStart notice;
        notice.show();
        QTest::mouseClick(notice.cmdClose, Qt::LeftButton, {}, QPoint(10, 5));
        EXPECT_FALSE(notice.isVisible());
    }
    {
        FormStart notice;
        notice.show();
        QWidget* picture = notice.QKCloseButton1->PicturePiece();
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_FALSE(notice.isVisible());
    }
    Shell::Pump();
    EXPECT_EQ(lastClosed.count(), 0);
    EXPECT_TRUE(s.form->IsLoaded());
    s.Type("sig");
    s.Tap(ExpansionEngine::VkSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
}
