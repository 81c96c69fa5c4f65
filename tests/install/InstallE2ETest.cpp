// The program as cmake --install lays it out (into a prefix with a space in
// its name), used as new users would use it: each gets a folder of their
// own, the tray program expands in an editor on a private desktop, its
// start-with-the-session entry starts the installed program; a copy of the
// tree runs on its own; another program builds against its libraries; no
// program or library, built or installed, looks for libraries in the folder
// it is started from.
#include "PrivateDesktop.h"
#include "support/DesktopEntryReader.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;
// How long a window that has just shown may take to come to rest.
constexpr int kSettleMs = 300;
// Installing, configuring and building take long on a loaded machine.
constexpr int kToolMs = 240000;
constexpr int kTwipsPerPixel = 15;
constexpr int kScreenWidth = 1280;
constexpr int kTrayWidth = 64;
constexpr int kTrayHeight = 24;
const QSize kSettingsWindowSize(352, 478);
// The "start with the session" check box in the settings window's client
// area, in twips: the options frame, the page inside it, the box inside that.
constexpr int kStartBoxLeft = 330 + 465 + 225 + 100;
constexpr int kStartBoxTop = 705 + 600 + 1005 + 112;

ProgramRun Execute(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                   int timeoutMs = kWaitMs)
{
    return ProgramRun::Of(program, arguments, environment, timeoutMs);
}

// The run path entries of an ELF file (RUNPATH and RPATH), empty ones kept.
QStringList RunPathEntries(const QString& file)
{
    static const QRegularExpression runPath("Library (?:runpath|rpath): \\[(.*)\\]");
    QStringList entries;
    const ProgramRun dynamic = ProgramRun::Of("readelf", {"-d", file});
    for (auto match = runPath.globalMatch(dynamic.out); match.hasNext();)
        entries << match.next().captured(1).split(QLatin1Char(':'));
    return entries;
}

bool IsElf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(4) == "\x7f" "ELF";
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kWaitMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        PrivateDesktop::Pause(kPollMs * 4, kPollMs);
    }
    return true;
}

} // namespace

class Installed : public ::testing::Test
{
protected:
    // Each test runs in a process of its own: each installs afresh.
    static void SetUpTestSuite()
    {
        root = new QTemporaryDir;
        prefix = root->filePath("inst dir");
        install = Execute(QStringLiteral(QUILLO_CMAKE_COMMAND),
                          {"--install", QStringLiteral(QUILLO_BUILD_DIR), "--prefix", prefix},
                          QProcessEnvironment::systemEnvironment(), kToolMs);
    }
    static void TearDownTestSuite()
    {
        delete root;
        root = nullptr;
    }

    void SetUp() override { ASSERT_EQ(install.code, 0) << install.out.toStdString() << install.err.toStdString(); }

    void TearDown() override
    {
        for (qint64 id : started)
            desktop.StopProgram(id);
    }

    static QString In(const QString& tree, const char* folder, const QString& name)
    {
        return tree + QLatin1Char('/') + QLatin1String(folder) + QLatin1Char('/') + name;
    }
    static QString Program(const QString& tree = prefix) { return In(tree, QUILLO_INSTALL_BINDIR, "quillo"); }

    // A user of their own: a new home, no folder named, no display.
    static QProcessEnvironment User(const QString& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QUILLO_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            environment.remove(name);
        environment.insert("HOME", home);
        return environment;
    }
    static ProgramRun Quillo(const QProcessEnvironment& environment, const QStringList& arguments,
                         const QString& tree = prefix)
    {
        return Execute(Program(tree), arguments, environment);
    }

    bool StartDesktop()
    {
        if (!desktop.Start())
            return false;
        desktop.ExportToThisProcess();
        return true;
    }
    qint64 Start(const QString& program, const QStringList& arguments,
                 const std::optional<QProcessEnvironment>& environment = {})
    {
        const qint64 id = desktop.StartProgram(program, arguments, environment);
        if (id)
            started << id;
        return id;
    }
    QStringList Xdotool(const QStringList& arguments)
    {
        return Execute("xdotool", arguments, desktop.Environment()).out.split('\n', Qt::SkipEmptyParts);
    }
    // A visible window of the program whose geometry satisfies `wanted`.
    QRect FindWindow(qint64 pid, const std::function<bool(const QRect&)>& wanted,
                     PrivateDesktop::Window* found = nullptr)
    {
        QRect geometry;
        WaitFor([&] {
            for (const QString& id : Xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)})) {
                const QRect candidate = desktop.WindowGeometry(id.toULongLong());
                if (wanted(candidate)) {
                    geometry = candidate;
                    if (found)
                        *found = id.toULongLong();
                    return true;
                }
            }
            return false;
        });
        return geometry;
    }
    void Click(int x, int y)
    {
        // No --sync: it waits for a motion that never comes when the pointer
        // is already there. The server handles the move before the click.
        Xdotool({"mousemove", QString::number(x), QString::number(y), "click", "1"});
        PrivateDesktop::Pause(kPollMs * 6, kPollMs);
    }

    static QTemporaryDir* root;
    static QString prefix;
    static ProgramRun install;
    PrivateDesktop desktop;
    QList<qint64> started;
};

