#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Reads a desktop entry as a session's autostart would: the value of a key
// of [Desktop Entry], and the Exec line split into its arguments by the
// quoting rules of the desktop entry format. Written from those rules, not
// from the program's writer.
class DesktopEntryReader
{
public:
    explicit DesktopEntryReader(const QByteArray& text) : text(QString::fromUtf8(text)) {}

    static DesktopEntryReader FromFile(const QString& path)
    {
        QFile file(path);
        return DesktopEntryReader(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }

    // The raw value, string escapes undone; a null string when missing.
    QString Value(const QString& key) const
    {
        bool inGroup = false;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('[')))
                inGroup = line == QLatin1String("[Desktop Entry]");
            else if (inGroup && line.startsWith(key + QLatin1Char('=')))
                return Unescape(line.mid(key.size() + 1));
        }
        return QString();
    }

    // Exec split into arguments; empty when the quoting is broken.
    QStringList ExecArguments() const
    {
        const QString exec = Value(QStringLiteral("Exec"));
        QStringList arguments;
        QString current;
        bool inQuotes = false;
        bool inWord = false;
        for (int i = 0; i < exec.size(); ++i) {
            const QChar c = exec[i];
            if (c == QLatin1Char('%')) {
                if (i + 1 >= exec.size() || exec[i + 1] != QLatin1Char('%'))
                    return {}; // field codes are not expected here
                current += c;
                inWord = true;
                ++i;
            } else if (inQuotes) {
                if (c == QLatin1Char('"')) {
                    inQuotes = false;
                } else if (c == QLatin1Char('\\')) {
                    if (i + 1 >= exec.size() || !QStringLiteral("\"`$\\").contains(exec[i + 1]))
                        return {};
                    current += exec[++i];
                } else {
                    current += c;
                }
            } else if (c == QLatin1Char('"')) {
                inQuotes = true;
                inWord = true;
            } else if (c == QLatin1Char(' ')) {
                if (inWord)
                    arguments << current;
                current.clear();
                inWord = false;
            } else {
                // Reserved characters must be quoted.
                if (QStringLiteral("\t\n'\\><~|&;$*?#`()").contains(c))
                    return {};
                current += c;
                inWord = true;
            }
        }
        if (inQuotes)
            return {};
        if (inWord)
            arguments << current;
        return arguments;
    }

private:
    static QString Unescape(const QString& value)
    {
        QString out;
        for (int i = 0; i < value.size(); ++i) {
            if (value[i] != QLatin1Char('\\') || i + 1 >= value.size()) {
                out += value[i];
                continue;
            }
            const QChar next = value[++i];
            if (next == QLatin1Char('s'))
                out += QLatin1Char(' ');
            else if (next == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (next == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else if (next == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else if (next == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            else
                out += QLatin1Char('\\') + next; // left for the Exec rules
        }
        return out;
    }

    QString text;
};
