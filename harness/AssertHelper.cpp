#include "harness/AssertHelper.h"

#include "harness/PathPattern.h"
#include "harness/ProvellaError.h"
#include "harness/TestUnit.h"

#include <QFile>
#include <QMetaType>

namespace {

const QString kSource = QStringLiteral("AssertHelper");
constexpr qint64 kReadChunk = 4096;

// True is -1 when a truth value takes part in arithmetic comparison.
constexpr double kTrueAsNumber = -1.0;

enum class Kind { Empty, Number, Text, Other };

Kind KindOf(const QVariant& value)
{
    if (!value.isValid())
        return Kind::Empty;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Float:
    case QMetaType::Double:
        return Kind::Number;
    case QMetaType::QString:
    case QMetaType::QChar:
    case QMetaType::QByteArray:
        return Kind::Text;
    default:
        return Kind::Other;
    }
}

bool IsIntegral(const QVariant& value)
{
    const int id = value.metaType().id();
    return id != QMetaType::Float && id != QMetaType::Double && id != QMetaType::Bool;
}

bool IsUnsigned(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

double AsNumber(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? kTrueAsNumber : 0.0;
    return value.toDouble();
}

bool NumbersEqual(const QVariant& one, const QVariant& two)
{
    // Whole numbers compare exactly; going through double would merge large
    // neighbours such as 2^53 and 2^53 + 1.
    if (IsIntegral(one) && IsIntegral(two)) {
        const bool unsignedOne = IsUnsigned(one), unsignedTwo = IsUnsigned(two);
        if (unsignedOne == unsignedTwo)
            return unsignedOne ? one.toULongLong() == two.toULongLong()
                               : one.toLongLong() == two.toLongLong();
        const QVariant& s = unsignedOne ? two : one;
        const QVariant& u = unsignedOne ? one : two;
        return s.toLongLong() >= 0 && quint64(s.toLongLong()) == u.toULongLong();
    }
    return AsNumber(one) == AsNumber(two);
}

} // namespace

AssertHelper::AssertHelper(QObject* parent) : QObject(parent) {}

qint32 AssertHelper::setBlongedTest(TestUnit* aTest)
{
    unit = aTest;
    return 0;
}

void AssertHelper::RequireUnit() const
{
    if (!unit)
        throw ProvellaError(ProvellaError::kObjectNotSet, kSource,
                            QStringLiteral("The assertion helper is not bound to a test unit."));
}

qint32 AssertHelper::Report(bool passed, const QString& reason, QString& txtComment)
{
    if (!passed)
        txtComment += reason;
    unit->CallBackAssertResult(passed, txtComment);
    return 0;
}

