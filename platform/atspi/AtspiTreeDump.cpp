#include "platform/atspi/AtspiTreeDump.h"

#include <atspi/atspi.h>

namespace {

// Far more than any window of the program holds; a bound against a tree
// that never ends (a misbehaving program).
constexpr int kMaxObjects = 20000;
constexpr int kMaxDepth = 64;

QString StateNames(AtspiStateSet* states)
{
    QStringList names;
    GArray* list = atspi_state_set_get_states(states);
    GEnumClass* type = G_ENUM_CLASS(g_type_class_ref(ATSPI_TYPE_STATE_TYPE));
    for (guint i = 0; list && i < list->len; ++i) {
        const GEnumValue* value = g_enum_get_value(type, g_array_index(list, gint, int(i)));
        if (value)
            names << QString::fromLatin1(value->value_nick);
    }
    g_type_class_unref(type);
    if (list)
        g_array_free(list, TRUE);
    names.sort();
    return names.join(QStringLiteral(", "));
}

void Walk(AtspiAccessible* node, int depth, QStringList& lines)
{
    if (depth > kMaxDepth || lines.size() >= kMaxObjects)
        return;
    GError* error = nullptr;
    AtspiStateSet* states = atspi_accessible_get_state_set(node);
    const bool showing = !states || atspi_state_set_contains(states, ATSPI_STATE_SHOWING) || depth <= 1;
    if (!showing) {
        g_object_unref(states);
        return;
    }
    gchar* role = atspi_accessible_get_role_name(node, &error);
    g_clear_error(&error);
    gchar* name = atspi_accessible_get_name(node, &error);
    g_clear_error(&error);
    lines << QString(depth * 2, QLatin1Char(' ')) + QString::fromUtf8(role ? role : "") + QStringLiteral(" | ") +
                 QString::fromUtf8(name ? name : "") + QStringLiteral(" | ") +
                 (states ? StateNames(states) : QString());
    g_free(role);
    g_free(name);
    if (states)
        g_object_unref(states);
    const gint count = atspi_accessible_get_child_count(node, &error);
    g_clear_error(&error);
    for (gint i = 0; i < count; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, &error);
        g_clear_error(&error);
        if (!child)
            continue;
        Walk(child, depth + 1, lines);
        g_object_unref(child);
    }
}

} // namespace

QStringList AtspiTreeDump::OfProcess(qint64 pid, QString* error)
{
    const int status = atspi_init();
    if (status != 0 && status != 1) {
        if (error)
            *error = QStringLiteral("no accessibility bus");
        return {};
    }
    QStringList lines;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    GError* failure = nullptr;
    const gint apps = desktop ? atspi_accessible_get_child_count(desktop, &failure) : 0;
    g_clear_error(&failure);
    for (gint i = 0; i < apps; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, &failure);
        g_clear_error(&failure);
        if (!app)
            continue;
        const guint appPid = atspi_accessible_get_process_id(app, &failure);
        g_clear_error(&failure);
        if (qint64(appPid) == pid)
            Walk(app, 0, lines);
        g_object_unref(app);
        if (!lines.isEmpty())
            break;
    }
    if (desktop)
        g_object_unref(desktop);
    if (lines.isEmpty() && error)
        *error = QStringLiteral("the program is not on the accessibility bus");
    return lines;
}
