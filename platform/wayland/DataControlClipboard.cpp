#include "platform/wayland/DataControlClipboard.h"

#include "core/QuilloError.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

constexpr const char* kErrorSource = "DataControlClipboard";
constexpr int kErrorNoProtocol = 3301;
constexpr uint32_t kPrimarySince = 2;
constexpr qsizetype kReadChunk = 65536;

// Names under which programs ask for plain text besides text/plain.
const QStringList kTextAliases = {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"),
                                  QStringLiteral("TEXT"), QStringLiteral("STRING")};
// Formats that describe a selection rather than hold its content (from
// programs bridged from X11): reading them back gives nothing to keep.
const QStringList kPseudoFormats = {QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
                                    QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS")};

int Index(ClipboardAccess::Mode mode)
{
    return mode == ClipboardAccess::Mode::Selection ? 1 : 0;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

} // namespace

struct DataControlClipboard::Owned
{
    zwlr_data_control_source_v1* source = nullptr;
    std::unique_ptr<QMimeData> data;
};

DataControlClipboard::DataControlClipboard(WaylandConnection& connection) : connection(connection)
{
    static const zwlr_data_control_device_v1_listener deviceListener = {&OnDataOffer, &OnSelection, &OnFinished,
                                                                        &OnPrimarySelection};
    if (!connection.DataControlManager() || !connection.Seat())
        throw QuilloError(kErrorNoProtocol, kErrorSource,
                          QStringLiteral("The Wayland compositor offers no clipboard protocol for programs without "
                                         "a window."));
    // A reader that goes away mid-transfer must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    device = zwlr_data_control_manager_v1_get_data_device(connection.DataControlManager(), connection.Seat());
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, this);
    // The current selections are announced at once.
    connection.Roundtrip();
}

DataControlClipboard::~DataControlClipboard()
{
    for (Mode mode : {Mode::Clipboard, Mode::Selection})
        Drop(mode);
    for (auto it = offers.begin(); it != offers.end(); ++it)
        zwlr_data_control_offer_v1_destroy(it.key());
    if (device)
        zwlr_data_control_device_v1_destroy(device);
    connection.Flush();
}

bool DataControlClipboard::SupportsSelection() const
{
    return connection.DataControlVersion() >= kPrimarySince;
}

QStringList DataControlClipboard::OfferedFormats(const QMimeData& data)
{
    QStringList formats = data.formats();
    if (data.hasText()) {
        for (const QString& alias : kTextAliases)
            if (!formats.contains(alias))
                formats << alias;
    }
    return formats;
}

QString DataControlClipboard::AnsweringFormat(const QMimeData& data, const QString& mimeType)
{
    if (data.formats().contains(mimeType))
        return mimeType;
    if (kTextAliases.contains(mimeType) && data.hasText())
        return QStringLiteral("text/plain");
    return QString();
}

void DataControlClipboard::Set(QMimeData* data, Mode mode)
{
    static const zwlr_data_control_source_v1_listener sourceListener = {&OnSend, &OnCancelled};
    std::unique_ptr<QMimeData> taken(data);
    if (!device || (mode == Mode::Selection && !SupportsSelection()))
        return;
    auto next = std::make_unique<Owned>();
    next->source = zwlr_data_control_manager_v1_create_data_source(connection.DataControlManager());
    zwlr_data_control_source_v1_add_listener(next->source, &sourceListener, this);
    for (const QString& format : OfferedFormats(*taken))
        zwlr_data_control_source_v1_offer(next->source, format.toUtf8().constData());
    next->data = std::move(taken);
    if (mode == Mode::Selection)
        zwlr_data_control_device_v1_set_primary_selection(device, next->source);
    else
        zwlr_data_control_device_v1_set_selection(device, next->source);
    Drop(mode);
    owned[Index(mode)] = std::move(next);
    connection.Flush();
}

bool DataControlClipboard::Holds(const QMimeData* data, Mode mode) const
{
    const auto& mine = owned[Index(mode)];
    return data && mine && mine->data.get() == data;
}

