#pragma once

#include <QMimeData>
#include <functional>

// The content an expansion puts on the clipboard: marked as transient, so
// that clipboard managers leave it out of their history, and telling when a
// program asks for it (that is, takes the paste).
class TransientMimeData : public QMimeData
{
public:
    // The marker of the nspasteboard.org conventions, which clipboard
    // managers honour for data that is only passing through the clipboard.
    static constexpr const char* kTransientFormat = "org.nspasteboard.TransientType";
    // Formats named in Windows' own terms (the clipboard-history markers).
    static constexpr const char* kWindowsFormatPrefix = "application/x-qt-windows-mime";

    explicit TransientMimeData(const QString& text);

    // Called on each request for the text by any program (not for the marker).
    void OnRequested(std::function<void()> callback) { requested = std::move(callback); }
    // Called whenever a program asks which formats there are, the first
    // step of every paste.
    void OnFormatsAsked(std::function<void()> callback) { formatsAsked = std::move(callback); }

    QStringList formats() const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::function<void()> requested;
    std::function<void()> formatsAsked;
};
