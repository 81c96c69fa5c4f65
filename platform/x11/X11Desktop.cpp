#include "platform/x11/X11Desktop.h"

#include "core/QuilloError.h"
#include "platform/x11/X11ErrorTrap.h"

#include <QFile>
#include <QSocketNotifier>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kErrorNoDisplay = 3201;

// One property of a window as raw bytes; empty when missing.
QByteArray ReadProperty(Display* display, Window window, Atom property, Atom type, int* format = nullptr)
{
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long items = 0, remaining = 0;
    unsigned char* data = nullptr;
    QByteArray bytes;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &actualFormat, &items,
                           &remaining, &data) == Success &&
        data) {
        const int unit = actualFormat == 32 ? int(sizeof(long)) : actualFormat / 8;
        bytes = QByteArray(reinterpret_cast<const char*>(data), int(items) * unit);
    }
    if (data)
        XFree(data);
    if (format)
        *format = actualFormat;
    return bytes;
}

} // namespace

X11Desktop::X11Desktop()
{
    X11ErrorTrap::Install();
    display = XOpenDisplay(nullptr);
    if (!display)
        throw QuilloError(kErrorNoDisplay, QStringLiteral("X11Desktop"), QStringLiteral("Cannot open the X display."));
    activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    utf8Atom = XInternAtom(display, "UTF8_STRING", False);
    netNameAtom = XInternAtom(display, "_NET_WM_NAME", False);
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    ReadActiveWindow();
    XFlush(display);
    notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
}

X11Desktop::~X11Desktop()
{
    delete notifier;
    if (display && grabProbe)
        XDestroyWindow(display, Window(grabProbe));
    if (display)
        XCloseDisplay(display);
}

void X11Desktop::ReadEvents()
{
    bool changed = false;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == activeAtom)
            changed = true;
    }
    if (changed)
        ReadActiveWindow();
}

void X11Desktop::ReadActiveWindow()
{
    const QByteArray value = ReadProperty(display, DefaultRootWindow(display), activeAtom, XA_WINDOW);
    haveActiveProperty = value.size() >= int(sizeof(long));
    active = haveActiveProperty ? WindowId(*reinterpret_cast<const unsigned long*>(value.constData())) : 0;
}

Desktop::WindowId X11Desktop::ForegroundWindow() const
{
    if (haveActiveProperty && active != 0)
        return active;
    return FocusTopLevel();
}

// Without a window manager: the window with the input focus, walked up to
// the child of the root window.
Desktop::WindowId X11Desktop::FocusTopLevel() const
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    const Window root = DefaultRootWindow(display);
    if (focus == None || focus == PointerRoot || focus == root)
        return 0;
    Window window = focus;
    for (;;) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
}

bool X11Desktop::CapsLockOn() const
{
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    return (state.locked_mods & LockMask) != 0;
}

std::optional<QRect> X11Desktop::CaretRect() const
{
    return caretSource ? caretSource() : std::nullopt;
}

QString X11Desktop::WindowTitle(WindowId window) const
{
    if (window == 0)
        return QString();
    const QByteArray utf8 = ReadProperty(display, Window(window), netNameAtom, utf8Atom);
    if (!utf8.isEmpty())
        return QString::fromUtf8(utf8);
    return QString::fromLatin1(ReadProperty(display, Window(window), XA_WM_NAME, XA_STRING));
}

QSize X11Desktop::ScreenSize() const
{
    const int screen = DefaultScreen(display);
    return QSize(DisplayWidth(display, screen), DisplayHeight(display, screen));
}

QStringList X11Desktop::WindowClass(WindowId window) const
{
    QStringList names;
    XClassHint hint{};
    if (window != 0 && XGetClassHint(display, Window(window), &hint)) {
        names << QString::fromLatin1(hint.res_name ? hint.res_name : "")
              << QString::fromLatin1(hint.res_class ? hint.res_class : "");
        if (hint.res_name)
            XFree(hint.res_name);
        if (hint.res_class)
            XFree(hint.res_class);
    }
    return names;
}

bool X11Desktop::ActivateWindow(WindowId window)
{
    if (window == 0)
        return false;
    if (haveActiveProperty) {
        // Source 2: a tool acting for the user, which window managers obey
        // without their focus-stealing checks.
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = Window(window);
        message.xclient.message_type = activeAtom;
        message.xclient.format = 32;
        message.xclient.data.l[0] = 2;
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &message);
    } else {
        // A window gone meanwhile gives an error the trap ignores.
        XSetInputFocus(display, Window(window), RevertToParent, CurrentTime);
    }
    XFlush(display);
    return true;
}

QString X11Desktop::NotificationAreaOwner() const
{
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False));
    if (owner == None)
        return QString();
    const QStringList names = WindowClass(owner);
    if (!names.isEmpty() && !names.first().isEmpty())
        return names.first();
    // The selection's window often has no class: the process behind it does.
    const QByteArray pid = ReadProperty(display, owner, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL);
    if (pid.size() < int(sizeof(long)))
        return QString();
    QFile comm(QStringLiteral("/proc/%1/comm").arg(*reinterpret_cast<const long*>(pid.constData())));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

bool X11Desktop::SecureInputActive() const
{
    if (passwordFocusSource && passwordFocusSource())
        return true;
    return KeyboardGrabbedElsewhere();
}

bool X11Desktop::KeyboardGrabbedElsewhere() const
{
    // The server refuses a grab on a window that is not viewable, but it
    // looks for another client's grab first: the answer tells which, and
    // the keyboard is never taken from anyone, not even for a moment.
    if (!grabProbe) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        grabProbe = XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, CopyFromParent, InputOnly,
                                  CopyFromParent, CWOverrideRedirect, &attributes);
    }
    const int status =
        XGrabKeyboard(display, Window(grabProbe), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) {
        // A server that grants it after all: let go at once.
        XUngrabKeyboard(display, CurrentTime);
        XFlush(display);
    }
    // Frozen: another client's synchronous grab holds the keyboard.
    return status == AlreadyGrabbed || status == GrabFrozen;
}
