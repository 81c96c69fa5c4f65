#include "store/import/PeerText.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStringDecoder>

bool PeerText::Read(const QString& path, QString* text, QString* problem, bool* guessedLatin1)
{
    // Snippet files are small; anything this large is not one.
    constexpr qint64 kMaxBytes = 64 * 1024 * 1024;
    // A folder, a pipe or a device would fail or wait for ever.
    if (!QFileInfo(path).isFile()) {
        *problem = QFileInfo::exists(path) ? QStringLiteral("not a regular file") : QStringLiteral("the file is not there");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return false;
    }
    if (file.size() > kMaxBytes) {
        *problem = QStringLiteral("the file is larger than %1 MB").arg(kMaxBytes / 1024 / 1024);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (guessedLatin1)
        *guessedLatin1 = false;
    if (auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding); // drops the mark
        *text = decoder.decode(bytes);
        return true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    *text = utf8.decode(bytes);
    if (!utf8.hasError())
        return true;
    *text = QString::fromLatin1(bytes);
    if (guessedLatin1)
        *guessedLatin1 = true;
    return true;
}

bool PeerText::ReadFor(ImportBatch& batch, const QString& path, QString* text)
{
    const QString name = QFileInfo(path).fileName();
    QString problem;
    bool latin1 = false;
    if (!Read(path, text, &problem, &latin1)) {
        batch.Skip(name, problem);
        return false;
    }
    if (latin1)
        batch.Change(name, QStringLiteral("not UTF-8: read as Western (Latin-1) text"));
    return true;
}

bool PeerText::ReadJsonObject(const QString& path, QJsonObject* object, QString* problem, int* line)
{
    QString text;
    *line = 0;
    if (!Read(path, &text, problem))
        return false;
    QJsonParseError error;
    const QByteArray bytes = text.toUtf8();
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (!document.isObject()) {
        // The offset is in bytes; the line is what a person looks for.
        *line = int(bytes.left(error.offset).count('\n')) + 1;
        *problem = error.error == QJsonParseError::NoError ? QStringLiteral("no object at the top") : error.errorString();
        return false;
    }
    *object = document.object();
    return true;
}

QStringList PeerText::Lines(const QString& text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return unified.split(u'\n');
}
