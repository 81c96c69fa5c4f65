#include "platform/keybhook/KeyboardMonitor.h"

#include "core/MessageLayer.h"
#include "platform/KeyboardHook.h"
#include "platform/keybhook/LayoutTranslator.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11KeyCodes.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr qintptr kReleasedFlag = KeyboardHook::kReleasedFlag;
// Mouse buttons as the virtual keys the engine knows (left, right, middle).
constexpr int kButtonKeys[] = {0, 1, 4, 2};

} // namespace

// Xlib calls this on the reader thread for every recorded event.
void RecordCallback(XPointer closure, XRecordInterceptData* recorded)
{
    reinterpret_cast<KeyboardMonitor*>(closure)->OnRecorded(recorded);
}

// Xlib calls this after the IO error handler when one of the monitor's
// connections breaks. Returning (rather than Xlib's default exit()) lets
// the reader thread leave its loop by itself: a thread that ended the
// process or waited for its end here could deadlock with a UI thread that
// is joining it during shutdown.
void ConnectionLost(Display*, void* closure)
{
    static_cast<std::atomic<bool>*>(closure)->store(true);
}

struct KeyboardMonitor::Connections
{
    Display* control = nullptr; // creates and stops the recording context
    Display* data = nullptr;    // receives the recorded events
    Display* lookup = nullptr;  // keyboard mapping, and word of its changes
    XRecordContext context = 0;
    int xkbEventBase = 0;

    ~Connections()
    {
        for (Display* display : {data, control, lookup})
            if (display)
                XCloseDisplay(display);
    }
};

KeyboardMonitor::KeyboardMonitor() = default;

KeyboardMonitor::~KeyboardMonitor()
{
    Stop();
}

bool KeyboardMonitor::Start(QObject* target, unsigned message, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        x.reset();
        return false;
    };
    XInitThreads();
    X11ErrorTrap::Install();
    window = target;
    msg = message;
    x = std::make_unique<Connections>();
    const char* name = getenv("DISPLAY");
    x->control = XOpenDisplay(nullptr);
    x->data = XOpenDisplay(nullptr);
    x->lookup = XOpenDisplay(nullptr);
    if (!x->control || !x->data || !x->lookup)
        return fail(QStringLiteral("Quillo cannot watch the keyboard: cannot open the X display \"%1\".")
                        .arg(QString::fromLocal8Bit(name ? name : "")));
    lost = false;
    for (Display* display : {x->control, x->data, x->lookup})
        XSetIOErrorExitHandler(display, &ConnectionLost, &lost);
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(x->control, &major, &minor))
        return fail(QStringLiteral("Quillo cannot watch the keyboard: the X server has no RECORD extension."));
    int opcode = 0, errorBase = 0;
    int xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(x->lookup, &opcode, &x->xkbEventBase, &errorBase, &xkbMajor, &xkbMinor))
        XkbSelectEvents(x->lookup, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                        XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
    // A switch of layout group, even one with no key typed in the other group.
    XkbSelectEventDetails(x->lookup, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
    RebuildKeyTable();

    XRecordRange* range = XRecordAllocRange();
    if (!range)
        return fail(QStringLiteral("Quillo cannot watch the keyboard: out of memory."));
    range->device_events.first = KeyPress;
    range->device_events.last = ButtonPress;
    // The program's marks at the start and end of a hold of the user's keys.
    // Programs hardly ever send this request otherwise.
    range->core_requests.first = X_NoOperation;
    range->core_requests.last = X_NoOperation;
    XRecordClientSpec clients = XRecordAllClients;
    x->context = XRecordCreateContext(x->control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!x->context)
        return fail(QStringLiteral("Quillo cannot watch the keyboard: the X server refused a recording context."));
    XSync(x->control, False);
    if (!XRecordEnableContextAsync(x->data, x->context, &RecordCallback, reinterpret_cast<XPointer>(this))) {
        XRecordFreeContext(x->control, x->context);
        return fail(QStringLiteral("Quillo cannot watch the keyboard: recording could not start."));
    }
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Stop();
        return fail(QStringLiteral("Quillo cannot watch the keyboard: no pipe."));
    }
    reader = std::thread([this] { Run(); });
    // Named, so that a thread left behind can be told apart from others.
    pthread_setname_np(reader.native_handle(), kThreadName);
    return true;
}

