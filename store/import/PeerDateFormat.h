#pragma once

#include <QString>
#include <QStringList>

// Date and time formats of other expanders written with Quillo's own date
// placeholders ("[year yyyy]-[month MM]-[day dd]"). Quillo has no free date
// format: what its placeholders cannot say stays as literal text and is named
// in `unsupported`, so the import report can tell the user.
class PeerDateFormat
{
public:
    struct Translation
    {
        QString text;
        QStringList unsupported; // the codes kept as they were, e.g. "%I"
    };

    // C/strftime codes ("%Y-%m-%d"), with the "%-d" no-padding forms.
    static Translation FromStrftime(const QString& format);
    // Qt's date-time format ("yyyy-MM-dd HH:mm", 'quoted' literals).
    static Translation FromQt(const QString& format);
};
