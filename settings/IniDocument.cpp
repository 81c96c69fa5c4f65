#include "settings/IniDocument.h"

#include "core/AtomicFileWriter.h"
#include "core/QuilloError.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr const char* kErrorSource = "settings";
constexpr int kErrorRead = 2001;
constexpr int kErrorBadName = 2003;

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

IniDocument::IniDocument(const QByteArray& raw)
{
    // Many editors save a UTF-8 byte-order mark; read past it, and give it
    // back when writing, so neither the first section nor the file changes.
    QByteArray contents = raw;
    if (contents.startsWith(kUtf8Bom)) {
        byteOrderMark = true;
        contents.remove(0, int(sizeof(kUtf8Bom)) - 1);
    }
    if (contents.isEmpty())
        return;
    crlf = contents.contains("\r\n");
    endsWithLineEnd = contents.endsWith('\n');
    // Lines keep a trailing '\r' of their own, so a file with mixed line ends
    // is written back exactly as it was.
    lines = contents.split('\n');
    if (endsWithLineEnd)
        lines.removeLast(); // the empty piece after the final line end
}

QByteArray IniDocument::ReadWhole(const QString& path, bool* exists)
{
    const QFileInfo info(path);
    if (exists)
        *exists = info.exists();
    if (!info.exists())
        return QByteArray();
    const auto failure = [&path](const QString& reason) {
        return QuilloError(kErrorRead, kErrorSource, QStringLiteral("Cannot read \"%1\": %2").arg(path, reason));
    };
    // Opening a FIFO would wait for a writer forever.
    if (!info.isFile())
        throw failure(QStringLiteral("it is not a regular file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw failure(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw failure(file.errorString());
    return bytes;
}

IniDocument IniDocument::Load(const QString& path)
{
    return IniDocument(ReadWhole(path));
}

bool IniDocument::SectionName(const QByteArray& line, QString* name)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return false;
    int close = trimmed.indexOf(']');
    if (close < 0)
        close = trimmed.size();
    *name = QString::fromUtf8(trimmed.mid(1, close - 1)).trimmed();
    return true;
}

bool IniDocument::ParseKeyLine(const QByteArray& line, KeyLine* parsed)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith(';') || trimmed.startsWith('['))
        return false;
    const int equals = line.indexOf('=');
    if (equals < 0)
        return false;
    parsed->name = QString::fromUtf8(line.left(equals)).trimmed();
    parsed->value = line.mid(equals + 1).trimmed();
    return true;
}

int IniDocument::FindSection(const QString& section) const
{
    QString name;
    for (int i = 0; i < lines.size(); ++i)
        if (SectionName(lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniDocument::SectionEnd(int header) const
{
    QString name;
    int i = header + 1;
    while (i < lines.size() && !SectionName(lines[i], &name))
        ++i;
    return i;
}

QString IniDocument::Value(const QString& section, const QString& key) const
{
    const int header = FindSection(section);
    if (header < 0)
        return QString();
    const int end = SectionEnd(header);
    KeyLine parsed;
    for (int i = header + 1; i < end; ++i) {
        if (!ParseKeyLine(lines[i], &parsed) || parsed.name.compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return ValueText(parsed.value);
    }
    return QString();
}

QString IniDocument::ValueText(QByteArray value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return QString::fromUtf8(value).left(kMaxValueLength);
}

QStringList IniDocument::Values(const QString& section, const QString& key) const
{
    QStringList values;
    const int header = FindSection(section);
    if (header < 0)
        return values;
    const int end = SectionEnd(header);
    KeyLine parsed;
    for (int i = header + 1; i < end; ++i)
        if (ParseKeyLine(lines[i], &parsed) && parsed.name.compare(key, Qt::CaseInsensitive) == 0)
            values << ValueText(parsed.value);
    return values;
}

void IniDocument::SetValues(const QString& section, const QString& key, const QStringList& values)
{
    CheckNames(section, key, QString());
    for (const QString& value : values)
        CheckNames(section, key, value);
    if (FindSection(section) < 0) {
        if (values.isEmpty())
            return;
        SetValue(section, key, values.first()); // makes the section, then as below
    }
    const int header = FindSection(section);
    // The key's old lines go; the new ones take the place of the first.
    int end = SectionEnd(header);
    int at = -1;
    KeyLine parsed;
    for (int i = end - 1; i > header; --i) {
        if (ParseKeyLine(lines[i], &parsed) && parsed.name.compare(key, Qt::CaseInsensitive) == 0) {
            lines.removeAt(i);
            at = i;
            --end;
        }
    }
    if (at < 0) {
        // After the section's last key, as SetValue adds one.
        at = header + 1;
        for (int i = header + 1; i < end; ++i)
            if (ParseKeyLine(lines[i], &parsed))
                at = i + 1;
    }
    const QByteArray lineEnd = crlf ? QByteArray("\r") : QByteArray();
    for (const QString& value : values)
        lines.insert(at++, key.toUtf8() + '=' + value.toUtf8() + lineEnd);
    if (at == lines.size())
        endsWithLineEnd = true;
}

void IniDocument::CheckNames(const QString& section, const QString& key, const QString& value)
{
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || HasLineBreak(section) ||
        HasLineBreak(key) || HasLineBreak(value) || key.contains(QLatin1Char('=')))
        throw QuilloError(kErrorBadName, kErrorSource,
                          QStringLiteral("Cannot write the setting \"%1\" in section \"%2\": names must "
                                         "not be empty and nothing may hold a line break.")
                              .arg(key, section));
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value)
{
    CheckNames(section, key, value);
    const QByteArray lineEnd = crlf ? QByteArray("\r") : QByteArray();
    const QByteArray newLine = key.toUtf8() + '=' + value.toUtf8() + lineEnd;
    const int header = FindSection(section);
    if (header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(lineEnd);
        lines.append('[' + section.toUtf8() + ']' + lineEnd);
        lines.append(newLine);
        endsWithLineEnd = true;
        return;
    }
    const int end = SectionEnd(header);
    int lastKey = header;
    KeyLine parsed;
    for (int i = header + 1; i < end; ++i) {
        if (!ParseKeyLine(lines[i], &parsed))
            continue;
        if (parsed.name.compare(key, Qt::CaseInsensitive) == 0) {
            // Keep the key spelled as the file spells it, and the line's own end.
            const QByteArray ownEnd = lines[i].endsWith('\r') ? QByteArray("\r") : QByteArray();
            lines[i] = lines[i].left(lines[i].indexOf('=')).trimmed() + '=' + value.toUtf8() + ownEnd;
            return;
        }
        lastKey = i;
    }
    lines.insert(lastKey + 1, newLine);
    if (lastKey + 1 == lines.size() - 1)
        endsWithLineEnd = true;
}

QByteArray IniDocument::Contents() const
{
    QByteArray out;
    if (byteOrderMark)
        out += kUtf8Bom;
    for (int i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || endsWithLineEnd)
            out += '\n';
    }
    return out;
}

void IniDocument::Save(const QString& path) const
{
    // Users who keep their options elsewhere link to them.
    AtomicFileWriter::Rules rules;
    rules.replaceExisting = true;
    rules.followLinks = true;
    AtomicFileWriter writer(path, rules, QLatin1String(kErrorSource), QStringLiteral("Cannot write \"%1\""));
    writer.Write(Contents());
    writer.Commit();
}
