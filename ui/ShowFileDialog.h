#pragma once

#include <QString>

class QWidget;

// The mode ShowFileDialog opens a file in; any other mode saves.
constexpr int kFileDialogOpen = 1;

// A modal file chooser over owner. Opening requires an existing file; saving
// asks before it replaces one. filter is one pattern such as "*.snippets",
// shown as it stands; defaultExtension (without the dot) is added to a name
// typed without one. Returns the chosen full path, or "" when cancelled.
QString ShowFileDialog(QWidget* owner, int mode, const QString& title, const QString& defaultName,
                       const QString& filter, const QString& initialFolder, const QString& defaultExtension);
