#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// What the desktop's input devices allow this user: reading the keyboards
// (the keyboard monitor) and writing /dev/uinput (typing through a virtual
// keyboard). Each answer is the sentence to show, naming the command that
// grants the access, or "" when all is fine. The checks go through an
// access()-like function so that tests, which run as root, can deny.
class DeviceAccess
{
public:
    // Like access(2): true when path allows mode (F_OK, R_OK, W_OK).
    using AccessCheck = std::function<bool(const QString& path, int mode)>;

    static constexpr const char* kInputFolder = "/dev/input";
    static constexpr const char* kUinputPath = "/dev/uinput";
    static constexpr const char* kRuleFileName = "60-quillo-uinput.rules";
    // The folder named by this variable holds simulated devices instead.
    static constexpr const char* kDeviceFolderVariable = "QUILLO_INPUT_DEVICES";

    struct Places
    {
        QString inputFolder = QString::fromLatin1(kInputFolder);
        QString uinputPath = QString::fromLatin1(kUinputPath);
        // The rule file as the program ships it (in its shared folder).
        QString shippedRule;
        // Where udev reads rules: an installed copy there only needs loading.
        QStringList ruleFolders{QStringLiteral("/etc/udev/rules.d"), QStringLiteral("/usr/lib/udev/rules.d"),
                                QStringLiteral("/lib/udev/rules.d")};
    };

    explicit DeviceAccess(Places places, AccessCheck check = RealAccess());
    // The places of this session: QUILLO_INPUT_DEVICES or /dev/input, and the
    // rule file in the program's shared folder.
    static DeviceAccess ForSession();

    // The device folder the keyboard monitor reads, and whether it is a
    // simulated one (from QUILLO_INPUT_DEVICES).
    static QString DeviceFolder(bool* simulated = nullptr);

    // "" when at least one input device can be read.
    QString KeyboardProblem() const;
    // "" when the virtual keyboard device can be made.
    QString UinputProblem() const;
    // Both, one paragraph each; uinput only when the program types through it.
    QString Problems(bool needUinput) const;

    // The command that lets the user read the keyboards, and its sentence.
    static QString InputGroupCommand();
    static QString InputGroupAdvice(const QString& folder);

    static AccessCheck RealAccess();
    const Places& PlacesOf() const { return places; }

private:
    QStringList EventDevices() const;

    Places places;
    AccessCheck check;
};
