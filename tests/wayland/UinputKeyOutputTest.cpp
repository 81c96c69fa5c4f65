// The uinput key output against a recording pipe: the records each key and
// text become on US and German layouts, and texts it must refuse whole.
#include "core/QuilloError.h"
#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/wayland/UinputDevice.h"
#include "platform/wayland/UinputKeyOutput.h"
#include "support/SimulatedKeyboard.h"

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr unsigned kShift = 42, kAltGr = 100, kEnter = 28, kTab = 15, kA = 30, kQ = 16, kY = 21, kZ = 44,
                   kLeftBrace = 26, kS = 31;

std::shared_ptr<const EvdevKeymap> Layout(const char* layout)
{
    QString error;
    auto keymap = EvdevKeymap::FromNames({{}, {}, layout, {}, {}}, &error);
    EXPECT_TRUE(keymap) << error.toStdString();
    return keymap;
}

// A key output writing into a pipe, and what came out of the pipe.
class Recorder
{
public:
    explicit Recorder(const char* layout)
    {
        std::signal(SIGPIPE, SIG_IGN);
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        output = std::make_unique<UinputKeyOutput>(fds[1], Layout(layout), 0);
    }
    ~Recorder()
    {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
    // One line per record, so that a difference reads well.
    std::string Records()
    {
        QByteArray bytes;
        char buffer[4096];
        ssize_t count = 0;
        while ((count = ::read(fds[0], buffer, sizeof buffer)) > 0)
            bytes.append(buffer, count);
        return SimulatedKeyboard::Records(bytes).join('\n').toStdString();
    }
    void CloseReader()
    {
        ::close(fds[0]);
        fds[0] = -1;
    }
    int fds[2] = {-1, -1};
    std::unique_ptr<UinputKeyOutput> output;
};

// The records of tapping each key, with the modifiers given held around it.
std::string Taps(std::initializer_list<std::pair<unsigned, QList<unsigned>>> keys)
{
    QStringList lines;
    for (const auto& [code, held] : keys) {
        for (unsigned modifier : held)
            lines << QStringLiteral("key %1 1").arg(modifier) << "syn";
        lines << QStringLiteral("key %1 1").arg(code) << "syn" << QStringLiteral("key %1 0").arg(code) << "syn";
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            lines << QStringLiteral("key %1 0").arg(*it) << "syn";
    }
    return lines.join('\n').toStdString();
}

std::string Lines(const QStringList& lines)
{
    return lines.join('\n').toStdString();
}

} // namespace

TEST(UinputKeyOutput, VirtualKeysBecomeTheLayoutsKeysEachWithItsReport)
{
    Recorder us("us");
    us.output->KeyDown(16);
    us.output->KeyDown('A');
    us.output->KeyUp('A');
    us.output->KeyUp(16);
    us.output->KeyDown(13);
    EXPECT_EQ(us.Records(), Lines({"key 42 1", "syn", "key 30 1", "syn", "key 30 0", "syn", "key 42 0", "syn",
                                   "key 28 1", "syn"}));
    // A virtual key no keyboard has is an error, and nothing is written.
    EXPECT_THROW(us.output->KeyDown(0xFF), QuilloError);
    EXPECT_TRUE(us.Records().empty());

    // On a German layout the key named Z is where US has Y; a Cyrillic
    // layout still has its letters' keys at the US positions (Ctrl+V).
    Recorder german("de");
    german.output->KeyDown('Z');
    EXPECT_EQ(german.Records(), Lines({QString("key %1 1").arg(kY), "syn"}));
    // AltGr is the right Alt key, not the keymap's extra key for its symbol.
    german.output->KeyDown(165);
    EXPECT_EQ(german.Records(), Lines({QString("key %1 1").arg(kAltGr), "syn"}));
    Recorder russian("ru");
    russian.output->KeyDown('S');
    EXPECT_EQ(russian.Records(), Lines({QString("key %1 1").arg(kS), "syn"}));
}

TEST(UinputKeyOutput, KeyScanAnswersFromTheLayoutWithShiftAndAltGr)
{
    Recorder us("us");
    EXPECT_EQ(us.output->KeyScan(u'a'), 'A');
    EXPECT_EQ(us.output->KeyScan(u'A'), 'A' | KeyOutput::kShiftState);
    EXPECT_EQ(us.output->KeyScan(u'?'), 191 | KeyOutput::kShiftState);
    Recorder german("de");
    EXPECT_EQ(german.output->KeyScan(u'/'), '7' | KeyOutput::kShiftState);
    EXPECT_EQ(german.output->KeyScan(u'@'), 'Q' | KeyOutput::kControlState | KeyOutput::kAltState);
    EXPECT_EQ(german.output->KeyScan(u'ü'), 219);
    Recorder russian("ru");
    EXPECT_EQ(russian.output->KeyScan(u'ы'), 'S');
    // Nothing types it: the US table's answer, as on X11.
    EXPECT_EQ(us.output->KeyScan(u'ы'), KeyOutput::kNoKeyScan);
}

TEST(UinputKeyOutput, TextIsTypedKeyByKeyWithItsModifiersAndLineBreaksAsEnter)
{
    Recorder german("de");
    german.output->TypeText(QString::fromUtf8("Zü@\r\n\t"));
    EXPECT_EQ(german.Records(), Taps({{kY, {kShift}}, {kLeftBrace, {}}, {kQ, {kAltGr}}, {kEnter, {}}, {kTab, {}}}));

    Recorder us("us");
    us.output->TypeText("a\nA");
    EXPECT_EQ(us.Records(), Taps({{kA, {}}, {kEnter, {}}, {kA, {kShift}}}));
    us.output->TypeText(QString());
    EXPECT_TRUE(us.Records().empty());
}

TEST(UinputKeyOutput, TextWithCharactersTheLayoutLacksIsRefusedWholeAndAGoneReaderIsAnError)
{
    Recorder us("us");
    try {
        us.output->TypeText(QString::fromUtf8("ab€cd😀"));
        ADD_FAILURE() << "typed characters the layout lacks";
    } catch (const QuilloError& error) {
        EXPECT_TRUE(error.Message().contains(QString::fromUtf8("€😀"))) << error.Message().toStdString();
        EXPECT_TRUE(error.Message().contains("nothing was typed")) << error.Message().toStdString();
    }
    EXPECT_TRUE(us.Records().empty());

    // The layout changes under the output: the new one counts.
    us.output->SetKeymap(Layout("de"));
    us.output->TypeText("z");
    EXPECT_EQ(us.Records(), Taps({{kY, {}}}));

    us.CloseReader();
    EXPECT_THROW(us.output->KeyDown('A'), QuilloError);
}

TEST(UinputKeyOutput, ADeviceThatIsMissingOrNoUinputSaysSo)
{
    QTemporaryDir folder;
    try {
        UinputDevice device(folder.filePath("uinput"));
        ADD_FAILURE() << "made a device on a missing path";
    } catch (const QuilloError& error) {
        EXPECT_TRUE(error.Message().contains("sudo modprobe uinput")) << error.Message().toStdString();
    }
    QFile plain(folder.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    try {
        UinputKeyOutput output(Layout("us"), plain.fileName());
        ADD_FAILURE() << "made a device on a plain file";
    } catch (const QuilloError& error) {
        EXPECT_TRUE(error.Message().contains("it is not a uinput device")) << error.Message().toStdString();
    }
}
