#pragma once

#include "platform/UrlOpener.h"

// Through the desktop's own handler (xdg-open on Linux).
class DesktopUrlOpener : public UrlOpener
{
public:
    bool OpenUrl(const QUrl& url) override;
};
