#include "ui/SettingsShot.h"

#include "app/FormMain.h"
#include "app/UserNotifier.h"
#include "controls/DoEvents.h"
#include "core/ProgramFolder.h"
#include "platform/FakeDesktop.h"
#include "platform/FakeKeyboardHook.h"
#include "platform/FakeSoundPlayer.h"
#include "platform/FakeUrlOpener.h"
#include "platform/RecordingKeyOutput.h"
#include "ui/FormSetting.h"
#include "ui/SettingsShell.h"
#include "ui/SnippetsPad.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Message boxes have nobody to click them here: they go to the error stream.
class PrintingNotifier : public UserNotifier
{
public:
    void Plain(const QString& text) override { Print(text); }
    void Critical(const QString& text) override { Print(text); }
    void Warning(const QString& text) override { Print(text); }

private:
    static void Print(const QString& text) { std::fprintf(stderr, "quillo: %s\n", qPrintable(text)); }
};

// Far from the ids the offscreen platform gives Quillo's own windows.
constexpr Desktop::WindowId kEditorWindow = 0x400001;

bool Save(FormSetting& window, const QString& path)
{
    DoEvents();
    if (window.grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
        return true;
    }
    std::fprintf(stderr, "quillo: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int SettingsShot::Run(int argc, char** argv, const QString& homeOption, const QString& outDir)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString home = ProgramFolder::Resolve(homeOption);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "quillo: cannot create the folder %s\n", qPrintable(outDir));
        return kExitFailure;
    }

    // A private lock, so a tray program running on the same folder is no
    // obstacle and is not disturbed.
    QTemporaryDir runtime;
    FakeKeyboardHook hook;
    RecordingKeyOutput keys;
    FakeDesktop desktop;
    // An editor in front, as the rules section offers it.
    desktop.foreground = kEditorWindow;
    desktop.windowClass = {QStringLiteral("mousepad"), QStringLiteral("Mousepad")};
    FakeSoundPlayer sound;
    FakeUrlOpener urls;
    PrintingNotifier notifier;
    FormMain form(home, runtime.filePath(QStringLiteral("quillo.lock")),
                  FormMainServices{hook, keys, desktop, sound, urls, notifier});
    if (!form.Load())
        return kExitFailure;
    SettingsShell shell(form);
    form.SetShellCommands(&shell);

    const QDir out(outDir);
    bool ok = true;
    shell.ShowSettings(1);
    ok &= Save(*shell.Window(), out.filePath(QStringLiteral("settings-snippets.png")));
    shell.ShowSettings(2);
    ok &= Save(*shell.Window(), out.filePath(QStringLiteral("settings-options.png")));
    shell.ShowSettings(3);
    ok &= Save(*shell.Window(), out.filePath(QStringLiteral("settings-about.png")));
    // A new snippet's editor row, with the list under it.
    shell.ShowSettings(1);
    shell.Window()->oSnippetsPad->AddNewSnippet();
    ok &= Save(*shell.Window(), out.filePath(QStringLiteral("settings-new-snippet.png")));

    form.SetShellCommands(nullptr);
    shell.CloseWindows();
    DoEvents();
    form.Unload();
    return ok ? kExitOk : kExitFailure;
}
