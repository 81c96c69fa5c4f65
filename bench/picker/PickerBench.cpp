// The snippet picker on 10,000 snippets: from Open to the window painted
// (the list as the store hands it out again, and a list it has not seen,
// whose text is folded once it shows), and one key typed into the search
// field, the list filtered and painted (the time is for 14 keys: "regards"
// typed and erased). On the display in DISPLAY, else offscreen.
#include "ui/SnippetPicker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int kSnippets = 10000;

SnippetCollection MakeSnippets()
{
    static const char* words[] = {"best", "regards", "meeting", "tomorrow", "invoice", "address", "thank",
                                  "you", "please", "find", "attached", "привет", "спасибо", "größe", "straße",
                                  "schedule", "project", "deadline", "friday", "call"};
    std::mt19937 random(7);
    SnippetCollection snippets;
    for (int i = 0; i < kSnippets; ++i) {
        auto snippet = std::make_shared<Snippet>();
        snippet->snippetString = QStringLiteral("s%1").arg(i);
        snippet->desString = QStringLiteral("Snippet %1").arg(i);
        QString content;
        const int count = 10 + int(random() % 30);
        for (int w = 0; w < count; ++w)
            content += QString::fromUtf8(words[random() % std::size(words)]) + QLatin1Char(' ');
        snippet->contentString = content;
        snippets << snippet;
    }
    return snippets;
}

// Notes when the list starts painting: the window and its search field
// have been painted by then, in the same pass.
struct PaintWatch : QObject
{
    QElapsedTimer* clock = nullptr;
    qint64 paintedAt = -1;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt < 0)
            paintedAt = clock->nsecsElapsed();
        return false;
    }
};

// Open until the window is painted, in seconds.
double ShowAndWait(SnippetPicker& picker, const SnippetCollection& snippets)
{
    QElapsedTimer clock;
    PaintWatch watch;
    watch.clock = &clock;
    QWidget* viewport = picker.findChild<QListView*>()->viewport();
    viewport->installEventFilter(&watch);
    clock.start();
    picker.Open(snippets);
    while (watch.paintedAt < 0)
        QCoreApplication::processEvents();
    viewport->removeEventFilter(&watch);
    QCoreApplication::processEvents(); // what the window does after it showed
    return double(watch.paintedAt) / 1e9;
}

void Reopen(benchmark::State& state, bool unseenList)
{
    const SnippetCollection first = MakeSnippets();
    const SnippetCollection second = MakeSnippets();
    SnippetPicker picker;
    ShowAndWait(picker, first);
    bool flip = false;
    for (auto _ : state) {
        picker.hide();
        QCoreApplication::processEvents();
        flip = !flip;
        state.SetIterationTime(ShowAndWait(picker, unseenList && flip ? second : first));
    }
}

void OpenToShown(benchmark::State& state) { Reopen(state, false); }
void OpenToShownUnseenList(benchmark::State& state) { Reopen(state, true); }

// Types "regards" and erases it again, key by key; the time is per key.
void FilterPerKey(benchmark::State& state)
{
    const SnippetCollection snippets = MakeSnippets();
    SnippetPicker picker;
    ShowAndWait(picker, snippets);
    auto* field = picker.findChild<QLineEdit*>();
    const QString word = QStringLiteral("regards");
    for (auto _ : state) {
        for (QChar c : word) {
            field->insert(QString(c));
            QCoreApplication::processEvents();
        }
        for (qsizetype i = 0; i < word.size(); ++i) {
            field->backspace();
            QCoreApplication::processEvents();
        }
    }
    state.SetItemsProcessed(state.iterations() * word.size() * 2);
}

} // namespace

BENCHMARK(OpenToShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(OpenToShownUnseenList)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(FilterPerKey)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
