// How long an expansion takes with the Wayland backend as a user sees it:
// from the Space reaching a real editor to the editor holding the whole
// content, on a headless compositor (sway), for contents of 12 and 1,000
// characters. The editor gets its keys from a virtual keyboard of this
// program, Quillo the same keys from a simulated keyboard device, as a
// keyboard's keys reach both in a Wayland session.
//   bench_latency_wayland [--runs N]
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandConnection.h"
#include "EditorTrace.h"
#include "store/SnippetManager.h"
#include "support/HeadlessSway.h"
#include "support/SimulatedKeyboard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kWaitMs = EditorTrace::kWaitMs;
constexpr int kPollMs = EditorTrace::kPollMs;
constexpr int kSettleMs = 300; // between runs, so one expansion never overlaps the next
// Expansions before the measured ones: the first paste of a program pays for
// setting up its clipboard and fonts, which a user pays once a session.
constexpr int kWarmUpRuns = 2;
constexpr int kVkBackspace = 8, kVkControl = 17, kVkSpace = 32;


void Tap(KeyOutput& keys, int virtualKey)
{
    keys.KeyDown(std::uint8_t(virtualKey));
    keys.KeyUp(std::uint8_t(virtualKey));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.contains("--runs") ? args.value(args.indexOf("--runs") + 1).toInt() : 20;

    HeadlessSway sway;
    if (!sway.Start()) {
        std::fprintf(stderr, "cannot start the compositor: %s\n", qPrintable(sway.ErrorString()));
        return 1;
    }
    const QDir runtime(sway.RuntimeDir());
    runtime.mkdir("quillo");
    const QString folder = runtime.filePath("quillo");
    for (const char* name : {"snippets.mdb", "settings.ini", "Quillo.desktop"})
        QFile::copy(QString(QUILLO_PROGRAM_DIR "/") + name, folder + "/" + name);
    const QList<QPair<QString, int>> cases = {{"sig", 12}, {"lk", 1000}};
    {
        SnippetManager store;
        store.OpenSetFile(folder + "/snippets.mdb");
        for (const auto& [abbreviation, length] : cases.mid(1)) {
            Snippet snippet;
            snippet.snippetString = abbreviation;
            for (int i = 0; snippet.contentString.size() < length; ++i)
                snippet.contentString += QString("word%1 ").arg(i % 10);
            snippet.contentString.truncate(length);
            store.CommitSnippet(snippet);
        }
    }
    runtime.mkdir("devices");
    const QString devices = runtime.filePath("devices");
    SimulatedKeyboard device(devices);
    sway.GiveToUser(folder);
    sway.GiveToUser(devices);

    QProcessEnvironment quilloEnvironment;
    quilloEnvironment.insert("QUILLO_INPUT_DEVICES", devices);
    QProcess* quillo = sway.StartClient(QUILLO_EXECUTABLE, {"--home", folder, "--backend", "wayland"}, quilloEnvironment);
    if (!quillo || !device.Connect(kWaitMs)) {
        std::fprintf(stderr, "Quillo did not start: %s\n", qPrintable(sway.ErrorString()));
        return 1;
    }
    qputenv("XDG_RUNTIME_DIR", sway.RuntimeDir().toLocal8Bit());
    qputenv("WAYLAND_DISPLAY", sway.WaylandDisplay().toLocal8Bit());
    QString error;
    auto connection = WaylandConnection::Open(&error);
    if (!connection) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    VirtualKeyboardOutput keys(*connection, connection->SessionKeymap());

    const QString textFile = runtime.filePath("editor.txt");
    const QString traceFile = runtime.filePath("trace.txt");
    QProcessEnvironment editorEnvironment;
    editorEnvironment.insert("QT_QPA_PLATFORM", "wayland");
    QFile(traceFile).open(QIODevice::WriteOnly);
    sway.GiveToUser(traceFile);
    if (!sway.StartClient(QUILLO_TEST_EDITOR, {"--out", textFile, "--trace", traceFile}, editorEnvironment)) {
        std::fprintf(stderr, "the editor did not start: %s\n", qPrintable(sway.ErrorString()));
        return 1;
    }
    // The editor has the keyboard once a probe arrives.
    QDeadlineTimer focused(kWaitMs);
    while (EditorTrace::ReadAll(textFile).isEmpty() && !focused.hasExpired()) {
        keys.TypeText("x");
        QThread::msleep(kSettleMs);
    }

    std::printf("%-28s %10s %10s %6s\n", "expansion (Wayland)", "median ms", "max ms", "runs");
    for (const auto& [abbreviation, length] : cases) {
        std::vector<double> latencies;
        for (int run = -kWarmUpRuns; run < runs; ++run) {
            keys.KeyDown(kVkControl);
            Tap(keys, 'A');
            keys.KeyUp(kVkControl);
            Tap(keys, kVkBackspace);
            if (!EditorTrace::WaitForLength(textFile, 0))
                continue;
            QThread::msleep(kSettleMs);
            // The abbreviation to both; the editor has it before the Space.
            keys.TypeText(abbreviation);
            device.Type(abbreviation);
            if (!EditorTrace::WaitForLength(textFile, int(abbreviation.size())))
                continue;
            const qsizetype offset = EditorTrace::ReadAll(traceFile).size();
            Tap(keys, kVkSpace);
            device.Tap(SimulatedKeyboard::kSpace);
            if (!EditorTrace::WaitForLength(textFile, length))
                continue;
            const double ms = EditorTrace::LatencyMs(traceFile, offset, length);
            if (ms >= 0 && run >= 0)
                latencies.push_back(ms);
        }
        EditorTrace::PrintRow(abbreviation, length, std::move(latencies));
    }
    return 0;
}