QTemporaryDir* Installed::root = nullptr;
QString Installed::prefix;
ProgramRun Installed::install;

TEST_F(Installed, TheTreeHoldsEveryPartAndFindsItsLibrariesBesideItself)
{
    for (const QString& part :
         {In(prefix, QUILLO_INSTALL_BINDIR, "quillo"), In(prefix, QUILLO_INSTALL_LIBDIR, "libkeybhook.so"),
          In(prefix, QUILLO_INSTALL_LIBDIR, "libevdevhook.so"),
          In(prefix, QUILLO_INSTALL_UDEVRULESDIR, "60-quillo-uinput.rules"),
          In(prefix, QUILLO_INSTALL_DATADIR, "60-quillo-uinput.rules"),
          In(prefix, QUILLO_INSTALL_LIBDIR, "libqkuicontrols.so"), In(prefix, QUILLO_INSTALL_LIBDIR, "libprovella.so"),
          In(prefix, QUILLO_INSTALL_LIBDIR, "libqkuicontrols.so.1.1"), In(prefix, QUILLO_INSTALL_LIBDIR, "libprovella.so.1.1"),
          In(prefix, QUILLO_INSTALL_DATADIR, "settings.ini"),
          In(prefix, QUILLO_INSTALL_DATADIR, "snippets.mdb"), In(prefix, QUILLO_INSTALL_DATADIR, "wav/type.wav"),
          In(prefix, QUILLO_INSTALL_DATADIR, "help/index.html"),
          In(prefix, QUILLO_INSTALL_SHAREDIR, "applications/org.quillo.Quillo.desktop"),
          In(prefix, QUILLO_INSTALL_SHAREDIR, "metainfo/org.quillo.Quillo.metainfo.xml"),
          In(prefix, QUILLO_INSTALL_SHAREDIR, "icons/hicolor/scalable/apps/org.quillo.Quillo.svg"),
          In(prefix, QUILLO_INSTALL_SHAREDIR, "icons/hicolor/48x48/apps/org.quillo.Quillo.png"),
          In(prefix, QUILLO_INSTALL_SHAREDIR, "man/man1/quillo.1.gz")})
        EXPECT_TRUE(QFileInfo(part).isFile()) << part.toStdString();

    const DesktopEntryReader entry =
        DesktopEntryReader::FromFile(In(prefix, QUILLO_INSTALL_SHAREDIR, "applications/org.quillo.Quillo.desktop"));
    EXPECT_EQ(entry.Value("Icon"), "org.quillo.Quillo");
    EXPECT_EQ(entry.ExecArguments(), QStringList({"quillo", "--activate"}));
    // Software centres show the newest release of the metainfo: this one.
    const QString version = Quillo(User(root->filePath("anyone")), {"--version"}).out.section(' ', 1).trimmed();
    EXPECT_TRUE(ReadBytes(In(prefix, QUILLO_INSTALL_SHAREDIR, "metainfo/org.quillo.Quillo.metainfo.xml"))
                    .contains("<release version=\"" + version.toUtf8() + "\""))
        << version.toStdString();

    // The run path leads from bin/ to the private libraries, wherever the tree is.
    const QString relative =
        QDir(prefix + "/" QUILLO_INSTALL_BINDIR).relativeFilePath(prefix + "/" QUILLO_INSTALL_LIBDIR);
    const ProgramRun dynamic = Execute("readelf", {"-d", Program()});
    EXPECT_TRUE(dynamic.out.contains("Library runpath: [$ORIGIN/" + relative + "]")) << dynamic.out.toStdString();
    const ProgramRun libraries = Execute("ldd", {Program()});
    // The libraries others build on carry their version in the SONAME.
    const QRegularExpression resolved("libqkuicontrols\\.so\\.1\\.1 => (.*) \\(0x");
    const QString found = resolved.match(libraries.out).captured(1);
    EXPECT_EQ(QFileInfo(found).canonicalFilePath(),
              QFileInfo(In(prefix, QUILLO_INSTALL_LIBDIR, "libqkuicontrols.so")).canonicalFilePath())
        << libraries.out.toStdString();
    EXPECT_FALSE(libraries.out.contains("not found")) << libraries.out.toStdString();
    EXPECT_FALSE(libraries.out.contains(QUILLO_BUILD_DIR)) << libraries.out.toStdString();
}

