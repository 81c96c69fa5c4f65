#pragma once

#include "platform/QtClipboardAccess.h"

// The clipboard through Qt, with everything Quillo puts there marked so that
// Windows leaves it out of the clipboard history and the cloud clipboard (and
// clipboard monitors that honour the marker skip it): the content only passes
// through on its way into a program.
class WinClipboardAccess : public QtClipboardAccess
{
public:
    // Qt's Windows clipboard registers a format of this form by its name.
    static constexpr const char* kExcludeFormat =
        "application/x-qt-windows-mime;value=\"ExcludeClipboardContentFromMonitorProcessing\"";
    static constexpr const char* kHistoryFormat =
        "application/x-qt-windows-mime;value=\"CanIncludeInClipboardHistory\"";
    static constexpr const char* kCloudFormat = "application/x-qt-windows-mime;value=\"CanUploadToCloudClipboard\"";

    void Set(QMimeData* data, Mode mode) override;

    // Adds the three markers to the data.
    static void MarkPrivate(QMimeData* data);
};
