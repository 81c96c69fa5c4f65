#include "platform/wayland/DeviceAccess.h"

#include "core/ProgramFolder.h"

#include <QDir>
#include <unistd.h>

DeviceAccess::DeviceAccess(Places places, AccessCheck check) : places(std::move(places)), check(std::move(check)) {}

DeviceAccess DeviceAccess::ForSession()
{
    Places places;
    places.inputFolder = DeviceFolder();
    places.shippedRule = QDir(ProgramFolder::SharedFolder()).filePath(QString::fromLatin1(kRuleFileName));
    return DeviceAccess(places);
}

QString DeviceAccess::DeviceFolder(bool* simulated)
{
    const QString named = qEnvironmentVariable(kDeviceFolderVariable);
    if (simulated)
        *simulated = !named.isEmpty();
    return named.isEmpty() ? QString::fromLatin1(kInputFolder) : named;
}

DeviceAccess::AccessCheck DeviceAccess::RealAccess()
{
    return [](const QString& path, int mode) { return ::access(path.toLocal8Bit().constData(), mode) == 0; };
}

QString DeviceAccess::InputGroupCommand()
{
    return QStringLiteral("sudo usermod -aG input $USER");
}

QString DeviceAccess::InputGroupAdvice(const QString& folder)
{
    return QStringLiteral("Quillo is not allowed to read the keyboard devices in %1, so it cannot see what you "
                          "type. Add yourself to the group \"input\" with this command, then log out and in "
                          "again:\n    %2")
        .arg(folder, InputGroupCommand());
}

QStringList DeviceAccess::EventDevices() const
{
    QStringList devices;
    const QDir folder(places.inputFolder);
    for (const QString& name : folder.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (name.startsWith(QLatin1String("event")) || name.endsWith(QLatin1String("-event-kbd")) ||
            name.endsWith(QLatin1String("-event-mouse")))
            devices << folder.filePath(name);
    return devices;
}

QString DeviceAccess::KeyboardProblem() const
{
    if (!check(places.inputFolder, F_OK))
        return QStringLiteral("Quillo finds no input devices: there is no folder %1.").arg(places.inputFolder);
    const QStringList devices = EventDevices();
    if (devices.isEmpty())
        return QStringLiteral("Quillo finds no keyboard in %1.").arg(places.inputFolder);
    for (const QString& device : devices)
        if (check(device, R_OK))
            return QString();
    return InputGroupAdvice(places.inputFolder);
}

QString DeviceAccess::UinputProblem() const
{
    const QString reload =
        QStringLiteral("sudo udevadm control --reload-rules && sudo udevadm trigger --sysname-match=uinput");
    if (!check(places.uinputPath, F_OK))
        return QStringLiteral("Quillo cannot type through a virtual keyboard: there is no %1 (the kernel's uinput "
                              "module is not loaded). Load it with:\n    sudo modprobe uinput")
            .arg(places.uinputPath);
    if (check(places.uinputPath, W_OK))
        return QString();
    QString installed;
    for (const QString& folder : places.ruleFolders)
        if (installed.isEmpty() && check(QDir(folder).filePath(QString::fromLatin1(kRuleFileName)), F_OK))
            installed = QDir(folder).filePath(QString::fromLatin1(kRuleFileName));
    const QString intro = QStringLiteral("Quillo is not allowed to write to %1, through which it types.")
                              .arg(places.uinputPath);
    if (!installed.isEmpty())
        return intro + QStringLiteral(" The device rule %1 is installed but not loaded yet. Load it with this "
                                      "command, then log out and in again:\n    %2")
                           .arg(installed, reload);
    return intro + QStringLiteral(" Install the device rule that comes with Quillo and load it with this "
                                  "command, then log out and in again:\n    sudo install -m 644 %1 "
                                  "/etc/udev/rules.d/ && %2")
                       .arg(places.shippedRule, reload);
}

QString DeviceAccess::Problems(bool needUinput) const
{
    QStringList problems;
    for (const QString& problem : {KeyboardProblem(), needUinput ? UinputProblem() : QString()})
        if (!problem.isEmpty())
            problems << problem;
    return problems.join(QStringLiteral("\n\n"));
}
