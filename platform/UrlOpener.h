#pragma once

#include <QUrl>

// Opens a web page or a local document in the user's default application.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual bool OpenUrl(const QUrl& url) = 0;
};
