#include "SettingsTestSupport.h"
#include "core/QuilloError.h"
#include "settings/IniFile.h"
#include "settings/KeyNames.h"

#include <QFileInfo>

class IniFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("settings.ini");
};

TEST_F(IniFile, ReadsLikeTheClassicProfileRoutines)
{
    WriteBytes(path, "; a comment\r\n"
                     "[Other]\r\n"
                     "EnableQK=False\r\n"
                     "\r\n"
                     "[QK]\r\n"
                     "  enableqk =  True  \r\n"
                     "EnableQK=ignored, the first one wins\r\n"
                     ";SoundName=commented\r\n"
                     "Formula=a=b=c\r\n"
                     "Quoted=\"  padded  \"\r\n"
                     "Empty=\r\n"
                     "Long=" + QByteArray(2000, 'v') + "\r\n");
    EXPECT_EQ(GetIniValue(path, "qk", "EnableQK"), "True");
    EXPECT_EQ(GetIniValue(path, "other", "enableqk"), "False");
    EXPECT_EQ(GetIniValue(path, "qk", "Formula"), "a=b=c");
    EXPECT_EQ(GetIniValue(path, "qk", "Quoted"), "  padded  ");
    EXPECT_EQ(GetIniValue(path, "qk", "Empty"), "");
    EXPECT_EQ(GetIniValue(path, "qk", "SoundName"), "");
    EXPECT_EQ(GetIniValue(path, "qk", "Long"), QString(511, 'v'));
    EXPECT_EQ(GetIniValue(path, "missing", "EnableQK"), "");
    EXPECT_EQ(GetIniValue(dir.filePath("nothing.ini"), "qk", "EnableQK"), "");
}

TEST_F(IniFile, WritingKeepsEveryOtherLineByteForByte)
{
    const QByteArray before = "; options of Quillo\r\n"
                              "[qk]\r\n"
                              "EnableQK=True\r\n"
                              "; the hot key\r\n"
                              "SwitchQKKey=F12\r\n"
                              "\r\n"
                              "[later]\r\n"
                              "x=1\r\n";
    WriteBytes(path, before);

    SetIniValue(path, "QK", "switchqkkey", "F9");
    QByteArray expected = before;
    expected.replace("SwitchQKKey=F12", "SwitchQKKey=F9");
    EXPECT_EQ(ReadBytes(path), expected);

    // A missing key goes at the end of its own section, in the file's line ends.
    SetIniValue(path, "qk", "SoundName", "kata");
    expected.replace("SwitchQKKey=F9\r\n", "SwitchQKKey=F9\r\nSoundName=kata\r\n");
    EXPECT_EQ(ReadBytes(path), expected);

    // A missing section goes at the end.
    SetIniValue(path, "new", "k", "v");
    EXPECT_EQ(ReadBytes(path), expected + "\r\n[new]\r\nk=v\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"settings.ini"}))
        << "no temporary file may be left behind";
}

TEST_F(IniFile, WritingCreatesAMissingFileAndKeepsAFileWithoutFinalLineEnd)
{
    SetIniValue(path, "qk", "EnableQK", "True");
    EXPECT_EQ(ReadBytes(path), "[qk]\nEnableQK=True\n");

    WriteBytes(path, "[qk]\nA=1");
    SetIniValue(path, "qk", "B", "2");
    EXPECT_EQ(ReadBytes(path), "[qk]\nA=1\nB=2\n");
    SetIniValue(path, "qk", "A", "3");
    EXPECT_EQ(ReadBytes(path), "[qk]\nA=3\nB=2\n");
}

TEST_F(IniFile, RefusedWritesLeaveTheFileAsItWas)
{
    const QByteArray before = "[qk]\nEnableQK=True\n";
    WriteBytes(path, before);
    EXPECT_THROW(SetIniValue(path, "qk", "SoundName", "two\nlines"), QuilloError);
    EXPECT_THROW(SetIniValue(path, "qk", "", "v"), QuilloError);
    EXPECT_THROW(SetIniValue(path, "qk", "a=b", "v"), QuilloError);
    EXPECT_EQ(ReadBytes(path), before);

    // A folder that cannot exist: the error names the file.
    const QString impossible = path + "/settings.ini";
    try {
        SetIniValue(impossible, "qk", "EnableQK", "False");
        FAIL() << "no error";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains(impossible)) << e.Message().toStdString();
    }
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(IniFile, BinaryGarbageReadsEmptyAndSurvivesAWrite)
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919) % 256);
    WriteBytes(path, garbage);
    EXPECT_EQ(GetIniValue(path, "qk", "EnableQK"), "");
    SetIniValue(path, "qk", "EnableQK", "True");
    EXPECT_TRUE(ReadBytes(path).startsWith(garbage));
    EXPECT_EQ(GetIniValue(path, "qk", "EnableQK"), "True");
}

// Data the file system does not take (a full disk, a quota, a size limit)
// never replaces the file with a part of the new one, and nothing is left
// behind.
TEST_F(IniFile, AWriteTheFileSystemRefusesLeavesTheFileWhole)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "no per-process file size limit on Windows";
#endif
    const QByteArray before = "[qk]\nEnableQK=True\n; " + QByteArray(4000, 'c') + "\n[PasteKeys]\nemacs=Type\n";
    WriteBytes(path, before);
    {
        FileSizeLimit limit(before.size() / 2);
        try {
            SetIniValue(path, "qk", "EnableQK", "False");
            ADD_FAILURE() << "no error";
        } catch (const QuilloError& e) {
            EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
                << e.Message().toStdString();
        }
    }
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"settings.ini"}));
}

// A link to options kept elsewhere stays a link; the file it names changes.
TEST_F(IniFile, ALinkedFileIsWrittenThroughTheLink)
{
    const QString real = dir.filePath("elsewhere.ini");
    WriteBytes(real, "[qk]\nEnableQK=True\n");
    ASSERT_TRUE(QFile::link(real, path));
    SetIniValue(path, "qk", "EnableQK", "False");
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(ReadBytes(real), "[qk]\nEnableQK=False\n");
}

TEST(KeyNames, NamesMapToVirtualKeyCodes)
{
    EXPECT_EQ(KeyNameToCode("F5"), 116);
    EXPECT_EQ(KeyNameToCode("f5"), 116);
    EXPECT_EQ(KeyNameToCode("F1"), 112);
    EXPECT_EQ(KeyNameToCode("F12"), 123);
    EXPECT_EQ(KeyNameToCode("Space"), 32);
    EXPECT_EQ(KeyNameToCode("enter"), 13);
    EXPECT_EQ(KeyNameToCode("Tab"), 9);
    EXPECT_EQ(KeyNameToCode("Left"), 37);
    EXPECT_EQ(KeyNameToCode("0"), 48);
    EXPECT_EQ(KeyNameToCode("9"), 57);
    EXPECT_EQ(KeyNameToCode("Esc"), 0);
    EXPECT_EQ(KeyNameToCode("F13"), 0);
    EXPECT_EQ(KeyNameToCode(""), 0);
    EXPECT_EQ(KeyNameToCode(" F5"), 0);
}
