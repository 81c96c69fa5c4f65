#pragma once

#include <QString>

class QWidget;

// The mode ShowFileDialog opens a file in; kFileDialogFolder chooses an
// existing folder; any other mode saves.
constexpr int kFileDialogOpen = 1;
constexpr int kFileDialogFolder = 2;

// A modal file chooser over owner. Opening requires an existing file; saving
// asks before it replaces one. filter is one pattern such as "*.snippets", or
// named filters separated by ";;" ("YAML (*.yaml *.yml);;JSON (*.json)"), the
// first one chosen. defaultExtension (without the dot) is added to a name
// typed without one; once the user picks another filter, that filter's first
// extension is. Returns the chosen full path, or "" when cancelled.
QString ShowFileDialog(QWidget* owner, int mode, const QString& title, const QString& defaultName,
                       const QString& filter, const QString& initialFolder, const QString& defaultExtension);
