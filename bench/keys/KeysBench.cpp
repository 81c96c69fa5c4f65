// Speed of the two text paths of an expansion: filling in placeholders and
// turning a send-keys string into key events.

#include "app/MacroTable.h"
#include "app/ReplaceMacros.h"
#include "app/engine/ContentExpansion.h"
#include "keys/cSendKeys.h"
#include "platform/RecordingKeyOutput.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kContentLength = 10000;
constexpr int kPlaceholderCount = 100;
constexpr int kKeyCount = 1000;

const QDateTime kInstant(QDate(2027, 3, 7), QTime(21, 5, 9));

// kContentLength characters of prose with kPlaceholderCount placeholders,
// taken from the table in turn and spread evenly.
QString ContentWithPlaceholders()
{
    const QList<MacroEntry>& entries = MacroTable::Entries();
    QString placeholders;
    for (int i = 0; i < kPlaceholderCount; ++i)
        placeholders += entries[i % entries.size()].placeholder;
    const qsizetype filler = (kContentLength - placeholders.size()) / kPlaceholderCount;
    QString content;
    for (int i = 0; i < kPlaceholderCount; ++i)
        content += QString(filler, QLatin1Char('x')) + entries[i % entries.size()].placeholder;
    content += QString(kContentLength - content.size(), QLatin1Char('x'));
    return content;
}

void BM_ReplaceMacros(benchmark::State& state)
{
    const QString content = ContentWithPlaceholders();
    const QLocale locale = state.range(0) ? QLocale::system() : QLocale::c();
    const MacroClock clock = [] { return kInstant; };
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceMacros(content, clock, locale));
    state.SetLabel(QStringLiteral("%1 chars, %2 placeholders, %3 locale")
                       .arg(content.size())
                       .arg(kPlaceholderCount)
                       .arg(state.range(0) ? QStringLiteral("system") : QStringLiteral("C"))
                       .toStdString());
}
BENCHMARK(BM_ReplaceMacros)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The expansion's entry point on the same content (0: date and time only, as
// ReplaceMacros takes it), with a [cursor] and a [clipboard] added (1), and
// on a short plain content (2).
void BM_ContentExpansion(benchmark::State& state)
{
    const QString dated = ContentWithPlaceholders();
    const QString content = state.range(0) == 2   ? QStringLiteral("Best regards")
                            : state.range(0) == 1 ? QStringLiteral("[cursor]") + dated + QStringLiteral("[clipboard]")
                                                  : dated;
    ContentContext context;
    context.clock = [] { return kInstant; };
    context.locale = QLocale::c();
    context.clipboard = [] { return QStringLiteral("copied"); };
    for (auto _ : state)
        benchmark::DoNotOptimize(ContentExpansion::Expand(content, context));
    state.SetLabel(QStringLiteral("%1 chars").arg(content.size()).toStdString());
}
BENCHMARK(BM_ContentExpansion)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void RunSendKeys(benchmark::State& state, const QString& keys)
{
    RecordingKeyOutput output;
    cSendKeys sender(output);
    for (auto _ : state) {
        output.Clear();
        sender.SendKeys(keys);
    }
    state.counters["events"] = static_cast<double>(output.Events().size());
    state.SetItemsProcessed(state.iterations() * kKeyCount);
}

// 1,000 plain letters.
void BM_SendKeysLetters(benchmark::State& state)
{
    QString keys;
    for (int i = 0; i < kKeyCount; ++i)
        keys += QChar(u'a' + i % 26);
    RunSendKeys(state, keys);
}
BENCHMARK(BM_SendKeysLetters)->Unit(benchmark::kMicrosecond);

// 1,000 keys in the full syntax: names in braces, a group, Enter.
void BM_SendKeysMixed(benchmark::State& state)
{
    // 5 letters + {BACKSPACE} + a Shift group of 2 + ~ = 9 keys, the group's
    // Shift not counted; one more letter makes 1,000.
    const QString unit = QStringLiteral("hello{BACKSPACE}+(ab)~");
    constexpr int kKeysPerUnit = 9;
    QString keys;
    for (int i = 0; i < kKeyCount / kKeysPerUnit; ++i)
        keys += unit;
    keys += QString(kKeyCount % kKeysPerUnit, QLatin1Char('z'));
    RunSendKeys(state, keys);
}
BENCHMARK(BM_SendKeysMixed)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
