#pragma once

#include "controls/QKUIExport.h"

#include <QString>
#include <QStringList>
#include <functional>

class QKUserControl;
class QWidget;

// Creates controls by programmatic identifier: "QKUIControls.QKCommonButton"
// and the other eighteen library controls are known from the start; the
// program may register its own user controls. Identifiers compare without
// regard to letter case, as registered class names do.
class QKUI_EXPORT ControlRegistry
{
public:
    using Factory = std::function<QKUserControl*(QWidget* parent)>;

    static constexpr const char* kLibraryPrefix = "QKUIControls.";

    // Replaces an earlier factory of the same identifier.
    static void Register(const QString& progId, Factory factory);
    static bool IsRegistered(const QString& progId);
    // The library's nineteen identifiers first, in their fixed order, then
    // the program's in registration order.
    static QStringList ProgIds();

    // A new control, constructed (its creation hook has run) and named, but
    // neither set up nor loaded: the caller follows with InitNew() or
    // ReadProperties(). Throws std::invalid_argument for an unknown
    // identifier.
    static QKUserControl* Create(const QString& progId, QWidget* parent, const QString& name);
};