TEST_F(Installed, EachNewUserGetsAFolderOfTheirOwnMadeFromTheDefaults)
{
    const QByteArray shippedDatabase = ReadBytes(In(prefix, QUILLO_INSTALL_DATADIR, "snippets.mdb"));
    const QProcessEnvironment ann = User(root->filePath("ann"));
    ProgramRun r = Quillo(ann, {"list", "sig"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "sig\tBest regards\n");
    const QString annFolder = root->filePath("ann/.config/quillo");
    EXPECT_EQ(QFileInfo(annFolder).permissions() & 0x0077, 0) << "a new folder is the user's alone";
    for (const char* name : {"settings.ini", "snippets.mdb"}) {
        const QFileInfo file(annFolder + "/" + name);
        EXPECT_TRUE(file.isFile()) << name;
        EXPECT_EQ(file.permissions() & 0x0077, 0) << name << ": the user's files are theirs alone";
    }
    r = Quillo(ann, {"add", "brb", "Be right back"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Quillo(ann, {"list", "brb"}).out, "brb\tBe right back\n");
    EXPECT_EQ(ReadBytes(In(prefix, QUILLO_INSTALL_DATADIR, "snippets.mdb")), shippedDatabase);

    // Another user starts from the defaults, not from what the first added.
    QProcessEnvironment bob = User(root->filePath("bob"));
    bob.insert("XDG_CONFIG_HOME", root->filePath("bob-config"));
    r = Quillo(bob, {"list", "brb"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(QFileInfo(root->filePath("bob-config/quillo/snippets.mdb")).isFile());
    EXPECT_FALSE(QFileInfo::exists(root->filePath("bob/.config/quillo")));

    // A named folder is only filled when asked, and nothing there is replaced.
    const QString named = root->filePath("named");
    QProcessEnvironment carol = User(root->filePath("carol"));
    carol.insert("QUILLO_HOME", named);
    r = Quillo(carol, {"list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(named + "/snippets.mdb")) << r.err.toStdString();
    r = Quillo(carol, {"init"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "created " + named + "/settings.ini\ncreated " + named + "/snippets.mdb\n");
    EXPECT_EQ(Quillo(carol, {"list", "sig"}).out, "sig\tBest regards\n");
    QFile settings(named + "/settings.ini");
    ASSERT_TRUE(settings.open(QIODevice::Append));
    settings.write("; mine\n");
    settings.close();
    r = Quillo(User(root->filePath("carol")), {"--home", named, "init"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("nothing was replaced")) << r.out.toStdString();
    EXPECT_TRUE(ReadBytes(named + "/settings.ini").endsWith("; mine\n"));
    EXPECT_FALSE(QFileInfo::exists(root->filePath("carol/.config/quillo")));
}

TEST_F(Installed, TheTrayProgramExpandsForANewUserAndStartsWithTheSession)
{
    ASSERT_TRUE(StartDesktop()) << desktop.ErrorString().toStdString();
    const QString home = root->filePath("dana");
    QProcessEnvironment dana = desktop.Environment();
    dana.remove("QUILLO_HOME");
    dana.insert("HOME", home);
    dana.insert("XDG_CONFIG_HOME", home + "/.config");
    dana.insert("XDG_DATA_HOME", home + "/.local/share"); // not there: no trash

    const QRect panel(kScreenWidth - kTrayWidth, 0, kTrayWidth, kTrayHeight);
    ASSERT_NE(Start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                               QString::number(kTrayWidth), "--height", QString::number(kTrayHeight),
                               "--SetDockType", "false"}),
              0);
    const QString editorOut = root->filePath("editor.txt");
    const qint64 editor = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", editorOut});
    ASSERT_NE(editor, 0);
    const PrivateDesktop::Window editorWindow = desktop.WaitForWindow(editor);
    ASSERT_NE(editorWindow, 0u);
    const qint64 quillo = Start(Program(), {}, dana);
    ASSERT_NE(quillo, 0);
    ASSERT_NE(desktop.WaitForWindow(quillo), 0u) << desktop.ErrorString().toStdString();
    EXPECT_TRUE(QFileInfo(home + "/.config/quillo/snippets.mdb").isFile());

    // A new user is told where the program lives; the notice is closed by its button.
    PrivateDesktop::Window notice = 0;
    QStringList notices;
    ASSERT_TRUE(WaitFor([&] {
        notices = Xdotool({"search", "--all", "--onlyvisible", "--pid", QString::number(quillo), "--name", "^Start$"});
        return !notices.isEmpty();
    })) << "no first-run notice";
    notice = notices.first().toULongLong();
    // It places itself once shown: click where it has come to rest.
    PrivateDesktop::Pause(kSettleMs, kPollMs);
    const QRect noticeGeometry = desktop.WindowGeometry(notice);
    Click(noticeGeometry.right() - 12, noticeGeometry.top() + 13);
    EXPECT_TRUE(WaitFor([&] {
        return Xdotool({"search", "--all", "--onlyvisible", "--pid", QString::number(quillo), "--name", "^Start$"}).isEmpty();
    })) << "the notice did not close at " << noticeGeometry.x() << "," << noticeGeometry.y();

    ASSERT_TRUE(desktop.FocusWindow(editorWindow));
    PrivateDesktop::Pause(300, kPollMs);
    desktop.Type("sig ");
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(editorOut) == "Best regards"; })) << ReadBytes(editorOut).data();

    // Options, from the tray menu: the fifth entry.
    const QRect icon = FindWindow(quillo, [&](const QRect& g) { return panel.contains(g.center()); });
    ASSERT_FALSE(icon.isEmpty()) << "no tray icon in the panel";
    Xdotool({"mousemove", "--sync", QString::number(icon.center().x()), QString::number(icon.center().y()),
             "click", "1", "sleep", "0.7", "key", "Down", "key", "Down", "key", "Down", "key", "Down", "key", "Down",
             "sleep", "0.2", "key", "Return"});
    const QRect settings = FindWindow(quillo, [](const QRect& g) { return g.size() == kSettingsWindowSize; });
    ASSERT_FALSE(settings.isEmpty()) << "the settings window did not open";
    const int boxX = settings.x() + kStartBoxLeft / kTwipsPerPixel;
    const int boxY = settings.y() + kStartBoxTop / kTwipsPerPixel;

    const QString placed = home + "/.config/autostart/Quillo.desktop";
    Click(boxX, boxY);
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(placed).isFile(); })) << "no autostart entry";
    // The installed program, on the user's own folder: no --home.
    const DesktopEntryReader entry = DesktopEntryReader::FromFile(placed);
    EXPECT_EQ(entry.ExecArguments(), QStringList({QFileInfo(Program()).canonicalFilePath()}));
    EXPECT_TRUE(ReadBytes(home + "/.config/quillo/settings.ini").contains("StartWin=True"));

    Click(boxX, boxY);
    EXPECT_TRUE(WaitFor([&] { return !QFileInfo::exists(placed); })) << "the entry stayed";
    EXPECT_FALSE(QFileInfo::exists(home + "/.local/share")) << "nothing written where no trash is";
}

