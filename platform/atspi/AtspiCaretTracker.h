#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

// Where the text caret of the application the user types in is, learned
// through the desktop's accessibility bus.
//
// The tracker follows the keyboard focus from the bus's focus and caret
// events, so that a query costs one short round trip to the focused
// application instead of a search of every application's widget tree.
// Until the first focus change or caret move after it is made, it knows of
// no caret. The events are delivered by the UI thread's event loop; the
// tracker must be created, used and destroyed on that thread.
//
// Without an accessibility bus the tracker stays inactive and answers no
// caret. Applications that expose nothing (or hang) give no caret either.
class AtspiCaretTracker
{
public:
    AtspiCaretTracker();
    ~AtspiCaretTracker();

    AtspiCaretTracker(const AtspiCaretTracker&) = delete;
    AtspiCaretTracker& operator=(const AtspiCaretTracker&) = delete;

    // Found an accessibility bus when it was made and listens for focus
    // changes on it.
    bool IsActive() const;

    // The caret of the focused text in screen pixels: a 1 px wide bar as
    // tall as the line, its left edge at the insertion point. Nothing when
    // no text has the focus, the toolkit gives no box (Qt in an empty text)
    // or the application does not answer in time. One or two short round
    // trips to the application; nothing is searched.
    std::optional<QRect> CaretRect() const;

    // The same caret relative to the top-left corner of the application's
    // window, and the process that owns the window. Where windows do not
    // know their place on the screen (Wayland), toolkits report this for
    // "screen" positions too; the desktop then adds the window's place,
    // which only the compositor knows. (On X11, Qt 6.4 answers with screen
    // positions when its top-level widget is no window of its own.)
    struct WindowCaret
    {
        QRect rect;
        qint64 processId = 0;
    };
    std::optional<WindowCaret> CaretInWindow() const;

    // The application that has the keyboard focus, as the focus events
    // told: its connection on the bus (one per running program) and its
    // name ("mousepad"). Empty until a focus change is seen; the name is
    // asked of the application once.
    struct Application
    {
        QByteArray busName;
        QString name;
    };
    Application FocusedApplication() const;

    // Whether the focused text is a password field (GTK's hidden entries,
    // Qt's line edits in password mode). Learned once per focus change,
    // so asking costs nothing; false until a focus change is seen.
    bool FocusIsPassword() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};
