// Quillo and a peer expander measured side by side on one private X
// display: from the Space after an abbreviation reaching an editor to the
// editor holding the whole content, for contents of 12, 1,000 and 10,000
// characters, in our Qt test editor and in a GTK editor (mousepad). The
// peer runs first, then Quillo, each alone, with the same editors and
// contents. Run it through run.sh beside it, which installs the peer.
//   bench_peers [--runs N] [--editors qt,mousepad] [--programs autokey,quillo] [--keyboard-mode]
//               [--no-sound] [--editor-without-accessibility]
// --editor-without-accessibility starts the Qt editor without its
// accessibility bridge: what Quillo's caret tracking costs the editor shows
// as the difference.
#include "AutokeyProfile.h"
#include "EditorTrace.h"
#include "PrivateDesktop.h"
#include "TextChangeWatch.h"
#include "store/SnippetManager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

constexpr int kWaitMs = EditorTrace::kWaitMs;
constexpr int kPollMs = EditorTrace::kPollMs;
// Between runs, so one expansion (and the clipboard restored after it)
// never overlaps the next.
constexpr int kSettleMs = 500;
// The first pastes of a program pay for setting up its clipboard and
// fonts, which a user pays once a session.
constexpr int kWarmUpRuns = 2;
// How long one try of "is the expander listening yet" waits for the content.
constexpr int kReadyTryMs = 3000;
constexpr int kReadyTries = 10;
constexpr int kDefaultRuns = 20;
// Runs in a row without the content: the expander is stuck, the rest of
// its runs in that editor would only time out.
constexpr int kMaxFailuresInARow = 2;
// The peer writes this to its log as its toolkit's main loop starts. An
// abbreviation typed before that loop runs can leave the peer stuck for
// good (it matched, but never pasted again); a moment after it, it is safe.
constexpr const char* kPeerReadyLine = "Entering main()";
constexpr int kPeerStartMs = 60000;
constexpr int kPeerSettleMs = 3000;
constexpr int kLogTailCharacters = 3000;

struct Case
{
    QString abbreviation;
    QString content;
};

struct Row
{
    QString program;
    QString editor;
    int length = 0;
    std::vector<double> latencies;
};

void Pause(int ms)
{
    PrivateDesktop::Pause(ms, kPollMs);
}

bool Xdotool(const PrivateDesktop& desktop, const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.setProcessEnvironment(desktop.Environment());
    xdotool.start("xdotool", arguments);
    return xdotool.waitForFinished(kWaitMs) && xdotool.exitCode() == 0;
}

QString Content(int length)
{
    QString content;
    for (int i = 0; content.size() < length; ++i)
        content += QString("word%1 ").arg(i % 10);
    content.truncate(length);
    return content;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// An editor the benchmark types into: how to empty it, and how long the
// last expansion took once its whole content is there.
struct Editor
{
    QString name;
    std::function<bool()> clear;
    std::function<void()> mark;                   // before the abbreviation is typed
    std::function<double(int length, int waitMs)> latencyMs; // -1 when the content never came
};

Editor QtEditor(PrivateDesktop& desktop, const QString& folder)
{
    const QString textFile = folder + "/editor.txt";
    const QString traceFile = folder + "/trace.txt";
    auto offset = std::make_shared<qsizetype>(0);
    Editor editor;
    editor.name = "Qt editor";
    editor.clear = [&desktop, textFile] {
        desktop.Key("ctrl+a");
        desktop.Key("BackSpace");
        return EditorTrace::WaitForLength(textFile, 0);
    };
    editor.mark = [offset, traceFile] { *offset = EditorTrace::ReadAll(traceFile).size(); };
    editor.latencyMs = [offset, textFile, traceFile](int length, int waitMs) {
        QDeadlineTimer deadline(waitMs);
        bool arrived = false;
        while (!(arrived = EditorTrace::ReadAll(textFile).size() == length) && !deadline.hasExpired())
            Pause(kPollMs);
        if (!arrived)
            return -1.0;
        return EditorTrace::LatencyMs(traceFile, *offset, length);
    };
    return editor;
}

Editor GtkEditor(PrivateDesktop& desktop, TextChangeWatch& watch)
{
    auto offset = std::make_shared<qsizetype>(0);
    Editor editor;
    editor.name = "mousepad";
    editor.clear = [&desktop, &watch] {
        desktop.Key("ctrl+a");
        desktop.Key("BackSpace");
        const QList<TextChangeWatch::Change> changes = watch.Changes();
        if (changes.isEmpty())
            return true; // nothing typed yet
        QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            if (watch.CharacterCount(changes.last().service, changes.last().path) == 0)
                return true;
            Pause(kPollMs);
        }
        return false;
    };
    editor.mark = [offset, &watch] { *offset = watch.Count(); };
    editor.latencyMs = [offset, &watch](int length, int waitMs) {
        // The editor was empty: its length follows from the changes since.
        QDeadlineTimer deadline(waitMs);
        while (!deadline.hasExpired()) {
            const QList<TextChangeWatch::Change> changes = watch.Changes().mid(*offset);
            qint64 space = -1;
            int characters = 0;
            for (const TextChangeWatch::Change& change : changes) {
                characters += change.inserted ? change.length : -change.length;
                // The first Space is the trigger: typed content has its own.
                if (change.inserted && change.text == " " && space < 0)
                    space = change.nanoseconds;
                else if (space >= 0 && characters == length)
                    return (change.nanoseconds - space) / 1e6;
            }
            Pause(kPollMs);
        }
        return -1.0;
    };
    return editor;
}

