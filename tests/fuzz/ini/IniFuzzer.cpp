// Any bytes as an options file: reading never crashes, an untouched file is
// written back byte for byte, and setting one value changes that value and
// keeps every other line, in order, exactly as it was.

#include "core/QuilloError.h"
#include "settings/IniDocument.h"

#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fault(const char* what, const QByteArray& input, const QByteArray& output = QByteArray())
{
    std::fprintf(stderr, "ini fuzz fault: %s\n  input: %s\n  output: %s\n", what, input.toHex().constData(),
                 output.toHex().constData());
    std::abort();
}

QList<QByteArray> Lines(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return bytes.split('\n');
}

// `after` is `before` with one line replaced in place, or with one block of
// new lines (a key, or a section and its key) put in at one place.
bool KeepsOtherLines(const QList<QByteArray>& before, const QList<QByteArray>& after)
{
    if (after.size() == before.size()) {
        int changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i)
            changed += before[i] != after[i] ? 1 : 0;
        return changed <= 1;
    }
    const qsizetype added = after.size() - before.size();
    if (added < 0)
        return false;
    qsizetype i = 0;
    while (i < before.size() && before[i] == after[i])
        ++i;
    for (qsizetype j = i; j < before.size(); ++j)
        if (before[j] != after[j + added])
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniDocument document(input);
    if (document.Contents() != input)
        Fault("an untouched file is not written back as it was", input, document.Contents());
    for (const char* key : {"EnableQK", "SniExp", "SoundName"})
        document.Value(QStringLiteral("qk"), QString::fromLatin1(key));

    // The counters of a shutdown, written into whatever the file holds.
    document.SetValue(QStringLiteral("qk"), QStringLiteral("SniExp"), QStringLiteral("7"));
    const QByteArray written = document.Contents();
    if (IniDocument(written).Value(QStringLiteral("qk"), QStringLiteral("SniExp")) != QLatin1String("7"))
        Fault("the value set is not the value read back", input, written);
    if (input.startsWith("\xEF\xBB\xBF") != written.startsWith("\xEF\xBB\xBF"))
        Fault("the byte-order mark was lost or added", input, written);
    if (!KeepsOtherLines(Lines(input), Lines(written)))
        Fault("a line that was not changed went missing", input, written);
    // Setting it again finds the same line instead of adding a section.
    IniDocument again(written);
    again.SetValue(QStringLiteral("QK"), QStringLiteral("sniexp"), QStringLiteral("8"));
    if (again.Contents().size() != written.size())
        Fault("a second write of the same key grew the file", written, again.Contents());
    return 0;
}
