// What the permission message says for each missing access, with the
// access checks answered by the test (the tests run as root).
#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/wayland/DeviceAccess.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A device folder with two event nodes (plain files) and a check that
// allows exactly the paths and modes listed.
class Access : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkdir("input"));
        for (const char* name : {"event0", "event1"}) {
            QFile node(root.filePath(QString("input/") + name));
            ASSERT_TRUE(node.open(QIODevice::WriteOnly));
        }
        places.inputFolder = root.filePath("input");
        places.uinputPath = root.filePath("uinput");
        places.shippedRule = "/opt/quillo/share/quillo/60-quillo-uinput.rules";
        places.ruleFolders = {root.filePath("etc-rules"), root.filePath("lib-rules")};
        Allow(places.inputFolder, F_OK);
        Allow(places.uinputPath, F_OK);
    }
    void Allow(const QString& path, int mode) { allowed.insert(path + ":" + QString::number(mode)); }
    DeviceAccess Check() const
    {
        return DeviceAccess(places, [this](const QString& path, int mode) {
            return allowed.contains(path + ":" + QString::number(mode));
        });
    }

    QTemporaryDir root;
    DeviceAccess::Places places;
    QSet<QString> allowed;
};

} // namespace

TEST_F(Access, ReadingTheKeyboardsNeedsOneReadableDeviceElseTheInputGroupCommand)
{
    const QString missing = Check().KeyboardProblem();
    EXPECT_TRUE(missing.contains("sudo usermod -aG input $USER")) << missing.toStdString();
    EXPECT_TRUE(missing.contains(places.inputFolder)) << missing.toStdString();
    EXPECT_TRUE(missing.contains("log out and in again")) << missing.toStdString();

    Allow(places.inputFolder + "/event1", R_OK);
    EXPECT_EQ(Check().KeyboardProblem(), QString());

    // No folder, or no devices in it, is said as such: no group helps there.
    allowed.clear();
    EXPECT_TRUE(Check().KeyboardProblem().contains("there is no folder")) << Check().KeyboardProblem().toStdString();
    Allow(places.inputFolder, F_OK);
    ASSERT_TRUE(QFile::remove(places.inputFolder + "/event0") && QFile::remove(places.inputFolder + "/event1"));
    EXPECT_TRUE(Check().KeyboardProblem().contains("finds no keyboard")) << Check().KeyboardProblem().toStdString();
}

TEST_F(Access, WritingUinputNamesTheModuleTheRuleToInstallOrTheRuleToLoad)
{
    // Not writable, rule not installed: install the shipped one and load it.
    QString problem = Check().UinputProblem();
    EXPECT_TRUE(problem.contains("sudo install -m 644 " + places.shippedRule + " /etc/udev/rules.d/"))
        << problem.toStdString();
    EXPECT_TRUE(problem.contains("sudo udevadm control --reload-rules && sudo udevadm trigger")) << problem.toStdString();

    // Installed (by the package) but not loaded: only the loading.
    Allow(root.filePath("lib-rules/60-quillo-uinput.rules"), F_OK);
    problem = Check().UinputProblem();
    EXPECT_FALSE(problem.contains("sudo install")) << problem.toStdString();
    EXPECT_TRUE(problem.contains(root.filePath("lib-rules/60-quillo-uinput.rules") + " is installed but not loaded"))
        << problem.toStdString();

    Allow(places.uinputPath, W_OK);
    EXPECT_EQ(Check().UinputProblem(), QString());

    // No device at all: the kernel module.
    allowed.remove(places.uinputPath + ":" + QString::number(F_OK));
    EXPECT_TRUE(Check().UinputProblem().contains("sudo modprobe uinput")) << Check().UinputProblem().toStdString();
}

TEST_F(Access, TheMessageHoldsWhatIsMissingAndIsEmptyWhenNothingIs)
{
    const QString both = Check().Problems(true);
    EXPECT_TRUE(both.contains("usermod") && both.contains("udevadm")) << both.toStdString();
    // Typing through the compositor needs no uinput.
    EXPECT_FALSE(Check().Problems(false).contains("udevadm"));
    Allow(places.inputFolder + "/event0", R_OK);
    Allow(places.uinputPath, W_OK);
    EXPECT_EQ(Check().Problems(true), QString());
}

TEST(SessionKeymap, NamesComeFromTheEnvironmentElseTheKeyboardFileElseUs)
{
    QTemporaryDir folder;
    const QString file = folder.filePath("keyboard");
    QFile keyboard(file);
    ASSERT_TRUE(keyboard.open(QIODevice::WriteOnly));
    keyboard.write("# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,ru\"\nXKBVARIANT=\",\"\n"
                   "XKBOPTIONS='grp:alt_shift_toggle'\n\nBACKSPACE=\"guess\"\n");
    keyboard.close();
    const auto none = [](const char*) { return QByteArray(); };
    EXPECT_EQ(EvdevKeymap::SessionNames(none, file),
              (EvdevKeymap::Names{{}, "pc105", "de,ru", ",", "grp:alt_shift_toggle"}));

    // The session's variables win, all of them together.
    const auto session = [](const char* name) {
        const QByteArray key(name);
        return key == "XKB_DEFAULT_LAYOUT" ? QByteArray("fr") : key == "XKB_DEFAULT_VARIANT" ? "bepo" : QByteArray();
    };
    EXPECT_EQ(EvdevKeymap::SessionNames(session, file), (EvdevKeymap::Names{{}, {}, "fr", "bepo", {}}));
    EXPECT_EQ(EvdevKeymap::SessionNames(none, folder.filePath("missing")).layout, "us");

    // A layout that does not exist is a reason, not a crash or a US keymap.
    QString error;
    EXPECT_FALSE(EvdevKeymap::FromNames({{}, {}, "no-such-layout", {}, {}}, &error));
    EXPECT_TRUE(error.contains("no-such-layout")) << error.toStdString();
    // A keymap survives the trip through its text (how the compositor hands it over).
    const auto german = EvdevKeymap::FromNames({{}, {}, "de", {}, {}}, &error);
    ASSERT_TRUE(german);
    const auto copy = EvdevKeymap::FromText(german->Text(), &error);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->EvdevCodeOf('Z'), 21u);
}
