#include "settings/FileRoutines.h"

#include "core/AtomicFileWriter.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

namespace {

constexpr const char* kErrorSource = "settings";
constexpr int kErrorCopy = 2011;
constexpr int kErrorDelete = 2012;
constexpr int kErrorStartupEntry = 2013;
// Names tried for a file whose name the trash already holds: name.2.ext, ...
constexpr int kMaxTrashNames = 1000;

// $XDG_... or HOME/fallback; the XDG rules ignore a relative value.
QString XdgFolder(const char* variable, const char* fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && !QDir::isRelativePath(value))
        return value;
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return QString();
    return QDir(home).filePath(QLatin1String(fallback));
}

// A string value of a desktop entry: backslashes and control characters escaped.
QString EscapeValue(const QString& text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QLatin1String("\\r");
        else
            escaped += c;
    }
    return escaped;
}

// Writes bytes to target through a temporary file renamed over it, every
// step checked: a full disk leaves the old file whole. errorLead has %1 for
// the target; failures carry number.
void ReplaceWhole(const QString& target, const QByteArray& bytes, int number, const QString& errorLead)
{
    AtomicFileWriter::Rules rules;
    rules.replaceExisting = true;
    rules.followLinks = true;
    try {
        AtomicFileWriter writer(target, rules, QLatin1String(kErrorSource), errorLead);
        writer.Write(bytes);
        writer.Commit();
    } catch (const QuilloError& e) {
        throw QuilloError(number, e.Source(), e.Message());
    }
}

} // namespace

QString GetStartupFolder()
{
    const QString config = XdgFolder("XDG_CONFIG_HOME", ".config");
    return config.isEmpty() ? QString() : QDir(config).filePath(QStringLiteral("autostart"));
}

void CopyFileTo(const QString& source, const QString& target)
{
    QFile in(source);
    const auto unreadable = [&] {
        return QuilloError(kErrorCopy, kErrorSource, QStringLiteral("Cannot copy \"%1\": %2").arg(source, in.errorString()));
    };
    if (!in.open(QIODevice::ReadOnly))
        throw unreadable();
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw unreadable(); // a part of the file is no copy
    QDir().mkpath(QFileInfo(target).absolutePath());
    ReplaceWhole(target, bytes, kErrorCopy, QStringLiteral("Cannot copy \"%1\" to \"%2\"").arg(source, QStringLiteral("%1")));
}

void DeleteFileIfExists(const QString& path)
{
    if (!FileExists(path))
        return;
    // Not QFile::moveToTrash: without a data folder it has been seen to
    // write its files/ and info/ folders into the current folder.
    if (MoveToTrash(path))
        return;
    QFile file(path);
    if (file.remove())
        return;
    throw QuilloError(kErrorDelete, kErrorSource,
                      QStringLiteral("Cannot delete \"%1\": %2").arg(path, file.errorString()));
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        // QDir::Files without QDir::Hidden leaves hidden files out.
        const QDir folder = info.absoluteDir();
        return !folder.entryList({name}, QDir::Files).isEmpty();
    }
    return info.isFile() && !info.isHidden();
}

QString TrashFolder()
{
    const QString data = XdgFolder("XDG_DATA_HOME", ".local/share");
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("Trash"));
}

bool MoveToTrash(const QString& path)
{
    const QString trash = TrashFolder();
    if (trash.isEmpty() || !QFileInfo(QFileInfo(trash).absolutePath()).isDir())
        return false;
    const QDir files(trash + QStringLiteral("/files"));
    const QDir info(trash + QStringLiteral("/info"));
    if (!QFileInfo(trash).isDir()) {
        if (!QDir().mkdir(trash))
            return false;
        // The trash holds what the user threw away: theirs alone.
        QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    if (!QDir().mkpath(files.path()) || !QDir().mkpath(info.path()))
        return false;

    const QFileInfo source(path);
    const QString base = source.completeBaseName();
    const QString suffix = source.suffix().isEmpty() ? QString() : QLatin1Char('.') + source.suffix();
    for (int n = 1; n <= kMaxTrashNames; ++n) {
        const QString name = n == 1 ? source.fileName() : QStringLiteral("%1.%2%3").arg(base).arg(n).arg(suffix);
        if (QFileInfo(files.filePath(name)).exists() || QFileInfo(files.filePath(name)).isSymLink())
            continue;
        // The record claims the name: made only if no other has it.
        QFile record(info.filePath(name + QStringLiteral(".trashinfo")));
        if (!record.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (record.exists())
                continue;
            return false;
        }
        const QByteArray text = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(source.absoluteFilePath(), "/") +
                                "\nDeletionDate=" +
                                QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8() + "\n";
        const bool written = record.write(text) == text.size() && record.flush();
        record.close();
        // A rename, never a copy: across file systems the move fails and
        // the caller deletes the file instead.
        if (written && std::rename(QFile::encodeName(source.absoluteFilePath()).constData(),
                                   QFile::encodeName(files.filePath(name)).constData()) == 0)
            return true;
        record.remove();
        return false;
    }
    return false;
}

QString QuoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#`()");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString text;
    if (quote) {
        text += QLatin1Char('"');
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                text += QLatin1Char('\\');
            text += c;
        }
        text += QLatin1Char('"');
    } else {
        text = argument;
    }
    // A lone % would be read as a field code.
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return text;
}

QByteArray StartupEntryText(const QString& executable, const QString& home)
{
    QString exec = QuoteExecArgument(executable);
    if (!home.isEmpty())
        exec += QStringLiteral(" --home ") + QuoteExecArgument(home);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quillo\n"
                                        "Comment=Expand abbreviations into snippets while you type\n"
                                        "Icon=org.quillo.Quillo\n"
                                        "TryExec=%1\n"
                                        "Exec=%2\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(EscapeValue(executable), EscapeValue(exec));
    return text.toUtf8();
}

void WriteStartupEntry(const QString& target, const QString& programFolder)
{
    const QString home = ProgramFolder::IsDefaultFolder(programFolder) ? QString() : QDir(programFolder).absolutePath();
    const QByteArray text = StartupEntryText(QCoreApplication::applicationFilePath(), home);
    QDir().mkpath(QFileInfo(target).absolutePath());
    ReplaceWhole(target, text, kErrorStartupEntry, QStringLiteral("Cannot write \"%1\""));
}
