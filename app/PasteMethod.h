#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// How the content reaches the application: a key combination that pastes
// the clipboard (Ctrl+V almost everywhere; terminals use Ctrl+Shift+V, or
// Shift+Insert with the primary selection), or typing it key by key for
// programs that paste with neither.
//
// Written in settings.ini as "Ctrl+Shift+V", "Shift+Insert primary", "Type":
// modifiers and one key joined by "+", then optionally the word "primary"
// when the program pastes the primary selection rather than the clipboard.
struct PasteMethod
{
    enum Key { VkInsert = 45, VkV = 86, VkShift = 16, VkControl = 17, VkAlt = 18 };

    bool type = false;
    QList<int> modifiers{VkControl}; // pressed in order, released in reverse
    int key = VkV;
    bool primary = false;

    bool operator==(const PasteMethod&) const = default;

    // The method a text names, or nothing when it names none.
    static std::optional<PasteMethod> Parse(const QString& text);

    // As written in settings.ini ("Ctrl+Shift+V", "Shift+Insert primary",
    // "Type"), for the log.
    QString ToText() const;

    // The method for a window of these class names (instance and class): the
    // user's entry for either name first, then the built-in table of common
    // terminals, else Ctrl+V. userKeys answers "" for a name the user did not
    // list; an entry that does not parse counts as none.
    static PasteMethod ForWindow(const QStringList& classNames,
                                 const std::function<QString(const QString&)>& userKeys);
};
