#pragma once

#include "platform/ClipboardAccess.h"

#include <memory>

// A clipboard as a compositor without a focused window gives one: content
// set here is held until replaced; the test plays the other programs,
// asking for the content (Request) or copying their own (CopyElsewhere).
class FakeClipboardAccess : public ClipboardAccess
{
public:
    explicit FakeClipboardAccess(bool reachesWithoutFocus) : reaches(reachesWithoutFocus) {}

    bool SupportsSelection() const override { return false; }
    bool CanSetWithoutFocus() const override { return reaches; }
    std::unique_ptr<QMimeData> Read(Mode) override
    {
        if (!content)
            return nullptr;
        auto copy = std::make_unique<QMimeData>();
        for (const QString& format : content->formats())
            copy->setData(format, content->data(format));
        return copy;
    }
    void Set(QMimeData* data, Mode) override
    {
        content.reset(data);
        ++sets;
    }
    bool Holds(const QMimeData* data, Mode) const override { return data && content.get() == data; }

    // Another program pastes: it asks for the text.
    QString Request() const { return content ? QString::fromUtf8(content->data("text/plain")) : QString(); }
    void CopyElsewhere(const QString& text)
    {
        content = std::make_unique<QMimeData>();
        content->setText(text);
    }
    const QMimeData* Content() const { return content.get(); }
    int sets = 0;

private:
    bool reaches;
    std::unique_ptr<QMimeData> content;
};
