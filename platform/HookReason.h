#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstring>

// The keyboard monitor libraries say why a hook could not be set through a
// caller's buffer of C characters: the reason in UTF-8, cut to fit (never
// in the middle of a character) and always terminated.
class HookReason
{
public:
    static void CopyOut(const QString& text, char* buffer, int size)
    {
        if (!buffer || size <= 0)
            return;
        const QByteArray bytes = text.toUtf8();
        size_t length = std::min<size_t>(size_t(bytes.size()), size_t(size - 1));
        while (length > 0 && length < size_t(bytes.size()) && (bytes[qsizetype(length)] & 0xC0) == 0x80)
            --length;
        std::memcpy(buffer, bytes.constData(), length);
        buffer[length] = '\0';
    }
};
