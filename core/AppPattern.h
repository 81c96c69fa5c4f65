#pragma once

#include <QString>
#include <QStringList>

// One application as the user names it: a window class (X11's WM_CLASS
// names) or a Wayland app id, compared without regard to letter case, or
// "title:" followed by a pattern the whole window title must match, where
// "*" stands for any run of characters and "?" for one, letter case ignored.
class AppPattern
{
public:
    static constexpr const char* kTitlePrefix = "title:";

    explicit AppPattern(const QString& text);

    // classes: every name the window goes by (instance and class on X11, the
    // app id on Wayland); title: its title.
    bool Matches(const QStringList& classes, const QString& title) const;
    // Whether any of the patterns matches.
    static bool AnyMatches(const QStringList& patterns, const QStringList& classes, const QString& title);
    // A pattern that can match something: not empty, not "title:" alone.
    static bool IsValid(const QString& text);

    QString Text() const { return text; }

private:
    static bool Wildcard(const QString& pattern, const QString& subject);

    QString text;
    bool byTitle = false;
    QString wanted; // the class or title pattern, folded to lower case
};
