#include "platform/FakeKeyboardHook.h"

#include "core/MessageLayer.h"

bool FakeKeyboardHook::SetKeyboardHook(QObject* target, quint32 message, QString* error)
{
    calls << QStringLiteral("set %1").arg(message);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return false;
    }
    window = target;
    msg = message;
    return true;
}

void FakeKeyboardHook::ReleaseKeyboardHook()
{
    calls << QStringLiteral("release");
    window = nullptr;
}

void FakeKeyboardHook::Press(int virtualKey)
{
    if (window)
        MessageLayer::PostMessage(window, msg, quintptr(virtualKey), 0);
}

void FakeKeyboardHook::PressTyped(int virtualKey, char32_t character, bool layoutChanged)
{
    if (window)
        MessageLayer::PostMessage(window, msg, quintptr(virtualKey),
                                  TypedBits(character) | (layoutChanged ? kLayoutChangedFlag : 0));
}

void FakeKeyboardHook::Release(int virtualKey)
{
    if (window)
        MessageLayer::PostMessage(window, msg, quintptr(virtualKey), kReleasedFlag);
}

void FakeKeyboardHook::Tap(int virtualKey)
{
    Press(virtualKey);
    Release(virtualKey);
}

void FakeKeyboardHook::Mark()
{
    if (window)
        MessageLayer::PostMessage(window, msg, 0, kHoldMarkFlag);
}
