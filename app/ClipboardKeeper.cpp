#include "app/ClipboardKeeper.h"

#include "app/TransientMimeData.h"
#include "platform/QtClipboardAccess.h"

#include <QEventLoop>
#include <QMimeData>

ClipboardKeeper::ClipboardKeeper() : qtClipboard(std::make_unique<QtClipboardAccess>()), clipboard(qtClipboard.get())
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] { Restore(); });
}

ClipboardKeeper::~ClipboardKeeper() = default;

void ClipboardKeeper::UseClipboard(ClipboardAccess* access)
{
    clipboard = access ? access : qtClipboard.get();
}

void ClipboardKeeper::Place(const QString& text, bool selectionToo, bool restore)
{
    // A program may still be reading the previous content.
    WaitUntilDelivered();
    using Mode = ClipboardAccess::Mode;
    const bool selection = selectionToo && clipboard->SupportsSelection();
    if (restore && !haveSaved) {
        // Read before it is replaced; what a program offers is fetched now.
        savedClipboard = clipboard->Read(Mode::Clipboard);
        if (selection)
            savedSelection = clipboard->Read(Mode::Selection);
        haveSaved = true;
    }
    timer.stop();
    inFlight = true;
    requestSeen = false;
    pasteSent = false;
    takenReported = false;
    waitingForPaste = restore;

    auto place = [this](Mode mode, const QString& content) {
        auto* data = new TransientMimeData(content);
        data->OnRequested([keeper = QPointer<ClipboardKeeper>(this)] {
            if (keeper)
                keeper->Taken();
        });
        data->OnFormatsAsked([keeper = QPointer<ClipboardKeeper>(this)] {
            if (keeper)
                keeper->Asked();
        });
        clipboard->Set(data, mode);
        return data;
    };
    placedClipboard = place(Mode::Clipboard, text);
    placedSelection = selection ? place(Mode::Selection, text) : nullptr;
}

QString ClipboardKeeper::UserText()
{
    if (haveSaved)
        return savedClipboard ? savedClipboard->text() : QString();
    const std::unique_ptr<QMimeData> current = clipboard->Read(ClipboardAccess::Mode::Clipboard);
    return current ? current->text() : QString();
}

void ClipboardKeeper::PasteSent()
{
    pasteSent = true;
    sinceActivity.start();
    if (waitingForPaste)
        timer.start(kRestoreTimeoutMs);
}

void ClipboardKeeper::Asked()
{
    if (pasteSent && inFlight)
        sinceActivity.start();
}

void ClipboardKeeper::Taken()
{
    if (!pasteSent)
        return;
    if (inFlight) {
        if (!requestSeen)
            sinceTaken.start();
        requestSeen = true;
        sinceActivity.start();
    }
    if (!takenReported) {
        takenReported = true;
        if (taken)
            taken();
    }
    if (!waitingForPaste)
        return;
    waitingForPaste = false;
    timer.start(kRestoreAfterTakenMs);
}

bool ClipboardKeeper::Delivered()
{
    if (!inFlight)
        return true;
    using Mode = ClipboardAccess::Mode;
    const bool stillOurs = (placedClipboard && clipboard->Holds(placedClipboard.data(), Mode::Clipboard)) ||
                           (placedSelection && clipboard->Holds(placedSelection.data(), Mode::Selection));
    // Content placed without paste keys yet is the caller's own business.
    // Each request is answered whole before the next event is handled (Qt
    // sends even megabytes in one piece on X11; the Wayland pipe is written
    // to the end), so a quiet moment after the last request means the
    // program has all it asked for.
    const bool done = !stillOurs || !pasteSent ||
                      (requestSeen ? sinceActivity.elapsed() >= kDeliverySettleMs ||
                                         sinceTaken.elapsed() >= kDeliveryAfterTakenLimitMs
                                   : sinceActivity.elapsed() >= kUnclaimedPasteMs);
    if (done)
        inFlight = false;
    return done;
}

void ClipboardKeeper::WaitUntilDelivered()
{
    if (Delivered())
        return;
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kDeliveryPollMs);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Delivered() || waited.elapsed() >= kDeliveryWaitLimitMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    inFlight = false;
}

void ClipboardKeeper::Restore()
{
    // The program pasting our content has it whole first.
    if (!Delivered()) {
        timer.start(kDeliveryPollMs);
        return;
    }
    waitingForPaste = false;
    if (!haveSaved)
        return;
    using Mode = ClipboardAccess::Mode;
    // Only where our content still is: a copy the user made meanwhile stays.
    if (placedClipboard && clipboard->Holds(placedClipboard.data(), Mode::Clipboard)) {
        // An empty clipboard is not made empty again: a program that pastes
        // from a clipboard nobody owns may hang or fail, so ours stays.
        if (savedClipboard && !savedClipboard->formats().isEmpty())
            clipboard->Set(savedClipboard.release(), Mode::Clipboard);
    }
    if (placedSelection && clipboard->Holds(placedSelection.data(), Mode::Selection)) {
        if (savedSelection && !savedSelection->formats().isEmpty())
            clipboard->Set(savedSelection.release(), Mode::Selection);
    }
    savedClipboard.reset();
    savedSelection.reset();
    haveSaved = false;
}
