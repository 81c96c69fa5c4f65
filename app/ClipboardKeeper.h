#pragma once

#include "platform/ClipboardAccess.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QMimeData;
class TransientMimeData;

// Puts an expansion's content on the clipboard (and, for programs that paste
// it, the primary selection), and, when asked, gives back what the user had
// there, in all its formats, once the program has taken the paste.
class ClipboardKeeper : public QObject
{
public:
    // The paste is taken when the program asks for the text after the paste
    // keys; programs may ask more than once, so the old content comes back a
    // moment after the first request.
    static constexpr int kRestoreAfterTakenMs = 300;
    // A program that never asks (it did not paste after all) does not keep
    // the user's content away for longer than this.
    static constexpr int kRestoreTimeoutMs = 3000;

    ClipboardKeeper();
    ~ClipboardKeeper() override;

    // The clipboard to work on; Qt's until another is given (nullptr: Qt's again).
    void UseClipboard(ClipboardAccess* access);
    // Whether placed content reaches the program being typed in; where it
    // cannot, the content is typed instead.
    bool CanPlace() const { return clipboard->CanSetWithoutFocus(); }

    // Replaces the clipboard's content with the text; with restore, what was
    // there before is kept to come back later (the content from before the
    // first of several quick expansions).
    void Place(const QString& text, bool selectionToo, bool restore);
    // The paste keys went out: a request from now on is the paste.
    void PasteSent();
    bool RestorePending() const { return timer.isActive() || waitingForPaste; }
    // Called once per placed content, at the first request after the paste
    // keys: the program is taking the paste. Runs inside the request, before
    // the program has the data.
    void OnTaken(std::function<void()> callback) { taken = std::move(callback); }

private:
    void Restore();
    void Taken();

    std::unique_ptr<QMimeData> savedClipboard;
    std::unique_ptr<QMimeData> savedSelection;
    bool haveSaved = false;
    bool waitingForPaste = false;
    bool pasteSent = false;
    bool takenReported = false;
    std::function<void()> taken;
    QPointer<TransientMimeData> placedClipboard;
    QPointer<TransientMimeData> placedSelection;
    QTimer timer;
    std::unique_ptr<ClipboardAccess> qtClipboard;
    ClipboardAccess* clipboard = nullptr;
};
