// How long an expansion takes as a user sees it: from the Space reaching a
// real editor to the editor holding the whole content, on a private X
// display, for contents of 12, 1,000 and 10,000 characters, and for a
// 12-character content that brings in the clipboard and places the caret
// next to a plain one just as long; then the tray program's CPU use and
// memory while idle.
//   bench_latency [--runs N] [--idle-seconds S] [--no-sound]
#include "PrivateDesktop.h"
#include "EditorTrace.h"
#include "store/SnippetManager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kWaitMs = EditorTrace::kWaitMs;
constexpr int kPollMs = EditorTrace::kPollMs;
constexpr int kSettleMs = 300; // between runs, so one expansion never overlaps the next
// Expansions before the measured ones: the first paste of a program pays for
// setting up its clipboard and fonts, which a user pays once a session.
constexpr int kWarmUpRuns = 2;

void Pause(int ms)
{
    PrivateDesktop::Pause(ms, kPollMs);
}


struct ProcessUsage
{
    double cpuSeconds = 0;
    long rssKb = 0;
};

ProcessUsage UsageOf(qint64 pid)
{
    ProcessUsage usage;
    const QByteArray stat = EditorTrace::ReadAll(QString("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 here.
    usage.cpuSeconds = double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / sysconf(_SC_CLK_TCK);
    for (const QByteArray& line : EditorTrace::ReadAll(QString("/proc/%1/status").arg(pid)).split('\n'))
        if (line.startsWith("VmRSS:"))
            usage.rssKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    return usage;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.contains("--runs") ? args.value(args.indexOf("--runs") + 1).toInt() : 20;
    const int idleSeconds =
        args.contains("--idle-seconds") ? args.value(args.indexOf("--idle-seconds") + 1).toInt() : 60;

    PrivateDesktop desktop;
    if (!desktop.Start()) {
        std::fprintf(stderr, "cannot start the private desktop: %s\n", qPrintable(desktop.ErrorString()));
        return 1;
    }
    desktop.ExportToThisProcess();

    QTemporaryDir folder;
    EditorTrace::FillProgramFolder(folder.path(), !args.contains("--no-sound"));
    const QList<QPair<QString, int>> cases = {{"sig", 12}, {"lk", 1000}, {"lkk", 10000}, {"pl", 12}, {"cc", 12}};
    // Both give "Dear Ann, hi"; the second reads "Ann" from the clipboard
    // and leaves the caret before " hi".
    const QString clipboardText = "Ann";
    const QHash<QString, QString> placeholderCases = {{"pl", "Dear Ann, hi"}, {"cc", "Dear [clipboard],[cursor] hi"}};
    {
        SnippetManager store;
        store.OpenSetFile(folder.filePath("snippets.mdb"));
        for (const auto& [abbreviation, length] : cases.mid(1)) {
            Snippet snippet;
            snippet.snippetString = abbreviation;
            snippet.contentString = placeholderCases.value(abbreviation);
            if (snippet.contentString.isEmpty()) {
                for (int i = 0; snippet.contentString.size() < length; ++i)
                    snippet.contentString += QString("word%1 ").arg(i % 10);
                snippet.contentString.truncate(length);
            }
            store.CommitSnippet(snippet);
        }
    }
    // The expansion leaves its content on the clipboard: the user's copy is
    // put back before each run, for every case alike.
    const QString clipboardFile = folder.filePath("copied.txt");
    {
        QFile copied(clipboardFile);
        copied.open(QIODevice::WriteOnly);
        copied.write(clipboardText.toUtf8());
    }

    // The editor writes its text after every change through a file synced
    // to disk, which on a disk costs milliseconds per Backspace: in memory
    // it costs nothing, and only the expansion is measured.
    QTemporaryDir memoryFolder(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/bench-latency-XXXXXX")
                                                         : QDir::tempPath() + "/bench-latency-XXXXXX");
    const QString editorFolder = memoryFolder.isValid() ? memoryFolder.path() : folder.path();
    const QString textFile = editorFolder + "/editor.txt";
    const QString traceFile = editorFolder + "/trace.txt";
    const qint64 editor = desktop.StartProgram(QUILLO_TEST_EDITOR, {"--out", textFile, "--trace", traceFile});
    const PrivateDesktop::Window editorWindow = desktop.WaitForWindow(editor);
    const qint64 quillo = desktop.StartProgram(QUILLO_EXECUTABLE, {"--home", folder.path()});
    if (!editorWindow || !desktop.WaitForWindow(quillo)) {
        std::fprintf(stderr, "programs did not start: %s\n", qPrintable(desktop.ErrorString()));
        return 1;
    }
    desktop.FocusWindow(editorWindow);
    Pause(kSettleMs);

    std::printf("%-28s %10s %10s %6s\n", "expansion", "median ms", "max ms", "runs");
    for (const auto& [abbreviation, length] : cases) {
        std::vector<double> latencies;
        for (int run = -kWarmUpRuns; run < runs; ++run) {
            desktop.Key("ctrl+a");
            desktop.Key("BackSpace");
            if (!EditorTrace::WaitForLength(textFile, 0))
                continue;
            QProcess xclip;
            xclip.start("xclip", {"-i", "-selection", "clipboard", clipboardFile});
            xclip.waitForFinished(kWaitMs);
            Pause(kSettleMs);
            const qsizetype offset = EditorTrace::ReadAll(traceFile).size();
            desktop.Type(abbreviation + " ");
            if (!EditorTrace::WaitForLength(textFile, length))
                continue;
            const double ms = EditorTrace::LatencyMs(traceFile, offset, length);
            if (ms >= 0 && run >= 0)
                latencies.push_back(ms);
        }
        EditorTrace::PrintRow(abbreviation, length, std::move(latencies));
    }

    desktop.StopProgram(editor);
    const ProcessUsage before = UsageOf(quillo);
    Pause(idleSeconds * 1000);
    const ProcessUsage after = UsageOf(quillo);
    std::printf("idle over %d s: CPU %.2f %%, resident memory %.1f MB\n", idleSeconds,
                100.0 * (after.cpuSeconds - before.cpuSeconds) / idleSeconds, after.rssKb / 1024.0);
    desktop.Stop();
    return 0;
}
