#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// One application a rule names: a window class or Wayland application id
// (the whole name, any letter case), or "title:PATTERN", a window title
// matched whole with the wildcards * and ? (any letter case).
class AppRule
{
public:
    static constexpr const char* kTitlePrefix = "title:";

    // The rule a text states, or nothing when it states none: empty, a line
    // break or other control character, a class holding wildcards
    // (patterns are for titles; some classes do hold blanks), "title:"
    // without a pattern.
    static std::optional<AppRule> Parse(const QString& text);
    // Why Parse refuses text, for the user; "" when it does not.
    static QString Problem(const QString& text);

    // classes: the window's class names (on X11 both words of WM_CLASS, on
    // Wayland the application id); title: its title.
    bool Matches(const QStringList& classes, const QString& title) const;
    // Whether any of the texts states a rule that matches; texts that state
    // none match nothing.
    static bool AnyMatches(const QStringList& texts, const QStringList& classes, const QString& title);
    bool IsTitlePattern() const { return byTitle; }
    // The rule as written in the file and shown to the user.
    QString Text() const { return text; }
    // Whether two texts name the same rule (class names in any letter case).
    static bool SameRule(const QString& a, const QString& b);

    // A list of rules as one line of text: entries separated by commas
    // (blanks around them dropped, empty ones skipped). "\," is a comma
    // inside an entry ("title:Report\, final*") and "\\" a backslash; any
    // other backslash stays as typed, so texts written before commas could
    // be escaped read as they always did.
    static QStringList SplitList(const QString& text);
    // The line SplitList reads back as the same entries.
    static QString JoinList(const QStringList& texts, const QString& separator);

private:
    QString text;
    bool byTitle = false;
    QString wanted; // the class name, or the title pattern folded to lower case

    static bool Wildcard(const QString& pattern, const QString& subject);
};