TEST_F(Installed, ACopiedTreeRunsOnItsOwnWithNothingOfTheBuildTree)
{
    const QString copy = root->filePath("elsewhere/quillo copy");
    ASSERT_TRUE(QDir().mkpath(root->filePath("elsewhere")));
    ASSERT_EQ(Execute("cp", {"-a", prefix, copy}).code, 0);
    ASSERT_TRUE(QDir(prefix).removeRecursively());

    const QString folder = root->filePath("folder");
    const QProcessEnvironment user = User(root->filePath("erin"));
    ProgramRun r = Quillo(user, {"--home", folder, "init"}, copy);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Quillo(user, {"--home", folder, "list", "sig"}, copy).out, "sig\tBest regards\n");

    ASSERT_TRUE(StartDesktop()) << desktop.ErrorString().toStdString();
    const qint64 quillo = Start(Program(copy), {"--home", folder});
    ASSERT_NE(quillo, 0);
    ASSERT_NE(desktop.WaitForWindow(quillo), 0u) << desktop.ErrorString().toStdString();
    // Running with its keyboard monitor: every library it holds open is the copy's or the system's.
    const QString maps = QString::fromUtf8(ReadBytes(QStringLiteral("/proc/%1/maps").arg(quillo)));
    EXPECT_TRUE(maps.contains(In(copy, QUILLO_INSTALL_LIBDIR, "libkeybhook.so"))) << maps.toStdString();
    EXPECT_TRUE(maps.contains(In(copy, QUILLO_INSTALL_LIBDIR, "libqkuicontrols.so")));
    EXPECT_FALSE(maps.contains(QUILLO_BUILD_DIR)) << maps.toStdString();
    EXPECT_TRUE(desktop.IsProgramRunning(quillo));
}

