#pragma once

#include "harness/ProvellaExport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <type_traits>

class TestUnit;

// What a test body states its expectations with. One helper is made for each
// run of a unit and reports every assertion to that unit.
//
// Every assertion returns 0. The comment is optional; when the caller passes
// a QString variable, a failed assertion appends its reason to it, so the
// caller sees the same text the log shows.
class PROVELLA_EXPORT AssertHelper : public QObject
{
    Q_OBJECT

public:
    explicit AssertHelper(QObject* parent = nullptr);

    qint32 setBlongedTest(TestUnit* aTest);
    TestUnit* BelongedTest() const { return unit; }

    // Values compare loosely typed: numbers by value, texts exactly, and a
    // number never equals a text. Any type QVariant can hold may be passed.
    template <typename A, typename B>
    qint32 equalBetween(const A& valueOne, const B& valueTwo, QString& txtComment)
    {
        return CompareValues(ToVariant(valueOne), ToVariant(valueTwo), txtComment);
    }
    template <typename A, typename B>
    qint32 equalBetween(const A& valueOne, const B& valueTwo, const QString& txtComment = QString())
    {
        QString comment = txtComment;
        return CompareValues(ToVariant(valueOne), ToVariant(valueTwo), comment);
    }

    qint32 equalNothing(const void* aObj, QString& txtComment);
    qint32 equalNothing(const void* aObj, const QString& txtComment = QString());
    qint32 equalNotNothing(const void* aObj, QString& txtComment);
    qint32 equalNotNothing(const void* aObj, const QString& txtComment = QString());

    qint32 equalFileExist(const QString& filePath, QString& txtComment);
    qint32 equalFileExist(const QString& filePath, const QString& txtComment = QString());
    qint32 equalFileNotExist(const QString& filePath, QString& txtComment);
    qint32 equalFileNotExist(const QString& filePath, const QString& txtComment = QString());
    qint32 equalFolderExist(const QString& folderpath, QString& txtComment);
    qint32 equalFolderExist(const QString& folderpath, const QString& txtComment = QString());
    qint32 equalFolderNotExist(const QString& folderpath, QString& txtComment);
    qint32 equalFolderNotExist(const QString& folderpath, const QString& txtComment = QString());

    // Throws ProvellaError when the file cannot be read or is empty; nothing
    // is recorded then.
    qint32 equalFileStartWith(const QString& filePath, const QString& matchStr, QString& txtComment);
    qint32 equalFileStartWith(const QString& filePath, const QString& matchStr,
                              const QString& txtComment = QString());

    // How a value is written in a failure text ("3", "2.5", "abc", "True").
    static QString ValueText(const QVariant& value);
    static bool LooselyEqual(const QVariant& valueOne, const QVariant& valueTwo);

private:
    template <typename T>
    static QVariant ToVariant(const T& value)
    {
        if constexpr (std::is_constructible_v<QVariant, const T&>)
            return QVariant(value);
        else
            return QVariant::fromValue(value);
    }

    qint32 CompareValues(const QVariant& valueOne, const QVariant& valueTwo, QString& txtComment);
    qint32 Report(bool passed, const QString& reason, QString& txtComment);
    void RequireUnit() const;
    static QString FirstLine(const QString& filePath);

    QPointer<TestUnit> unit;
};
