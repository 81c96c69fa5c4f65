#include "platform/atspi/AtspiCaretTracker.h"

#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QTimer>

#include <atspi/atspi.h>
#include <unistd.h>

namespace {

// A healthy application answers a caret query in about a millisecond. One
// that is busy or hung must not freeze the program's window for long: the
// call gives up after this, and the application is not asked again until it
// reports a focus or caret change.
constexpr int kCallTimeoutMs = 250;
// libatspi waits up to 15 s for applications that joined the bus recently;
// a slow starter gets no more patience than any other application.
constexpr int kStartupCallTimeoutMs = kCallTimeoutMs;
// How often pending bus events are fetched when Qt's event loop does not
// dispatch the GLib main context itself (QT_NO_GLIB, other dispatchers).
constexpr int kPumpIntervalMs = 20;
// At most this many GLib dispatches per fetch, so a flood of events cannot
// hold the UI thread.
constexpr int kMaxDispatchesPerPump = 64;
// The caret is reported as a bar this wide at the insertion point.
constexpr int kCaretWidthPx = 1;
// How much of a text's start is read to find its second paragraph.
constexpr int kProbeCharacters = 4096;
// At most this many earlier paragraphs are measured for wrapped lines when
// the caret's line has to be counted (a round trip of about a millisecond
// each, on the program's only thread); beyond them each counts as one line.
constexpr int kMaxMeasuredParagraphs = 64;
// The margin a Qt text document keeps round its text, in pixels.
constexpr int kQtDocumentMarginPx = 4;

constexpr char kFocusEvent[] = "object:state-changed:focused";
constexpr char kCaretMovedEvent[] = "object:text-caret-moved";
constexpr char kDeactivateEvent[] = "window:deactivate";
constexpr const char* kEvents[] = {kFocusEvent, kCaretMovedEvent, kDeactivateEvent};

// libatspi keeps one connection per process, opened by the first tracker
// and kept for the life of the process: libatspi cannot be opened again
// after atspi_exit() (applications it has seen stay in its tables, disposed).
bool connected = false;

bool ConnectToAccessibilityBus()
{
    if (connected)
        return true;
    const int status = atspi_init();
    // 1: opened earlier by other code in this process.
    if (status != 0 && status != 1) {
        // A failed init leaves libatspi marked as initialised without a bus;
        // any later call would abort the process. Reset it, so that a later
        // tracker tries again.
        atspi_exit();
        return false;
    }
    atspi_set_timeout(kCallTimeoutMs, kStartupCallTimeoutMs);
    connected = true;
    return true;
}

bool QtDispatchesGlib()
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

const char* BusName(AtspiAccessible* accessible)
{
    const AtspiApplication* app = ATSPI_OBJECT(accessible)->app;
    return app ? app->bus_name : nullptr;
}

bool HasFocusedState(AtspiAccessible* accessible)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    if (!states)
        return false;
    const bool focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
    g_object_unref(states);
    return focused;
}

// One round trip the first time an object is asked; libatspi keeps the
// answer. An application that does not answer counts as no password field:
// it takes no keys either while it hangs.
bool IsPasswordField(AtspiAccessible* accessible)
{
    GError* error = nullptr;
    const AtspiRole role = atspi_accessible_get_role(accessible, &error);
    const bool password = !error && role == ATSPI_ROLE_PASSWORD_TEXT;
    g_clear_error(&error);
    return password;
}

std::optional<QRect> CharacterBox(AtspiText* text, int offset, AtspiCoordType coordinates, GError** error)
{
    AtspiRect* box = atspi_text_get_character_extents(text, offset, coordinates, error);
    std::optional<QRect> result;
    if (box && !*error && box->height > 0)
        result = QRect(box->x, box->y, box->width, box->height);
    if (box)
        g_boxed_free(ATSPI_TYPE_RECT, box);
    return result;
}

QString TextOf(AtspiText* text, int start, int end, GError** error)
{
    gchar* chars = atspi_text_get_text(text, start, end, error);
    const QString result = chars && !*error ? QString::fromUtf8(chars) : QString();
    g_free(chars);
    return result;
}