TEST_F(Installed, NoProgramOrLibraryTakesLibrariesFromTheFolderItIsStartedFrom)
{
    // The loader reads an empty run path entry, or a relative one, as the
    // current folder: each entry must lead from the file's own folder.
    const QString built = QStringLiteral(QUILLO_BUILD_DIR "/bin/quillo");
    QStringList checked, offending;
    for (const QString& tree : {QStringLiteral(QUILLO_BUILD_DIR), prefix}) {
        for (QDirIterator it(tree, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            if (file.contains("/CMakeFiles/") || !IsElf(file))
                continue;
            checked << file;
            const QStringList entries = RunPathEntries(file);
            for (const QString& entry : entries) {
                if (!entry.startsWith("$ORIGIN") && !entry.startsWith("${ORIGIN}") && !entry.startsWith('/')) {
                    offending << file + ": " + entries.join(':');
                    break;
                }
            }
        }
    }
    EXPECT_TRUE(checked.contains(built) && checked.contains(Program())) << checked.join('\n').toStdString();
    EXPECT_TRUE(offending.isEmpty()) << offending.join('\n').toStdString();

    // Started from a folder holding foreign libraries of the names it needs,
    // the built and the installed program still run with their own.
    QTemporaryDir folder;
    for (const char* name : {"libQt6DBus.so.6", "libQt6Core.so.6", "libqkuicontrols.so.1.1"}) {
        QFile foreign(folder.filePath(name));
        ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
        foreign.write("not a library");
    }
    for (const QString& program : {built, Program()}) {
        QProcess run;
        run.setWorkingDirectory(folder.path());
        run.start(program, {"--version"});
        ASSERT_TRUE(run.waitForFinished(kWaitMs)) << program.toStdString();
        EXPECT_EQ(run.exitCode(), 0) << program.toStdString() << ": " << run.readAllStandardError().toStdString();
    }
}

TEST_F(Installed, AnotherProgramBuildsAgainstTheControlLibraries)
{
    const QString build = root->filePath("consumer");
    ProgramRun r = Execute(QStringLiteral(QUILLO_CMAKE_COMMAND),
                       {"-S", QStringLiteral(QUILLO_CONSUMER_SOURCE), "-B", build, "-G", "Ninja",
                        "-DCMAKE_PREFIX_PATH=" + prefix},
                       QProcessEnvironment::systemEnvironment(), kToolMs);
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    r = Execute(QStringLiteral(QUILLO_CMAKE_COMMAND), {"--build", build}, QProcessEnvironment::systemEnvironment(),
                kToolMs);
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert("QT_QPA_PLATFORM", "offscreen");
    r = Execute(build + "/consumer", {}, offscreen);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
}

// The man page names every option of the program, and every command with
// each option its usage line names.
TEST(ManPage, NamesEveryCommandAndOptionOfTheHelp)
{
    const QString program = QStringLiteral(QUILLO_BUILD_DIR "/bin/quillo");
    QString page = QString::fromUtf8(ReadBytes(QStringLiteral(QUILLO_MAN_PAGE_SOURCE)));
    page.replace("\\-", "-");
    static const QRegularExpression option("--[a-z][a-z-]*[a-z]");
    const ProgramRun help = Execute(program, {"--help"});
    ASSERT_EQ(help.code, 0) << help.err.toStdString();
    const QString commands = help.out.section("Commands:", 1);
    ASSERT_FALSE(commands.isEmpty()) << help.out.toStdString();
    for (auto match = option.globalMatch(help.out.section("Commands:", 0, 0)); match.hasNext();) {
        const QString name = match.next().captured(0);
        EXPECT_TRUE(page.contains(name)) << "option " << name.toStdString();
    }

    // An entry's heading is the line after ".TP".
    QStringList headings;
    const QStringList lines = page.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (lines[i - 1] == ".TP")
            headings << lines[i];
    static const QRegularExpression command("^  ([a-z]+)\\b", QRegularExpression::MultilineOption);
    for (auto match = command.globalMatch(commands); match.hasNext();) {
        const QString name = match.next().captured(1);
        const QRegularExpression word("\\b" + name + "\\b");
        const auto heading = std::find_if(headings.cbegin(), headings.cend(),
                                          [&](const QString& h) { return h.contains(word); });
        ASSERT_NE(heading, headings.cend()) << "command " << name.toStdString();
        const QString usage = Execute(program, {name, "--help"}).out.section('\n', 0, 0).section(word, 1);
        for (auto used = option.globalMatch(usage); used.hasNext();) {
            const QString flag = used.next().captured(0);
            EXPECT_TRUE(heading->contains(flag)) << name.toStdString() << " " << flag.toStdString();
        }
    }
}
