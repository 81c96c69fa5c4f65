#pragma once

#include <QString>
#include <QTemporaryDir>

// A private copy of the program folder the build laid out (sample snippets,
// default settings, desktop entry, sounds), removed when the object goes.
class TempProgramFolder
{
public:
    // withSamples false gives an empty snippets table instead of the samples.
    explicit TempProgramFolder(bool withSamples = true);

    QString Path() const { return dir.path(); }
    QString File(const QString& name) const { return dir.filePath(name); }
    QString DatabasePath() const { return File(QStringLiteral("snippets.mdb")); }
    QString SettingsPath() const { return File(QStringLiteral("settings.ini")); }

    static QString DemoFolder() { return QStringLiteral(QUILLO_DEMO_DIR); }
    static QString EmptyDatabase() { return QStringLiteral(QUILLO_EMPTY_DB); }

private:
    QTemporaryDir dir;
};
