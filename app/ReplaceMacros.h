#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>

// Gives "now"; tests and the command line fix it.
using MacroClock = std::function<QDateTime()>;

// The content with every placeholder of MacroTable replaced by the current
// date or time, in the table's order and with exact (case-sensitive)
// matching. Each placeholder reads the clock when its turn comes. Content
// without both "[" and "]" comes back unchanged.
QString ReplaceMacros(const QString& content);
QString ReplaceMacros(const QString& content, const MacroClock& clock, const QLocale& locale);
