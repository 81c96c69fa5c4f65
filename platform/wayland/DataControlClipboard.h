#pragma once

#include "platform/ClipboardAccess.h"

#include <QHash>
#include <QStringList>
#include <memory>

class WaylandConnection;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

// The clipboard and primary selection through the compositor's data-control
// protocol, which lets a client without a focused window own and read them.
// Requests for our content are served from the UI thread as they arrive.
class DataControlClipboard : public ClipboardAccess
{
public:
    // How long a program may take to hand over its content when we read it.
    static constexpr int kReadTimeoutMs = 1000;

    // Throws QuilloError when the compositor lacks the protocol.
    explicit DataControlClipboard(WaylandConnection& connection);
    ~DataControlClipboard() override;
    DataControlClipboard(const DataControlClipboard&) = delete;
    DataControlClipboard& operator=(const DataControlClipboard&) = delete;

    bool SupportsSelection() const override;
    bool CanSetWithoutFocus() const override { return true; }
    std::unique_ptr<QMimeData> Read(Mode mode) override;
    void Set(QMimeData* data, Mode mode) override;
    bool Holds(const QMimeData* data, Mode mode) const override;

    // The formats a piece of data is offered in: its own, and for text the
    // names older programs ask for.
    static QStringList OfferedFormats(const QMimeData& data);
    // The format of the data that answers a request for mimeType ("" when none).
    static QString AnsweringFormat(const QMimeData& data, const QString& mimeType);

private:
    struct Owned;
    struct Offer;

    void Drop(Mode mode);
    void Serve(zwlr_data_control_source_v1* source, const char* mimeType, int fd);
    void Cancelled(zwlr_data_control_source_v1* source);

    static void OnDataOffer(void* data, zwlr_data_control_device_v1* device, zwlr_data_control_offer_v1* offer);
    static void OnSelection(void* data, zwlr_data_control_device_v1* device, zwlr_data_control_offer_v1* offer);
    static void OnFinished(void* data, zwlr_data_control_device_v1* device);
    static void OnPrimarySelection(void* data, zwlr_data_control_device_v1* device,
                                   zwlr_data_control_offer_v1* offer);
    static void OnOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* mimeType);
    static void OnSend(void* data, zwlr_data_control_source_v1* source, const char* mimeType, int32_t fd);
    static void OnCancelled(void* data, zwlr_data_control_source_v1* source);
    void SetCurrent(Mode mode, zwlr_data_control_offer_v1* offer);

    WaylandConnection& connection;
    zwlr_data_control_device_v1* device = nullptr;
    // Offers announced by the compositor, with their formats.
    QHash<zwlr_data_control_offer_v1*, QStringList> offers;
    zwlr_data_control_offer_v1* current[2] = {nullptr, nullptr};
    std::unique_ptr<Owned> owned[2];
};