void KeyboardMonitor::Stop()
{
    if (reader.joinable() && reader.get_id() == std::this_thread::get_id()) {
        // Exit handlers run on whichever thread ends the process, also this
        // monitor's own reader when Xlib gives up on a lost display: a thread
        // cannot wait for itself, and the process is ending anyway.
        reader.detach();
        return;
    }
    if (reader.joinable()) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &wake, 1);
        reader.join();
    }
    // A lost server takes the context with it; asking would only fail.
    if (x && x->context && !lost) {
        XRecordDisableContext(x->control, x->context);
        XRecordFreeContext(x->control, x->context);
        XSync(x->control, False);
        x->context = 0;
    }
    x.reset();
    for (int& fd : wakePipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    window = nullptr;
}

void KeyboardMonitor::Run()
{
    pollfd fds[3] = {{ConnectionNumber(x->data), POLLIN, 0},
                     {ConnectionNumber(x->lookup), POLLIN, 0},
                     {wakePipe[0], POLLIN, 0}};
    for (;;) {
        // Replies already buffered by Xlib would not wake poll.
        XRecordProcessReplies(x->data);
        if (lost)
            return;
        if (::poll(fds, 3, -1) < 0)
            continue;
        if (fds[2].revents || lost)
            return;
        if (fds[1].revents) {
            bool remap = false;
            while (XPending(x->lookup)) {
                XEvent event;
                XNextEvent(x->lookup, &event);
                if (event.type != x->xkbEventBase)
                    continue;
                if (reinterpret_cast<XkbAnyEvent*>(&event)->xkb_type == XkbStateNotify) {
                    if (layout)
                        layout->GroupSwitched();
                } else {
                    XkbRefreshKeyboardMapping(reinterpret_cast<XkbMapNotifyEvent*>(&event));
                    remap = true;
                }
            }
            if (lost)
                return;
            if (remap)
                RebuildKeyTable();
        }
    }
}

void KeyboardMonitor::RebuildKeyTable()
{
    if (!layout)
        layout = std::make_unique<LayoutTranslator>();
    layout->Load(x->lookup);
    for (unsigned keycode = 0; keycode < keyTable.size(); ++keycode) {
        const KeySym keysym = keycode >= 8 ? XkbKeycodeToKeysym(x->lookup, KeyCode(keycode), 0, 0) : NoSymbol;
        int key = X11KeyCodes::VirtualKeyOfKeysym(keysym);
        if (key == 0 && keysym != NoSymbol)
            key = X11KeyCodes::VirtualKeyOfPosition(keycode);
        keyTable[keycode] = key;
    }
}


void KeyboardMonitor::OnRecorded(void* interceptData)
{
    auto* recorded = static_cast<XRecordInterceptData*>(interceptData);
    if (recorded->category == XRecordFromClient && recorded->data_len > 0 && recorded->data[0] == X_NoOperation) {
        MessageLayer::PostMessage(window, msg, 0, KeyboardHook::kHoldMarkFlag);
    } else if (recorded->category == XRecordFromServer && recorded->data_len > 0) {
        const auto* event = reinterpret_cast<const xEvent*>(recorded->data);
        const int type = event->u.u.type & 0x7f;
        const unsigned detail = event->u.u.detail;
        if (type == KeyPress || type == KeyRelease) {
            const int key = detail < keyTable.size() ? keyTable[detail] : 0;
            qintptr flags = (type == KeyRelease ? kReleasedFlag : 0) | (qintptr(detail & 0xFF) << KeyboardHook::kKeycodeShift);
            if (type == KeyPress && layout) {
                const LayoutTranslator::Typed typed = layout->Press(detail, event->u.keyButtonPointer.state);
                flags |= KeyboardHook::TypedBits(typed.character);
                if (typed.layoutChanged)
                    flags |= KeyboardHook::kLayoutChangedFlag;
            }
            if (key != 0)
                MessageLayer::PostMessage(window, msg, quintptr(key), flags);
        } else if (type == ButtonPress && detail >= 1 && detail <= 3) {
            MessageLayer::PostMessage(window, msg, quintptr(kButtonKeys[detail]), 0);
        }
    }
    XRecordFreeData(recorded);
}
