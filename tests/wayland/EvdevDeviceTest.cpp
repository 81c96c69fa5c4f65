// Which files of a device folder the monitor takes for devices: simulated
// ones only where simulated devices are expected, and by their names.
#include "platform/evdevhook/EvdevDevice.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(EvdevDevice, SimulatedDevicesCountOnlyInASimulatedFolderAndByTheirNames)
{
    QTemporaryDir folder;
    auto fifo = [&](const char* name) {
        const QString path = folder.filePath(name);
        EXPECT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        return path;
    };
    const QString keyboard = fifo("platform-sim-event-kbd");
    const QString mouse = fifo("platform-sim-event-mouse");
    const QString other = fifo("event7");
    int error = -1;

    // In /dev/input a FIFO is no device, whatever its name.
    EXPECT_FALSE(EvdevDevice::Open(keyboard, false, &error));
    EXPECT_EQ(error, 0);

    auto device = EvdevDevice::Open(keyboard, true, &error);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsKeyboard());
    EXPECT_FALSE(device->IsPointer());
    EXPECT_EQ(device->Kind(), EvdevDevice::Source::Fifo);
    device = EvdevDevice::Open(mouse, true, &error);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsPointer());
    EXPECT_FALSE(device->IsKeyboard());
    // A name that says no kind, and a path that is not there.
    EXPECT_FALSE(EvdevDevice::Open(other, true, &error));
    EXPECT_FALSE(EvdevDevice::Open(folder.filePath("gone-event-kbd"), true, &error));

    QFile recording(folder.filePath("recorded-event-kbd"));
    ASSERT_TRUE(recording.open(QIODevice::WriteOnly));
    recording.close();
    device = EvdevDevice::Open(recording.fileName(), true, &error);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->Kind(), EvdevDevice::Source::Recording);
    // An empty recording is not a device gone: it may still grow.
    EXPECT_TRUE(device->ReadAvailable([](unsigned, int) { ADD_FAILURE() << "a key from nothing"; }));
}
