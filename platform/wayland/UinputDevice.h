#pragma once

#include <QString>

// The virtual keyboard the program types through where the display takes no
// synthetic keys: a uinput device with every keyboard key, made when this
// object is and gone with it. Only the setup lives here; the records go
// through UinputEventWriter on Descriptor().
class UinputDevice
{
public:
    static constexpr const char* kDeviceName = "Quillo virtual keyboard";
    // The desktop opens a new input device a moment after it appears; keys
    // sent before that would be lost.
    static constexpr int kDeviceSettleMs = 200;

    // Throws QuilloError saying what is missing and the command that grants it.
    explicit UinputDevice(const QString& path);
    ~UinputDevice();
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;

    int Descriptor() const { return fd; }

private:
    int fd = -1;
};
