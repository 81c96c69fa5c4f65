#pragma once

#include "PrivateDesktop.h"

#include <QDeadlineTimer>
#include <QList>
#include <QThread>
#include <QStringList>
#include <gtest/gtest.h>

// A test suite on one private desktop: started before the suite's first test
// and stopped after its last, with the programs each test starts stopped
// after that test.
class DesktopSuite : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        desktop = new PrivateDesktop;
        if (desktop->Start())
            desktop->ExportToThisProcess();
    }
    static void TearDownTestSuite()
    {
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(desktop->IsRunning()) << desktop->ErrorString().toStdString(); }
    void TearDown() override
    {
        for (qint64 id : started)
            desktop->StopProgram(id);
        started.clear();
    }

    // A program on the desktop, stopped when the test ends; 0 when it could not start.
    qint64 Start(const QString& program, const QStringList& arguments)
    {
        return Keep(desktop->StartProgram(program, arguments));
    }
    qint64 StartWindowManager() { return Keep(desktop->StartWindowManager()); }
    qint64 Keep(qint64 id)
    {
        if (id)
            started << id;
        return id;
    }

    // The file's text once it reads `expected`, or what it holds when the
    // wait runs out.
    static QString WaitForFileText(const QString& path, const QString& expected, int timeoutMs, int pollMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        QString text;
        do {
            text = PrivateDesktop::ReadText(path);
            if (text == expected)
                return text;
            QThread::msleep(pollMs);
        } while (!deadline.hasExpired());
        return text;
    }

    static inline PrivateDesktop* desktop = nullptr;
    QList<qint64> started;
};