// Offsets count characters; QString counts UTF-16 units.
QList<int> ParagraphStarts(const QString& text)
{
    QList<int> starts{0};
    int offset = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate())
            continue;
        ++offset;
        if (text.at(i) == QLatin1Char('\n'))
            starts << offset;
    }
    return starts;
}

} // namespace

class AtspiCaretTracker::Impl
{
public:
    Impl();
    ~Impl();

    bool active = false;
    // The followed text is a password field.
    bool passwordFocus = false;

    std::optional<QRect> CaretRect(AtspiCoordType coordinates, qint64* processId = nullptr);
    AtspiCaretTracker::Application FocusedApplication();

private:
    static void OnEvent(AtspiEvent* event, void* self);
    void Handle(const AtspiEvent& event);
    void Follow(AtspiAccessible* accessible);
    void Forget();
    bool IsOwnProcess(AtspiAccessible* accessible);
    std::optional<QRect> CaretAt(AtspiText* text, int offset, AtspiCoordType coordinates, GError** error);
    // Whether the text reports every paragraph's boxes at the first one's
    // height (asked once per text).
    bool ParagraphTopsCollapse(AtspiText* text, AtspiCoordType coordinates, GError** error);
    std::optional<QRect> CountedCaretLine(AtspiText* text, int offset, const QRect& caret, AtspiCoordType coordinates,
                                          GError** error);
    // The process that owns the text's application (asked of the bus once per application).
    qint64 ProcessOf(AtspiAccessible* accessible, GError** error);

    AtspiEventListener* listener = nullptr;
    QTimer* pump = nullptr;
    // Counts the texts followed, so that a focus change handled while a
    // question about an earlier one was waiting for its answer wins.
    quint64 follows = 0;
    // The focused text, a reference we hold; null when the focus is not in
    // a text or unknown.
    AtspiText* text = nullptr;
    // Per application connection: is it this very process (whose own
    // accessibility bridge cannot answer while the UI thread waits)?
    QHash<QByteArray, bool> ownProcess;
    QHash<QByteArray, qint64> processIds;
    // The answer of ParagraphTopsCollapse for the followed text.
    std::optional<bool> collapsedTops;
    // Where the focus went last (a reference we hold), and the names of
    // the applications asked so far, by bus name.
    AtspiAccessible* focusedObject = nullptr;
    QHash<QByteArray, QString> applicationNames;
};

AtspiCaretTracker::Impl::Impl()
{
    if (!ConnectToAccessibilityBus())
        return;
    listener = atspi_event_listener_new(&Impl::OnEvent, this, nullptr);
    for (const char* type : kEvents) {
        GError* error = nullptr;
        if (atspi_event_listener_register(listener, type, &error))
            active = true;
        g_clear_error(&error);
    }
    if (!QtDispatchesGlib()) {
        pump = new QTimer;
        pump->setInterval(kPumpIntervalMs);
        QObject::connect(pump, &QTimer::timeout, [] {
            for (int i = 0; i < kMaxDispatchesPerPump; ++i)
                if (!g_main_context_iteration(nullptr, FALSE))
                    break;
        });
        pump->start();
    }
}

AtspiCaretTracker::Impl::~Impl()
{
    delete pump;
    Forget();
    if (focusedObject)
        g_object_unref(focusedObject);
    if (listener) {
        for (const char* type : kEvents) {
            GError* error = nullptr;
            atspi_event_listener_deregister(listener, type, &error);
            g_clear_error(&error);
        }
        g_object_unref(listener);
    }
}

