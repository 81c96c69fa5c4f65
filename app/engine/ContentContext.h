#pragma once

#include "app/ReplaceMacros.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>

// The content of the snippet with that abbreviation, or nothing when there is none.
using SnippetLookup = std::function<std::optional<QString>(const QString& abbreviation)>;

// What filling in a content may need besides the content itself.
struct ContentContext
{
    MacroClock clock = &QDateTime::currentDateTime;
    QLocale locale = QLocale::system();
    // The user's clipboard text; asked at most once, and only when the
    // content uses it (reading a clipboard may wait on another program).
    // Unset: empty.
    std::function<QString()> clipboard;
    // Unset: no snippet can be brought in.
    SnippetLookup snippets;
    // The abbreviation of the snippet being expanded, so that it cannot
    // bring itself in ("" when there is none).
    QString abbreviation;
    // The fill-in fields' values by label; a field without one takes its
    // default, a choice its first value.
    QHash<QString, QString> answers;
};
