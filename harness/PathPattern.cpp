#include "harness/PathPattern.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool IsHiddenName(const QString& name)
{
    // "." and ".." name a folder itself, not a hidden entry in it.
    return name.startsWith(QLatin1Char('.')) && name != QLatin1String(".")
           && name != QLatin1String("..");
}

bool Accepted(const QFileInfo& info, PathPattern::Accept accept)
{
    if (info.isFile())
        return true;
    return accept == PathPattern::Accept::FoldersAndOrdinaryFiles && info.isDir();
}

} // namespace

bool PathPattern::HasWildcard(QStringView name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

bool PathPattern::WildcardMatch(QStringView pattern, QStringView name)
{
    // Greedy matching with one backtrack point: the last '*' seen.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool PathPattern::AnyMatch(const QString& path, Accept accept)
{
    // An empty path would otherwise list the working folder and match
    // whatever happens to be in it.
    if (path.isEmpty())
        return false;

    QString clean = QDir::fromNativeSeparators(path);
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);

    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".")
                         : slash == 0 ? QStringLiteral("/")
                                      : clean.left(slash);
    QString name = clean.mid(slash + 1);

    if (!HasWildcard(name)) {
        if (IsHiddenName(name))
            return false;
        return Accepted(QFileInfo(clean), accept);
    }

    // Old listings treat "*.*" as "everything", dot or not.
    if (name == QLatin1String("*.*"))
        name = QStringLiteral("*");

    QDir::Filters filters = QDir::Files | QDir::NoDotAndDotDot;
    if (accept == Accept::FoldersAndOrdinaryFiles)
        filters |= QDir::Dirs;
    // Without QDir::Hidden and QDir::System the listing already leaves out
    // dot entries, special files and broken links.
    const QFileInfoList entries = QDir(folder).entryInfoList(filters, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!IsHiddenName(entry.fileName()) && WildcardMatch(name, entry.fileName())
            && Accepted(entry, accept))
            return true;
    }
    return false;
}
