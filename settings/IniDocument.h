#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An INI file held as its raw lines, so that changing one value leaves every
// other line, comment and section byte for byte as it was. Section and key
// names compare without regard to letter case; the first match wins.
class IniDocument
{
public:
    // Longest value a read returns; longer values are cut.
    static constexpr int kMaxValueLength = 511;

    IniDocument() = default;
    explicit IniDocument(const QByteArray& raw);

    // Reads the file; a missing file gives an empty document. Throws
    // QuilloError when the file exists but cannot be read whole (or is no
    // regular file): a document made of part of a file would lose the rest
    // when it is written back.
    static IniDocument Load(const QString& path);
    // The file's bytes as Load reads them; *exists tells a missing file
    // from an empty one.
    static QByteArray ReadWhole(const QString& path, bool* exists = nullptr);

    // The value of the key, trimmed, with one pair of enclosing quotes removed,
    // at most kMaxValueLength characters; "" when section or key is missing.
    QString Value(const QString& section, const QString& key) const;

    // Replaces the key's value in place, adds a missing key at the end of its
    // section, or adds a missing section at the end. Throws QuilloError when a
    // name or value holds a line break or a name is empty.
    void SetValue(const QString& section, const QString& key, const QString& value);

    // A key a section holds on several lines (a list, one item a line): every
    // value in file order, read as Value reads one.
    QStringList Values(const QString& section, const QString& key) const;
    // Replaces every line of the key with one line per value, where the first
    // of them was (else as SetValue adds a key); no values removes the key.
    // Throws QuilloError as SetValue does, before anything changed.
    void SetValues(const QString& section, const QString& key, const QStringList& values);

    QByteArray Contents() const;

    // Writes the whole document to a temporary file in the same folder and
    // renames it over the target, so a crash never leaves half a file. Every
    // step is checked (write, flush to disk, close, rename): when one fails,
    // on a full disk say, the file stays exactly as it was and QuilloError
    // gives the reason. A symbolic link is followed: the file it names is
    // replaced and the link stays.
    void Save(const QString& path) const;

private:
    struct KeyLine
    {
        QString name;
        QByteArray value;
    };
    static bool SectionName(const QByteArray& line, QString* name);
    static bool ParseKeyLine(const QByteArray& line, KeyLine* parsed);
    static QString ValueText(QByteArray value);
    static void CheckNames(const QString& section, const QString& key, const QString& value);
    int FindSection(const QString& section) const; // index of the header line, or -1
    int SectionEnd(int header) const;              // index of the next header, or line count

    QList<QByteArray> lines; // split at '\n'; a '\r' before it stays with the line
    bool crlf = false;       // new lines follow the file's style
    bool endsWithLineEnd = true;
    bool byteOrderMark = false; // the file starts with a UTF-8 byte-order mark
    static constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
};
