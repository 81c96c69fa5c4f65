#include "app/PasteMethod.h"

#include "settings/KeyNames.h"

#include <array>

namespace {

struct KnownWindow
{
    const char* windowClass;
    const char* keys;
};

// Terminals that do not paste with Ctrl+V (there it sends a control
// character to the program in the terminal). Classes as the terminals set
// them; compared without regard to letter case.
constexpr std::array<KnownWindow, 24> kKnownWindows{{
    {"XTerm", "Shift+Insert primary"},
    {"UXTerm", "Shift+Insert primary"},
    {"URxvt", "Shift+Insert primary"},
    {"Rxvt", "Shift+Insert primary"},
    {"st-256color", "Ctrl+Shift+V"},
    {"St", "Ctrl+Shift+V"},
    {"Gnome-terminal", "Ctrl+Shift+V"},
    {"gnome-terminal-server", "Ctrl+Shift+V"},
    {"kgx", "Ctrl+Shift+V"},
    {"Xfce4-terminal", "Ctrl+Shift+V"},
    {"Lxterminal", "Ctrl+Shift+V"},
    {"Mate-terminal", "Ctrl+Shift+V"},
    {"konsole", "Ctrl+Shift+V"},
    {"qterminal", "Ctrl+Shift+V"},
    {"Terminator", "Ctrl+Shift+V"},
    {"Tilix", "Ctrl+Shift+V"},
    {"Sakura", "Ctrl+Shift+V"},
    {"Terminology", "Ctrl+Shift+V"},
    {"Guake", "Ctrl+Shift+V"},
    {"Tilda", "Ctrl+Shift+V"},
    {"kitty", "Ctrl+Shift+V"},
    {"Alacritty", "Ctrl+Shift+V"},
    {"foot", "Ctrl+Shift+V"},
    {"org.wezfurlong.wezterm", "Ctrl+Shift+V"},
}};

int ModifierOf(const QString& name)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("CTRL") || upper == QLatin1String("CONTROL"))
        return PasteMethod::VkControl;
    if (upper == QLatin1String("SHIFT"))
        return PasteMethod::VkShift;
    if (upper == QLatin1String("ALT"))
        return PasteMethod::VkAlt;
    return 0;
}

int KeyOf(const QString& name)
{
    const QString upper = name.toUpper();
    if (upper.size() == 1 && upper[0] >= QLatin1Char('A') && upper[0] <= QLatin1Char('Z'))
        return upper[0].unicode();
    if (upper == QLatin1String("INSERT") || upper == QLatin1String("INS"))
        return PasteMethod::VkInsert;
    return KeyNameToCode(upper);
}

} // namespace

std::optional<PasteMethod> PasteMethod::Parse(const QString& text)
{
    QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    PasteMethod method;
    if (!words.isEmpty() && words.last().compare(QLatin1String("primary"), Qt::CaseInsensitive) == 0) {
        method.primary = true;
        words.removeLast();
    }
    if (words.size() != 1)
        return std::nullopt;
    if (words[0].compare(QLatin1String("type"), Qt::CaseInsensitive) == 0) {
        if (method.primary)
            return std::nullopt;
        method.type = true;
        method.modifiers.clear();
        method.key = 0;
        return method;
    }
    const QStringList parts = words[0].split(QLatin1Char('+'));
    method.modifiers.clear();
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int modifier = ModifierOf(parts[i]);
        if (modifier == 0 || method.modifiers.contains(modifier))
            return std::nullopt;
        method.modifiers << modifier;
    }
    method.key = KeyOf(parts.last());
    if (method.key == 0)
        return std::nullopt;
    return method;
}

QString PasteMethod::ToText() const
{
    if (type)
        return QStringLiteral("Type");
    QStringList parts;
    for (int modifier : modifiers)
        parts << (modifier == VkControl ? QStringLiteral("Ctrl")
                  : modifier == VkShift ? QStringLiteral("Shift")
                                        : QStringLiteral("Alt"));
    parts << (key == VkInsert                       ? QStringLiteral("Insert")
              : key >= 'A' && key <= 'Z'            ? QString(QChar(key))
                                                    : QStringLiteral("key %1").arg(key));
    return parts.join(QLatin1Char('+')) + (primary ? QStringLiteral(" primary") : QString());
}

PasteMethod PasteMethod::ForWindow(const QStringList& classNames,
                                   const std::function<QString(const QString&)>& userKeys)
{
    for (const QString& name : classNames) {
        if (name.isEmpty() || !userKeys)
            continue;
        if (const auto method = Parse(userKeys(name)))
            return *method;
    }
    for (const QString& name : classNames)
        for (const KnownWindow& known : kKnownWindows)
            if (name.compare(QLatin1String(known.windowClass), Qt::CaseInsensitive) == 0)
                return *Parse(QLatin1String(known.keys));
    return PasteMethod();
}