void AtspiCaretTracker::Impl::OnEvent(AtspiEvent* event, void* self)
{
    // libatspi hands every listener its own copy of the event.
    if (event->type && event->source)
        static_cast<Impl*>(self)->Handle(*event);
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiCaretTracker::Impl::Handle(const AtspiEvent& event)
{
    AtspiAccessible* source = event.source;
    const bool isCurrent = text && ATSPI_ACCESSIBLE(text) == source;
    if (g_str_has_prefix(event.type, kFocusEvent)) {
        if (event.detail1 && !IsOwnProcess(source)) {
            if (focusedObject)
                g_object_unref(focusedObject);
            focusedObject = ATSPI_ACCESSIBLE(g_object_ref(source));
        }
        if (event.detail1)
            Follow(source);
        else if (isCurrent)
            Forget();
    } else if (g_str_has_prefix(event.type, kCaretMovedEvent)) {
        // The focus may have been taken before the tracker started; the
        // first caret move in the focused text tells where it is. Carets
        // also move in texts without focus (logs, terminals in the
        // background): those are not followed.
        // Our own windows are never asked anything: the question would go to
        // this very thread, which waits for the answer until the call times out
        // (typing into the settings window lagged a quarter second a key).
        if (!isCurrent && !IsOwnProcess(source) && HasFocusedState(source))
            Follow(source);
    } else if (g_str_has_prefix(event.type, kDeactivateEvent)) {
        // Not every toolkit reports the loss of focus when its window stops
        // being the active one; ask the text itself.
        if (text && g_strcmp0(BusName(source), BusName(ATSPI_ACCESSIBLE(text))) == 0 &&
            !HasFocusedState(ATSPI_ACCESSIBLE(text)))
            Forget();
    }
}

void AtspiCaretTracker::Impl::Follow(AtspiAccessible* accessible)
{
    const quint64 follow = ++follows;
    AtspiText* focused = IsOwnProcess(accessible) ? nullptr
                                                  : atspi_accessible_get_text_iface(accessible);
    const bool password = focused && IsPasswordField(accessible);
    if (follow != follows) {
        // Bus events were handled while the role was asked: a later focus
        // change is already followed.
        if (focused)
            g_object_unref(focused);
        return;
    }
    Forget();
    text = focused;
    passwordFocus = password;
}

void AtspiCaretTracker::Impl::Forget()
{
    if (text)
        g_object_unref(text);
    text = nullptr;
    passwordFocus = false;
    collapsedTops.reset();
}

bool AtspiCaretTracker::Impl::IsOwnProcess(AtspiAccessible* accessible)
{
    const char* busName = BusName(accessible);
    if (!busName)
        return false;
    const QByteArray key(busName);
    const auto known = ownProcess.constFind(key);
    if (known != ownProcess.constEnd())
        return *known;
    // The bus daemon answers this, not the application.
    GError* error = nullptr;
    const guint pid = atspi_accessible_get_process_id(accessible, &error);
    const bool own = !error && pid == static_cast<guint>(::getpid());
    g_clear_error(&error);
    ownProcess.insert(key, own);
    return own;
}

std::optional<QRect> AtspiCaretTracker::Impl::CaretRect(AtspiCoordType coordinates, qint64* processId)
{
    if (!text)
        return std::nullopt;
    // Bus events are dispatched while libatspi waits for an answer, and may
    // replace `text` under our feet: work on a reference of our own.
    AtspiText* queried = ATSPI_TEXT(g_object_ref(text));
    GError* error = nullptr;
    std::optional<QRect> caret;
    const int offset = atspi_text_get_caret_offset(queried, &error);
    if (!error && offset >= 0)
        caret = CaretAt(queried, offset, coordinates, &error);
    // Qt 6.4's plain-text editor reports every paragraph's character boxes as
    // the first paragraph's, so the box puts the caret on line 1 whatever
    // line it is on. There the line is counted from the paragraphs instead.
    // A failure there (a slow answer) leaves the caret as the box gave it;
    // the text is still followed.
    if (caret && !error) {
        GError* countingError = nullptr;
        if (ParagraphTopsCollapse(queried, coordinates, &countingError) && !countingError) {
            if (const auto counted = CountedCaretLine(queried, offset, *caret, coordinates, &countingError);
                counted && !countingError)
                caret = counted;
        }
        g_clear_error(&countingError);
    }
    if (caret && !error && processId) {
        *processId = ProcessOf(ATSPI_ACCESSIBLE(queried), &error);
        if (error)
            caret.reset();
    }
    if (error) {
        // Gone, hung or confused: ask again only after it reports a change.
        if (text == queried)
            Forget();
        g_error_free(error);
    }
    g_object_unref(queried);
    return caret;
}

std::optional<QRect> AtspiCaretTracker::Impl::CaretAt(AtspiText* queried, int offset, AtspiCoordType coordinates,
                                                      GError** error)
{
    if (const auto box = CharacterBox(queried, offset, coordinates, error))
        return QRect(box->x(), box->y(), kCaretWidthPx, box->height());
    if (*error || offset == 0)
        return std::nullopt;
    // At the end of the text some toolkits report an empty box: the caret
    // then stands right after the character before it...
    const auto before = CharacterBox(queried, offset - 1, coordinates, error);
    if (!before)
        return std::nullopt;
    const guint previous = atspi_text_get_character_at_offset(queried, offset - 1, error);
    if (*error)
        return std::nullopt;
    if (previous != '\n')
        return QRect(before->x() + before->width(), before->y(), kCaretWidthPx, before->height());
    // ...unless that character ends a line: then the caret starts the next
    // one, at the text's left edge.
    const auto first = CharacterBox(queried, 0, coordinates, error);
    if (*error)
        return std::nullopt;
    const int left = first ? first->x() : before->x();
    return QRect(left, before->y() + before->height(), kCaretWidthPx, before->height());
}

bool AtspiCaretTracker::Impl::ParagraphTopsCollapse(AtspiText* queried, AtspiCoordType coordinates, GError** error)
{
    if (queried == text && collapsedTops)
        return *collapsedTops;
    bool collapse = false;
    bool compared = false;
    const int count = atspi_text_get_character_count(queried, error);
    if (*error)
        return false;
    const QList<int> starts = ParagraphStarts(TextOf(queried, 0, qMin(count, kProbeCharacters), error));
    if (*error)
        return false;
    // The second paragraph starts at least a line below the first in any
    // text that reports its boxes where they are drawn.
    if (starts.size() > 1 && starts[1] < count) {
        const auto first = CharacterBox(queried, 0, coordinates, error);
        const auto second = !*error ? CharacterBox(queried, starts[1], coordinates, error) : std::nullopt;
        collapse = first && second && second->y() <= first->y();
        compared = first && second;
    }
    // A text of one paragraph tells nothing yet: it is asked again once it
    // has more.
    if (!*error && compared && queried == text)
        collapsedTops = collapse;
    return collapse;
}

std::optional<QRect> AtspiCaretTracker::Impl::CountedCaretLine(AtspiText* queried, int offset, const QRect& caret,
                                                               AtspiCoordType coordinates, GError** error)
{
    // All paragraphs' first lines report this top; lines within a paragraph
    // are reported right relative to it.
    const auto top = CharacterBox(queried, 0, coordinates, error);
    if (!top || *error)
        return std::nullopt;
    const int lineHeight = qMax(1, caret.height());
    const QList<int> starts = ParagraphStarts(TextOf(queried, 0, offset, error));
    if (*error)
        return std::nullopt;
    const auto linesDown = [&](int at) -> int {
        const auto box = CharacterBox(queried, at, coordinates, error);
        return box ? qMax(0, qRound(double(box->y() - top->y()) / lineHeight)) : 0;
    };
    // Lines of the paragraphs before the caret's, wrapped ones included.
    int line = 0;
    for (int i = 0; i + 1 < starts.size(); ++i) {
        const int lastCharacter = starts[i + 1] - 2; // before its line break
        line += 1;
        if (i < kMaxMeasuredParagraphs && lastCharacter > starts[i])
            line += linesDown(lastCharacter);
        if (*error)
            return std::nullopt;
    }
    // The caret's own line within its paragraph.
    if (offset > starts.last()) {
        const auto box = CharacterBox(queried, offset, coordinates, error);
        if (*error)
            return std::nullopt;
        line += box ? qMax(0, qRound(double(box->y() - top->y()) / lineHeight)) : linesDown(offset - 1);
        if (*error)
            return std::nullopt;
    }
    // Where the text's view is: its left edge gives frame and margin
    // together (the first character sits right after both), and the
    // first paragraph's reported top is the view's top less the lines
    // scrolled out of it.
    AtspiComponent* component = atspi_accessible_get_component_iface(ATSPI_ACCESSIBLE(queried));
    if (!component)
        return std::nullopt;
    AtspiRect* extents = atspi_component_get_extents(component, coordinates, error);
    g_object_unref(component);
    if (!extents || *error) {
        if (extents)
            g_boxed_free(ATSPI_TYPE_RECT, extents);
        return std::nullopt;
    }
    const QRect widget(extents->x, extents->y, extents->width, extents->height);
    g_boxed_free(ATSPI_TYPE_RECT, extents);
    const int frame = qMax(0, top->x() - widget.x() - kQtDocumentMarginPx);
    const int viewTop = widget.y() + frame;
    const int scrolledLines = qMax(0, viewTop - top->y());
    int y = scrolledLines == 0 ? viewTop + kQtDocumentMarginPx + line * lineHeight
                               : viewTop + (line - scrolledLines) * lineHeight;
    // Never outside the text's own window, whatever the counting gave.
    y = qBound(widget.y(), y, qMax(widget.y(), widget.bottom() - lineHeight));
    return QRect(caret.x(), y, caret.width(), lineHeight);
}

qint64 AtspiCaretTracker::Impl::ProcessOf(AtspiAccessible* accessible, GError** error)
{
    const QByteArray key(BusName(accessible));
    const auto known = processIds.constFind(key);
    if (known != processIds.constEnd())
        return *known;
    // The bus daemon answers this, not the application.
    const qint64 pid = atspi_accessible_get_process_id(accessible, error);
    if (*error)
        return 0;
    if (!key.isEmpty())
        processIds.insert(key, pid);
    return pid;
}

AtspiCaretTracker::AtspiCaretTracker() : impl(std::make_unique<Impl>()) {}

AtspiCaretTracker::~AtspiCaretTracker() = default;

AtspiCaretTracker::Application AtspiCaretTracker::Impl::FocusedApplication()
{
    if (!focusedObject)
        return {};
    AtspiAccessible* focused = ATSPI_ACCESSIBLE(g_object_ref(focusedObject));
    Application application;
    application.busName = QByteArray(BusName(focused));
    const auto known = applicationNames.constFind(application.busName);
    if (known != applicationNames.constEnd()) {
        application.name = *known;
    } else {
        // One round trip to the application, the first time only.
        GError* error = nullptr;
        if (AtspiAccessible* root = atspi_accessible_get_application(focused, &error)) {
            gchar* name = atspi_accessible_get_name(root, &error);
            if (name && !error)
                application.name = QString::fromUtf8(name);
            g_free(name);
            g_object_unref(root);
        }
        if (!error)
            applicationNames.insert(application.busName, application.name);
        g_clear_error(&error);
    }
    g_object_unref(focused);
    return application;
}

AtspiCaretTracker::Application AtspiCaretTracker::FocusedApplication() const
{
    return impl->FocusedApplication();
}

bool AtspiCaretTracker::FocusIsPassword() const
{
    return impl->passwordFocus;
}

bool AtspiCaretTracker::IsActive() const
{
    return impl->active;
}

std::optional<QRect> AtspiCaretTracker::CaretRect() const
{
    return impl->CaretRect(ATSPI_COORD_TYPE_SCREEN);
}

std::optional<AtspiCaretTracker::WindowCaret> AtspiCaretTracker::CaretInWindow() const
{
    WindowCaret caret;
    const auto rect = impl->CaretRect(ATSPI_COORD_TYPE_WINDOW, &caret.processId);
    if (!rect)
        return std::nullopt;
    caret.rect = *rect;
    return caret;
}
