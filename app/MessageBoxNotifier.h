#pragma once

#include "app/UserNotifier.h"

// Modal QMessageBoxes titled "Quillo".
class MessageBoxNotifier : public UserNotifier
{
public:
    static constexpr const char* kTitle = "Quillo";
    void Plain(const QString& text) override;
    void Critical(const QString& text) override;
    void Warning(const QString& text) override;
    Answer AskToSave(const QString& text, bool mayCancel) override;
};
