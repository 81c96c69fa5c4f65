#include "app/FirstRun.h"

#include "core/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
constexpr const char* kMarkerFolder = "first-run";
}

FirstRun::FirstRun(const QString& configFolder, const QString& programFolder)
    : configFolder(configFolder), programFolder(QDir(programFolder).absolutePath())
{
}

QString FirstRun::DefaultConfigFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("quillo"));
}

QString FirstRun::MarkerPath() const
{
    // One file per folder, named by a digest of its path: paths may be longer
    // than a file name or hold characters a name cannot.
    const QByteArray digest = QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QDir(configFolder).filePath(QString::fromLatin1(kMarkerFolder) + '/' + QString::fromLatin1(digest));
}

bool FirstRun::IsFirstRun() const
{
    return !QFileInfo::exists(MarkerPath());
}

bool FirstRun::Claim()
{
    if (!IsFirstRun())
        return false;
    const QString path = MarkerPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qWarning("quillo: cannot create %s", qPrintable(QFileInfo(path).absolutePath()));
        return false;
    }
    QSaveFile marker(path);
    if (!marker.open(QIODevice::WriteOnly) || marker.write(programFolder.toUtf8() + '\n') < 0 || !marker.commit()) {
        qWarning("quillo: cannot write %s: %s", qPrintable(path), qPrintable(marker.errorString()));
        return false;
    }
    return true;
}

bool FirstRun::NoticeDue(const QString& programFolder, const QString& homeOption)
{
    const QByteArray asked = qgetenv(kNoticeVariable);
    if (asked == "0")
        return false;
    const bool namedFolder = !homeOption.isEmpty() || !qEnvironmentVariableIsEmpty(ProgramFolder::kHomeVariable);
    if (namedFolder && asked != "1")
        return false;
    return FirstRun(DefaultConfigFolder(), programFolder).Claim();
}
