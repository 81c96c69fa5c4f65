#pragma once

#include "platform/ClipboardAccess.h"

// The clipboard through Qt, on whatever platform Qt runs on.
class QtClipboardAccess : public ClipboardAccess
{
public:
    bool SupportsSelection() const override;
    // Not on Qt's Wayland platform: there the clipboard follows the focus.
    bool CanSetWithoutFocus() const override;
    std::unique_ptr<QMimeData> Read(Mode mode) override;
    void Set(QMimeData* data, Mode mode) override;
    bool Holds(const QMimeData* data, Mode mode) const override;
};
