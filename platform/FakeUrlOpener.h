#pragma once

#include "platform/UrlOpener.h"

#include <QList>

class FakeUrlOpener : public UrlOpener
{
public:
    bool OpenUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};
