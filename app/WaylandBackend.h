#pragma once

#include "platform/LibraryKeyboardHook.h"

#include <QString>
#include <memory>

class AtspiCaretTracker;
class ClipboardAccess;
class DataControlClipboard;
class Desktop;
class KeyOutput;
class LayerShellOverlay;
class ListOverlay;
class WaylandConnection;
class WaylandDesktop;

// What the tray program uses in a Wayland session: the keyboard monitor
// that reads the keyboard devices, key output through the compositor's
// virtual keyboard, the active window from the compositor, and the
// clipboard through the compositor's data-control protocol (Qt's own where
// the compositor lacks it; the engine then types the content).
class WaylandBackend
{
public:
    // Made once the application object is there. Throws QuilloError saying
    // precisely what is missing: everything works, or Quillo does not start.
    explicit WaylandBackend(const QString& libraryFolder);
    ~WaylandBackend();
    WaylandBackend(const WaylandBackend&) = delete;
    WaylandBackend& operator=(const WaylandBackend&) = delete;

    KeyboardHook& Hook() { return hook; }
    KeyOutput& Output() { return *keyOutput; }
    Desktop& DesktopServices();
    // nullptr: Qt's clipboard.
    ClipboardAccess* Clipboard();
    // What shows the suggestion list beside the caret; nullptr where the
    // compositor lacks the layer shell, and the list stays hidden.
    ListOverlay* Overlay();
    // Where the compositor does not say which window is active (GNOME,
    // KDE), the program with the focus is learned from the accessibility
    // bus: one id per program, named after it.
    void FollowFocus(const AtspiCaretTracker& tracker);

private:
    std::unique_ptr<WaylandConnection> connection;
    std::unique_ptr<KeyOutput> deviceOutput; // the virtual keyboard
    std::unique_ptr<KeyOutput> keyOutput;    // it, holding the user's keys through the monitor
    std::unique_ptr<WaylandDesktop> desktop;
    std::unique_ptr<DataControlClipboard> clipboard;
    std::unique_ptr<LayerShellOverlay> overlay;
    LibraryKeyboardHook hook;
};
