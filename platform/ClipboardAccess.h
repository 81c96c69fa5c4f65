#pragma once

#include <QMimeData>
#include <memory>

// The desktop's clipboard and primary selection as the expansion needs them:
// read everything that is there, put content there, and tell whether what
// was put there is still the content.
class ClipboardAccess
{
public:
    enum class Mode { Clipboard, Selection };

    virtual ~ClipboardAccess() = default;

    virtual bool SupportsSelection() const = 0;
    // Whether content set now reaches other programs while none of
    // Quillo's windows has the keyboard focus (a Wayland compositor hands
    // the clipboard only to a focused client unless a manager protocol is used).
    virtual bool CanSetWithoutFocus() const = 0;
    // A copy of the content in every format it is offered in; nullptr when
    // nothing is there.
    virtual std::unique_ptr<QMimeData> Read(Mode mode) = 0;
    // Makes the data the content and takes it over. Each request of another
    // program is served from the data (QMimeData::data), so data that
    // watches its requests learns of every paste.
    virtual void Set(QMimeData* data, Mode mode) = 0;
    // Whether the data given to Set is still the content.
    virtual bool Holds(const QMimeData* data, Mode mode) const = 0;
};