// Types each abbreviation into the editor, warm-up runs first, and notes
// how long each measured expansion took.
void Measure(PrivateDesktop& desktop, const QString& program, Editor& editor, const QList<Case>& cases, int runs, QList<Row>& rows)
{
    for (const Case& item : cases) {
        Row row{program, editor.name, int(item.content.size()), {}};
        int failures = 0;
        for (int run = -kWarmUpRuns; run < runs && failures < kMaxFailuresInARow; ++run) {
            if (!editor.clear())
                continue;
            Pause(kSettleMs);
            editor.mark();
            desktop.Type(item.abbreviation + " ");
            const double ms = editor.latencyMs(int(item.content.size()), kWaitMs);
            failures = ms < 0 ? failures + 1 : 0;
            if (ms >= 0 && run >= 0)
                row.latencies.push_back(ms);
        }
        std::fprintf(stderr, "  %s, %s, %lld characters: median %.2f ms over %zu runs\n", qPrintable(program),
                     qPrintable(editor.name), qlonglong(item.content.size()), Median(row.latencies),
                     row.latencies.size());
        rows << row;
    }
}

// Median and longest per program, editor and size, and Quillo's median over
// the peer's clipboard mode where both were measured.
void PrintTable(const QList<Row>& rows)
{
    std::printf("%-20s %-10s %10s %10s %10s %5s %14s\n", "program", "editor", "characters", "median ms", "max ms",
                "runs", "Quillo/peer");
    QMap<QPair<QString, int>, double> peerMedian;
    for (const Row& row : rows)
        if (row.program == "AutoKey clipboard")
            peerMedian[{row.editor, row.length}] = Median(row.latencies);
    for (const Row& row : rows) {
        const double median = Median(row.latencies);
        const double max = row.latencies.empty() ? -1 : *std::max_element(row.latencies.begin(), row.latencies.end());
        QString ratio;
        if (row.program == "Quillo" && peerMedian.value({row.editor, row.length}, -1) > 0 && median >= 0)
            ratio = QString::number(median / peerMedian.value({row.editor, row.length}), 'f', 2);
        std::printf("%-20s %-10s %10d %10.2f %10.2f %5zu %14s\n", qPrintable(row.program), qPrintable(row.editor),
                    row.length, median, max, row.latencies.size(), qPrintable(ratio));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const QString& name, const QString& fallback) {
        return args.contains(name) ? args.value(args.indexOf(name) + 1) : fallback;
    };
    const int runs = option("--runs", QString::number(kDefaultRuns)).toInt();
    const QStringList editors = option("--editors", "qt,mousepad").split(',');
    const QStringList programs = option("--programs", "autokey,quillo").split(',');
    const QString autokey = QStandardPaths::findExecutable("autokey-gtk");
    if (autokey.isEmpty()) {
        std::fprintf(stderr, "autokey-gtk is not installed (run.sh installs it)\n");
        return 1;
    }

    PrivateDesktop desktop;
    if (!desktop.Start()) {
        std::fprintf(stderr, "cannot start the private desktop: %s\n", qPrintable(desktop.ErrorString()));
        return 1;
    }
    desktop.ExportToThisProcess();
    // GTK programs take the focus only from a window manager.
    if (!desktop.StartWindowManager()) {
        std::fprintf(stderr, "no window manager: %s\n", qPrintable(desktop.ErrorString()));
        return 1;
    }

    // Quillo's folder, with the contents as snippets.
    QTemporaryDir folder;
    EditorTrace::FillProgramFolder(folder.path(), !args.contains("--no-sound"));
    // Abbreviations of one length: both programs send as many Backspaces.
    QList<Case> cases = {{"sig", QString()}, {"sim", Content(1000)}, {"sil", Content(10000)}};
    {
        SnippetManager store;
        store.OpenSetFile(folder.filePath("snippets.mdb"));
        const SnippetPtr signature = store.GetMatchedSnippet("sig");
        cases[0].content = signature ? signature->contentString : Content(12);
        if (!signature) {
            Snippet snippet;
            snippet.snippetString = "sig";
            snippet.contentString = cases[0].content;
            store.CommitSnippet(snippet);
        }
        for (const Case& item : cases.mid(1)) {
            Snippet snippet;
            snippet.snippetString = item.abbreviation;
            snippet.contentString = item.content;
            store.CommitSnippet(snippet);
        }
    }

    // The peer's own fresh home, with the same phrases pasted through the
    // clipboard, and typed ones for the short contents.
    QTemporaryDir peerHome;
    AutokeyProfile profile(peerHome.path());
    const QList<Case> typedCases = {{"kig", cases[0].content}, {"kim", cases[1].content}};
    bool written = profile.WriteSettings();
    for (const Case& item : cases)
        written = written && profile.AddPhrase(item.abbreviation, item.content, AutokeyProfile::SendMode::Clipboard);
    for (const Case& item : typedCases)
        written = written && profile.AddPhrase(item.abbreviation, item.content, AutokeyProfile::SendMode::Keyboard);
    if (!written) {
        std::fprintf(stderr, "cannot write the peer's settings in %s\n", qPrintable(peerHome.path()));
        return 1;
    }
    QProcessEnvironment peerEnvironment = desktop.Environment();
    peerEnvironment.insert("HOME", peerHome.path());
    peerEnvironment.insert("XDG_CONFIG_HOME", peerHome.path() + "/.config");
    peerEnvironment.insert("XDG_DATA_HOME", peerHome.path() + "/.local/share");
    peerEnvironment.insert("XDG_CACHE_HOME", peerHome.path() + "/.cache");
    peerEnvironment.insert("XDG_STATE_HOME", peerHome.path() + "/.local/state");

    // The Qt editor writes its whole text after every change through a file
    // that is synced to disk: on a disk that costs milliseconds per
    // Backspace, which the measure would count for both programs. In memory
    // it costs nothing.
    QTemporaryDir memoryFolder(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/bench-peers-XXXXXX")
                                                         : QDir::tempPath() + "/bench-peers-XXXXXX");
    const QString editorFolder = memoryFolder.isValid() ? memoryFolder.path() : folder.path();

    // Starts an editor, gives it the focus, measures the expander in it and
    // ends it again.
    QList<Row> rows;
    const QString peerLog = peerHome.path() + "/.local/share/autokey/autokey.log";
    // restart, when given, starts the expander anew: the peer now and then
    // stops expanding for good right after its first match.
    auto inEachEditor = [&](const QString& program, const QList<Case>& programCases, const QString& log,
                            const std::function<void()>& restart) {
        for (const QString& name : editors) {
            std::unique_ptr<TextChangeWatch> watch;
            Editor editor;
            qint64 id = 0;
            if (name == "qt") {
                QFile::remove(editorFolder + "/trace.txt");
                QProcessEnvironment editorEnvironment = desktop.Environment();
                if (args.contains("--editor-without-accessibility"))
                    editorEnvironment.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
                id = desktop.StartProgram(QUILLO_TEST_EDITOR, {"--out", editorFolder + "/editor.txt", "--trace",
                                                               editorFolder + "/trace.txt"}, editorEnvironment);
                editor = QtEditor(desktop, editorFolder);
            } else if (name == "mousepad") {
                // Listening before the editor starts: it asks who listens
                // when it starts.
                watch = std::make_unique<TextChangeWatch>();
                QString error;
                if (!watch->Start(&error)) {
                    std::fprintf(stderr, "cannot watch mousepad: %s\n", qPrintable(error));
                    continue;
                }
                const QString file = folder.filePath("mousepad.txt");
                QFile(file).open(QIODevice::WriteOnly | QIODevice::Truncate);
                id = desktop.StartProgram("mousepad", {file});
                editor = GtkEditor(desktop, *watch);
            } else {
                std::fprintf(stderr, "unknown editor %s\n", qPrintable(name));
                continue;
            }
            const PrivateDesktop::Window window = desktop.WaitForWindow(id);
            if (!window || !Xdotool(desktop, {"windowactivate", "--sync", QString::number(window)})) {
                std::fprintf(stderr, "%s did not show: %s\n", qPrintable(name), qPrintable(desktop.ErrorString()));
                desktop.StopProgram(id);
                continue;
            }
            Pause(kSettleMs);
            // Until the expander listens, the abbreviation stays as typed.
            bool ready = false;
            for (int tries = 0; tries < kReadyTries && !ready; ++tries) {
                if (restart && tries == kReadyTries / 2) {
                    std::fprintf(stderr, "%s does not expand in %s: started anew\n", qPrintable(program),
                                 qPrintable(name));
                    restart();
                }
                editor.clear();
                Pause(kSettleMs);
                editor.mark();
                desktop.Type(programCases[0].abbreviation + " ");
                ready = editor.latencyMs(int(programCases[0].content.size()), kReadyTryMs) >= 0;
            }
            if (ready) {
                Measure(desktop, program, editor, programCases, runs, rows);
            } else {
                std::fprintf(stderr, "%s never expanded in %s\n", qPrintable(program), qPrintable(name));
                if (!log.isEmpty())
                    std::fprintf(stderr, "its log ends:\n%s\n",
                                 EditorTrace::ReadAll(log).right(kLogTailCharacters).constData());
            }
            desktop.StopProgram(id);
            Pause(kSettleMs);
        }
    };

    std::fprintf(stderr, "peer: %s\n", qPrintable(autokey));
    qint64 peer = 0;
    auto startPeer = [&] {
        if (peer)
            desktop.StopProgram(peer);
        QFile::remove(peerLog);
        peer = desktop.StartProgram(autokey, {}, peerEnvironment);
        // A busy machine can take many seconds to start a Python program.
        QDeadlineTimer peerStart(kPeerStartMs);
        while (peer && !EditorTrace::ReadAll(peerLog).contains(kPeerReadyLine) && !peerStart.hasExpired())
            Pause(kSettleMs);
        Pause(kPeerSettleMs);
    };
    if (programs.contains("autokey")) {
        startPeer();
        inEachEditor("AutoKey clipboard", cases, peerLog, startPeer);
        if (args.contains("--keyboard-mode"))
            inEachEditor("AutoKey keyboard", typedCases, peerLog, startPeer);
        desktop.StopProgram(peer);
        Pause(kSettleMs);
    }
    if (!programs.contains("quillo")) {
        PrintTable(rows);
        return 0;
    }

    const qint64 quillo = desktop.StartProgram(QUILLO_EXECUTABLE, {"--home", folder.path()});
    if (!desktop.WaitForWindow(quillo)) {
        std::fprintf(stderr, "Quillo did not start: %s\n", qPrintable(desktop.ErrorString()));
        return 1;
    }
    inEachEditor("Quillo", cases, QString(), {});
    desktop.StopProgram(quillo);

    PrintTable(rows);
    desktop.Stop();
    return 0;
}