QString AssertHelper::ValueText(const QVariant& value)
{
    switch (KindOf(value)) {
    case Kind::Empty:
        return QString();
    case Kind::Number:
        if (value.metaType().id() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        if (IsIntegral(value))
            return IsUnsigned(value) ? QString::number(value.toULongLong())
                                     : QString::number(value.toLongLong());
        // Fifteen significant digits hide binary noise such as 0.1 + 0.2.
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

bool AssertHelper::LooselyEqual(const QVariant& valueOne, const QVariant& valueTwo)
{
    const Kind one = KindOf(valueOne), two = KindOf(valueTwo);
    if (one != two)
        return false;
    switch (one) {
    case Kind::Empty:
        return true;
    case Kind::Number:
        return NumbersEqual(valueOne, valueTwo);
    case Kind::Text:
        return valueOne.toString() == valueTwo.toString();
    case Kind::Other:
        return valueOne == valueTwo;
    }
    return false;
}

qint32 AssertHelper::CompareValues(const QVariant& valueOne, const QVariant& valueTwo,
                                   QString& txtComment)
{
    RequireUnit();
    return Report(LooselyEqual(valueOne, valueTwo),
                  QStringLiteral("[expect:") + ValueText(valueOne) + QStringLiteral(" but:")
                      + ValueText(valueTwo) + QStringLiteral("]"),
                  txtComment);
}

qint32 AssertHelper::equalNothing(const void* aObj, QString& txtComment)
{
    RequireUnit();
    return Report(aObj == nullptr, QStringLiteral("[expect Nothing but the object is something]"),
                  txtComment);
}

qint32 AssertHelper::equalNothing(const void* aObj, const QString& txtComment)
{
    QString comment = txtComment;
    return equalNothing(aObj, comment);
}

qint32 AssertHelper::equalNotNothing(const void* aObj, QString& txtComment)
{
    RequireUnit();
    return Report(aObj != nullptr, QStringLiteral("[expect NOT Nothing but the object is Nothing]"),
                  txtComment);
}

qint32 AssertHelper::equalNotNothing(const void* aObj, const QString& txtComment)
{
    QString comment = txtComment;
    return equalNotNothing(aObj, comment);
}

qint32 AssertHelper::equalFileExist(const QString& filePath, QString& txtComment)
{
    RequireUnit();
    return Report(PathPattern::AnyMatch(filePath, PathPattern::Accept::OrdinaryFiles),
                  QStringLiteral("[file not exist]"), txtComment);
}

qint32 AssertHelper::equalFileExist(const QString& filePath, const QString& txtComment)
{
    QString comment = txtComment;
    return equalFileExist(filePath, comment);
}

qint32 AssertHelper::equalFileNotExist(const QString& filePath, QString& txtComment)
{
    RequireUnit();
    return Report(!PathPattern::AnyMatch(filePath, PathPattern::Accept::OrdinaryFiles),
                  QStringLiteral("[file exist]"), txtComment);
}

qint32 AssertHelper::equalFileNotExist(const QString& filePath, const QString& txtComment)
{
    QString comment = txtComment;
    return equalFileNotExist(filePath, comment);
}

qint32 AssertHelper::equalFolderExist(const QString& folderpath, QString& txtComment)
{
    RequireUnit();
    return Report(PathPattern::AnyMatch(folderpath, PathPattern::Accept::FoldersAndOrdinaryFiles),
                  QStringLiteral("[folder not exist]"), txtComment);
}

qint32 AssertHelper::equalFolderExist(const QString& folderpath, const QString& txtComment)
{
    QString comment = txtComment;
    return equalFolderExist(folderpath, comment);
}

qint32 AssertHelper::equalFolderNotExist(const QString& folderpath, QString& txtComment)
{
    RequireUnit();
    return Report(!PathPattern::AnyMatch(folderpath, PathPattern::Accept::FoldersAndOrdinaryFiles),
                  QStringLiteral("[folder exist]"), txtComment);
}

qint32 AssertHelper::equalFolderNotExist(const QString& folderpath, const QString& txtComment)
{
    QString comment = txtComment;
    return equalFolderNotExist(folderpath, comment);
}

QString AssertHelper::FirstLine(const QString& filePath)
{
    QFile file(filePath);
    if (filePath.isEmpty() || !file.exists())
        throw ProvellaError(ProvellaError::kFileNotFound, kSource,
                            QStringLiteral("File not found: ") + filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw ProvellaError(ProvellaError::kPathFileAccessError, kSource,
                            QStringLiteral("Path/File access error: ") + filePath + QStringLiteral(" (")
                                + file.errorString() + QStringLiteral(")"));

    // Read only as far as the first line break: the file may be large.
    QByteArray head;
    qsizetype lineEnd = -1;
    while (lineEnd < 0 && !file.atEnd()) {
        const QByteArray chunk = file.read(kReadChunk);
        if (chunk.isEmpty())
            break;
        const qsizetype searchFrom = head.size();
        head += chunk;
        for (qsizetype i = searchFrom; i < head.size(); ++i) {
            if (head[i] == '\n' || head[i] == '\r') {
                lineEnd = i;
                break;
            }
        }
    }
    if (head.isEmpty())
        throw ProvellaError(ProvellaError::kInputPastEndOfFile, kSource,
                            QStringLiteral("Input past end of file: ") + filePath);
    return QString::fromLocal8Bit(lineEnd < 0 ? head : head.left(lineEnd));
}

qint32 AssertHelper::equalFileStartWith(const QString& filePath, const QString& matchStr,
                                        QString& txtComment)
{
    RequireUnit();
    const QString line = FirstLine(filePath);
    return Report(line.startsWith(matchStr, Qt::CaseSensitive), QStringLiteral("[not match]"),
                  txtComment);
}

qint32 AssertHelper::equalFileStartWith(const QString& filePath, const QString& matchStr,
                                        const QString& txtComment)
{
    QString comment = txtComment;
    return equalFileStartWith(filePath, matchStr, comment);
}