std::unique_ptr<QMimeData> DataControlClipboard::Read(Mode mode)
{
    // What the compositor says now about the selections.
    connection.Roundtrip();
    const auto& mine = owned[Index(mode)];
    if (mine) {
        // Our own content is copied here: asking the compositor would have
        // this thread wait for itself.
        auto copy = std::make_unique<QMimeData>();
        for (const QString& format : mine->data->formats())
            copy->setData(format, mine->data->data(format));
        return copy;
    }
    zwlr_data_control_offer_v1* offer = current[Index(mode)];
    if (!offer)
        return nullptr;
    auto copy = std::make_unique<QMimeData>();
    const QDeadlineTimer deadline(kReadTimeoutMs);
    for (const QString& format : offers.value(offer)) {
        if (kPseudoFormats.contains(format))
            continue;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            break;
        zwlr_data_control_offer_v1_receive(offer, format.toUtf8().constData(), fds[1]);
        close(fds[1]);
        if (!connection.Flush()) {
            close(fds[0]);
            break;
        }
        QByteArray bytes;
        bool complete = false;
        for (;;) {
            pollfd readable{fds[0], POLLIN, 0};
            const int ready = poll(&readable, 1, int(deadline.remainingTime()));
            if (ready <= 0)
                break;
            char chunk[kReadChunk];
            const ssize_t n = read(fds[0], chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                complete = n == 0;
                break;
            }
            bytes.append(chunk, n);
        }
        close(fds[0]);
        // A format its program did not finish in time is left out rather
        // than kept cut short.
        if (complete)
            copy->setData(format, bytes);
        if (deadline.hasExpired())
            break;
    }
    return copy;
}

void DataControlClipboard::Drop(Mode mode)
{
    auto& mine = owned[Index(mode)];
    if (!mine)
        return;
    zwlr_data_control_source_v1_destroy(mine->source);
    mine.reset();
}

void DataControlClipboard::Serve(zwlr_data_control_source_v1* source, const char* mimeType, int fd)
{
    for (const auto& mine : owned) {
        if (!mine || mine->source != source)
            continue;
        const QString format = AnsweringFormat(*mine->data, QString::fromUtf8(mimeType));
        if (!format.isEmpty()) {
            // Blocking writes: the reader drains the pipe as we fill it.
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            WriteAll(fd, mine->data->data(format));
        }
        break;
    }
    close(fd);
}

void DataControlClipboard::Cancelled(zwlr_data_control_source_v1* source)
{
    for (Mode mode : {Mode::Clipboard, Mode::Selection}) {
        if (owned[Index(mode)] && owned[Index(mode)]->source == source) {
            Drop(mode);
            return;
        }
    }
    zwlr_data_control_source_v1_destroy(source);
}

void DataControlClipboard::SetCurrent(Mode mode, zwlr_data_control_offer_v1* offer)
{
    zwlr_data_control_offer_v1*& slot = current[Index(mode)];
    // The previous offer is done with unless the other selection uses it.
    if (slot && slot != offer && slot != current[1 - Index(mode)]) {
        offers.remove(slot);
        zwlr_data_control_offer_v1_destroy(slot);
    }
    slot = offer;
}

void DataControlClipboard::OnDataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer)
{
    static const zwlr_data_control_offer_v1_listener offerListener = {&OnOfferType};
    auto* self = static_cast<DataControlClipboard*>(data);
    self->offers.insert(offer, QStringList());
    zwlr_data_control_offer_v1_add_listener(offer, &offerListener, self);
}

void DataControlClipboard::OnOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* mimeType)
{
    auto* self = static_cast<DataControlClipboard*>(data);
    auto it = self->offers.find(offer);
    if (it != self->offers.end())
        it->append(QString::fromUtf8(mimeType));
}

void DataControlClipboard::OnSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer)
{
    static_cast<DataControlClipboard*>(data)->SetCurrent(Mode::Clipboard, offer);
}

void DataControlClipboard::OnPrimarySelection(void* data, zwlr_data_control_device_v1*,
                                              zwlr_data_control_offer_v1* offer)
{
    static_cast<DataControlClipboard*>(data)->SetCurrent(Mode::Selection, offer);
}

void DataControlClipboard::OnFinished(void* data, zwlr_data_control_device_v1*)
{
    // The seat went away: the device is of no more use.
    auto* self = static_cast<DataControlClipboard*>(data);
    zwlr_data_control_device_v1_destroy(self->device);
    self->device = nullptr;
}

void DataControlClipboard::OnSend(void* data, zwlr_data_control_source_v1* source, const char* mimeType, int32_t fd)
{
    static_cast<DataControlClipboard*>(data)->Serve(source, mimeType, fd);
}

void DataControlClipboard::OnCancelled(void* data, zwlr_data_control_source_v1* source)
{
    static_cast<DataControlClipboard*>(data)->Cancelled(source);
}
