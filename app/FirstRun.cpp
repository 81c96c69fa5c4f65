#include "app/FirstRun.h"

#include "core/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Earlier versions kept a folder of markers, one per program folder, under
// this same name: any of them means the user has seen the notice.
constexpr const char* kMarkerName = "first-run";
} // namespace

FirstRun::FirstRun(const QString& configFolder) : configFolder(configFolder) {}

QString FirstRun::DefaultConfigFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("quillo"));
}

QString FirstRun::MarkerPath() const
{
    return QDir(configFolder).filePath(QLatin1String(kMarkerName));
}

bool FirstRun::IsFirstRun() const
{
    const QFileInfo marker(MarkerPath());
    return !marker.exists() && !marker.isSymLink();
}

bool FirstRun::Claim()
{
    if (!IsFirstRun())
        return false;
    if (!QDir().mkpath(configFolder)) {
        qWarning("quillo: cannot create %s", qPrintable(configFolder));
        return false;
    }
    QSaveFile marker(MarkerPath());
    if (!marker.open(QIODevice::WriteOnly) || marker.write("shown\n") < 0 || !marker.commit()) {
        qWarning("quillo: cannot write %s: %s", qPrintable(MarkerPath()), qPrintable(marker.errorString()));
        return false;
    }
    return true;
}

bool FirstRun::NoticeDue(const QString& homeOption)
{
    const QByteArray asked = qgetenv(kNoticeVariable);
    if (asked == "0")
        return false;
    const bool namedFolder = !homeOption.isEmpty() || !qEnvironmentVariableIsEmpty(ProgramFolder::kHomeVariable);
    if (namedFolder && asked != "1")
        return false;
    return FirstRun(DefaultConfigFolder()).Claim();
}
