#pragma once

#include "platform/ClipboardAccess.h"

#include <QElapsedTimer>
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
    // A paste is delivered once the program has asked for the content and
    // then asked nothing more for this long: it may ask for several formats,
    // one after the other, and a toolkit still reading a paste breaks (or
    // pastes the wrong text) when the clipboard changes under it.
    static constexpr int kDeliverySettleMs = 100;
    // Paste keys that bring no request for this long did not paste (a
    // program where they mean something else); the clipboard is free again.
    static constexpr int kUnclaimedPasteMs = 1000;
    // A program that keeps asking (a clipboard manager polling, a test
    // reading the clipboard) holds the clipboard no longer than this after
    // the paste was taken.
    static constexpr int kDeliveryAfterTakenLimitMs = 1000;
    // However busy the program, a wait for delivery ends after this long.
    static constexpr int kDeliveryWaitLimitMs = 3000;
    // How often a wait for delivery looks again while events run.
    static constexpr int kDeliveryPollMs = 2;

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
    // The text the user has on the clipboard ("" when it holds none): while
    // a content of ours waits to give it back, the text it stands in for.
    QString UserText();
    // The paste keys went out: a request from now on is the paste.
    void PasteSent();
    bool RestorePending() const { return timer.isActive() || waitingForPaste; }
    // Whether the program pasting the last content has received it in every
    // format it asked for (or never asked); until then the clipboard must not
    // change.
    bool Delivered();
    // Lets events run (requests are served meanwhile) until Delivered(), at
    // most kDeliveryWaitLimitMs.
    void WaitUntilDelivered();
    // Called once per placed content, at the first request after the paste
    // keys: the program is taking the paste. Runs inside the request, before
    // the program has the data.
    void OnTaken(std::function<void()> callback) { taken = std::move(callback); }

private:
    void Restore();
    void Taken();
    void Asked();

    std::unique_ptr<QMimeData> savedClipboard;
    std::unique_ptr<QMimeData> savedSelection;
    bool haveSaved = false;
    bool waitingForPaste = false;
    bool pasteSent = false;
    bool takenReported = false;
    // The last placed content is not known to be delivered yet.
    bool inFlight = false;
    bool requestSeen = false; // a request for the content since the paste keys
    QElapsedTimer sinceActivity; // since the paste keys, then since the last request
    QElapsedTimer sinceTaken; // since the first request after the paste keys
    std::function<void()> taken;
    QPointer<TransientMimeData> placedClipboard;
    QPointer<TransientMimeData> placedSelection;
    QTimer timer;
    std::unique_ptr<ClipboardAccess> qtClipboard;
    ClipboardAccess* clipboard = nullptr;
};
