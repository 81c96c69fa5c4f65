#include "store/import/ImportFormat.h"

#include "core/QuilloError.h"
#include "store/SnippetExport.h"
#include "store/SnippetManager.h"
#include "store/import/AutokeyImporter.h"
#include "store/import/BeeftextImporter.h"
#include "store/import/CsvSnippetImporter.h"
#include "store/import/EspansoImporter.h"
#include "store/import/HotstringImporter.h"
#include "store/import/PlainSnippetFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>

namespace {

const QList<std::pair<ImportFormat::Kind, QString>>& Table()
{
    static const QList<std::pair<ImportFormat::Kind, QString>> table = {
        {ImportFormat::Kind::Espanso, "espanso"}, {ImportFormat::Kind::Beeftext, "beeftext"},
        {ImportFormat::Kind::Autokey, "autokey"}, {ImportFormat::Kind::Ahk, "ahk"},
        {ImportFormat::Kind::TextExpander, "textexpander"}, {ImportFormat::Kind::Yaml, "yaml"},
        {ImportFormat::Kind::Json, "json"}, {ImportFormat::Kind::Snippets, "snippets"},
    };
    return table;
}

// Enough of a file to tell what it is.
constexpr qint64 kSniffBytes = 64 * 1024;

ImportFormat::Kind GuessFolder(const QString& path)
{
    const QDir dir(path);
    if (dir.exists(QStringLiteral("match")))
        return ImportFormat::Kind::Espanso;
    bool yaml = false, phrase = false;
    for (QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QFileInfo file(it.next());
        if (file.suffix() == u"yml" || file.suffix() == u"yaml")
            yaml = true;
        if (file.suffix() == u"txt" &&
            (file.dir().exists(file.completeBaseName() + QStringLiteral(".json")) ||
             file.dir().exists(u'.' + file.completeBaseName() + QStringLiteral(".json"))))
            phrase = true;
    }
    return phrase ? ImportFormat::Kind::Autokey : yaml ? ImportFormat::Kind::Espanso : ImportFormat::Kind::Unknown;
}

} // namespace

QString ImportFormat::Name(Kind kind)
{
    for (const auto& [k, name] : Table())
        if (k == kind)
            return name;
    return QString();
}

ImportFormat::Kind ImportFormat::FromName(const QString& name)
{
    for (const auto& [kind, n] : Table())
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return kind;
    return Kind::Unknown;
}

QStringList ImportFormat::Names()
{
    QStringList names;
    for (const auto& entry : Table())
        names << entry.second;
    return names;
}

ImportFormat::Kind ImportFormat::Guess(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return GuessFolder(path);
    if (!info.isFile())
        return Kind::Unknown; // a pipe or a device is never opened
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Unknown;
    const QByteArray head = file.read(kSniffBytes);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return Kind::Snippets;
    const QString suffix = info.suffix().toLower();
    if (PlainSnippetFile::Recognises(head))
        return head.trimmed().startsWith('{') ? Kind::Json : Kind::Yaml;
    const QString text = QString::fromUtf8(head);
    if (text.contains(QRegularExpression(QStringLiteral(R"re("(combos|comboText|fileFormatVersion)")re"))))
        return Kind::Beeftext;
    if (text.contains(QRegularExpression(QStringLiteral(R"((^|\n)\s*(matches|imports|global_vars)\s*:)"))))
        return Kind::Espanso;
    if (suffix == u"ahk" || text.contains(QRegularExpression(QStringLiteral(R"((^|\n)\s*:[^:\s]*:[^\n]+::)"))))
        return Kind::Ahk;
    if (suffix == u"csv" || suffix == u"txt")
        return text.contains(QLatin1String("#{")) ? Kind::Beeftext : Kind::TextExpander;
    if (suffix == u"yml" || suffix == u"yaml")
        return Kind::Espanso;
    if (suffix == u"snippets" || suffix == u"mdb")
        return Kind::Snippets;
    return Kind::Unknown;
}

ImportBatch ImportFormat::ReadSnippetFile(const QString& database, const QString& file)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw QuilloError(0, QStringLiteral("Import"),
                          QStringLiteral("Cannot make a temporary folder to read \"%1\".").arg(file));
    const QString copy = scratch.filePath(QStringLiteral("reading.mdb"));
    SnippetExport::Export(database, copy, false);
    {
        SQLite::Database db(QFile::encodeName(copy).toStdString(), SQLite::OPEN_READWRITE);
        db.exec("delete from snippets");
    }
    SnippetManager reader;
    reader.OpenSetFile(copy);
    reader.ImportSnippets(file);
    ImportBatch batch;
    for (const SnippetPtr& snippet : reader.GetMatchedCol(QString()))
        batch.snippets.push_back({*snippet, QFileInfo(file).fileName()});
    reader.CloseLogFile();
    return batch;
}

ImportBatch ImportFormat::Read(Kind kind, const QString& path)
{
    switch (kind) {
    case Kind::Espanso:
        return EspansoImporter::Read(path);
    case Kind::Beeftext:
        return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                   ? CsvSnippetImporter::Read(path, CsvSnippetImporter::Flavour::Beeftext)
                   : BeeftextImporter::Read(path);
    case Kind::Autokey:
        return AutokeyImporter::Read(path);
    case Kind::Ahk:
        return HotstringImporter::Read(path);
    case Kind::TextExpander:
        return CsvSnippetImporter::Read(path, CsvSnippetImporter::Flavour::TextExpander);
    case Kind::Yaml:
    case Kind::Json:
        return PlainSnippetFile::Read(path);
    case Kind::Snippets:
    case Kind::Unknown:
        break;
    }
    ImportBatch batch;
    batch.Skip(QFileInfo(path).fileName(), QStringLiteral("not a file of another expander"));
    return batch;
}
