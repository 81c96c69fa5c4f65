#include "app/ClipboardKeeper.h"

#include "app/TransientMimeData.h"

#include <QGuiApplication>
#include <QMimeData>

ClipboardKeeper::ClipboardKeeper()
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, [this] { Restore(); });
}

ClipboardKeeper::~ClipboardKeeper() = default;

std::unique_ptr<QMimeData> ClipboardKeeper::Copy(const QMimeData* data)
{
    if (!data)
        return nullptr;
    auto copy = std::make_unique<QMimeData>();
    for (const QString& format : data->formats())
        copy->setData(format, data->data(format));
    return copy;
}

void ClipboardKeeper::Place(const QString& text, bool selectionToo, bool restore)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const bool selection = selectionToo && clipboard->supportsSelection();
    if (restore && !haveSaved) {
        // Read before it is replaced; what a program offers is fetched now.
        savedClipboard = Copy(clipboard->mimeData(QClipboard::Clipboard));
        if (selection)
            savedSelection = Copy(clipboard->mimeData(QClipboard::Selection));
        haveSaved = true;
    }
    timer.stop();
    pasteSent = false;
    takenReported = false;
    waitingForPaste = restore;

    auto place = [this](QClipboard::Mode mode, const QString& content) {
        auto* data = new TransientMimeData(content);
        data->OnRequested([keeper = QPointer<ClipboardKeeper>(this)] {
            if (keeper)
                keeper->Taken();
        });
        QGuiApplication::clipboard()->setMimeData(data, mode);
        return data;
    };
    clipboard->clear();
    placedClipboard = place(QClipboard::Clipboard, text);
    placedSelection = selection ? place(QClipboard::Selection, text) : nullptr;
}

void ClipboardKeeper::PasteSent()
{
    pasteSent = true;
    if (waitingForPaste)
        timer.start(kRestoreTimeoutMs);
}

void ClipboardKeeper::Taken()
{
    if (!pasteSent)
        return;
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

void ClipboardKeeper::Restore()
{
    waitingForPaste = false;
    if (!haveSaved)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Only where our content still is: a copy the user made meanwhile stays.
    if (placedClipboard && clipboard->mimeData(QClipboard::Clipboard) == placedClipboard.data()) {
        // An empty clipboard is not made empty again: a program that pastes
        // from a clipboard nobody owns may hang or fail, so ours stays.
        if (savedClipboard && !savedClipboard->formats().isEmpty())
            clipboard->setMimeData(savedClipboard.release(), QClipboard::Clipboard);
    }
    if (placedSelection && clipboard->mimeData(QClipboard::Selection) == placedSelection.data()) {
        if (savedSelection && !savedSelection->formats().isEmpty())
            clipboard->setMimeData(savedSelection.release(), QClipboard::Selection);
    }
    savedClipboard.reset();
    savedSelection.reset();
    haveSaved = false;
}
