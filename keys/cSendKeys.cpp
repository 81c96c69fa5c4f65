#include "keys/cSendKeys.h"

#include "core/QuilloError.h"
#include "platform/KeyOutput.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kMinVirtualKey = 0;
constexpr int kMaxVirtualKey = 255;
constexpr int kKeyByteMask = 0xFF;
constexpr int kNoCode = 0;
// The layout's "no key" answer types nothing; resolving to it would report
// success for a key that was never sent.
constexpr int kUnproducibleCode = KeyOutput::kNoKey;
constexpr int kFirstFunctionKey = 112; // F1
constexpr int kFunctionKeyCount = 16;  // F1 ... F16

// Used when no application object names the executable (fuzzers, tools).
constexpr const char* kFallbackProgramName = "quillo";
constexpr const char* kClassName = ".cSendKeys";

const QChar kShiftChar = QLatin1Char('+');
const QChar kControlChar = QLatin1Char('^');
const QChar kAltChar = QLatin1Char('%');
const QChar kEnterChar = QLatin1Char('~');
const QChar kOpenGroup = QLatin1Char('(');
const QChar kCloseGroup = QLatin1Char(')');
const QChar kOpenBrace = QLatin1Char('{');
const QChar kCloseBrace = QLatin1Char('}');
const QChar kBlank = QLatin1Char(' ');

QString ProgramName()
{
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!name.isEmpty())
            return name;
    }
    return QString::fromLatin1(kFallbackProgramName);
}

// The names are ASCII; folding only ASCII letters keeps a non-ASCII letter
// whose upper case happens to be ASCII (dotless i) from matching a name.
QString AsciiUpper(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return upper;
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool IsSpace(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// A repetition text is numeric when it is a decimal number: blanks around it,
// an optional sign, digits with an optional fraction, an optional exponent.
std::optional<double> ParseNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsSpace(text[i]))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && IsDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && IsDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    const qsizetype end = i;
    while (i < n && IsSpace(text[i]))
        ++i;
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double RoundHalfToEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

} // namespace

cSendKeys::cSendKeys(KeyOutput& output) : output(output), errorSource(ProgramName() + QLatin1String(kClassName))
{
    const std::pair<const char*, int> names[] = {
        {"BACKSPACE", 8}, {"BS", 8},        {"BKSP", 8},      {"BREAK", 19},   {"CAPSLOCK", 20},
        {"DELETE", 46},   {"DEL", 46},      {"DOWN", 40},     {"END", 35},     {"ENTER", 13},
        {"~", 13},        {"HELP", 47},     {"HOME", 36},     {"INS", 45},     {"INSERT", 45},
        {"LEFT", 37},     {"NUMLOCK", 144}, {"PGDN", 34},     {"PGUP", 33},    {"PRTSC", 42},
        {"RIGHT", 39},    {"ESC", 27},      {"SCROLLLOCK", 145}, {"TAB", 9},   {"UP", 38},
    };
    for (const auto& [name, code] : names)
        keyNames.insert(QString::fromLatin1(name), code);
    for (int i = 0; i < kFunctionKeyCount; ++i)
        keyNames.insert(QStringLiteral("F%1").arg(i + 1), kFirstFunctionKey + i);
}

std::int32_t cSendKeys::SendKeys(const QString& sKeys, bool Wait)
{
    // Every event goes straight to the output; there is nothing to wait for.
    Q_UNUSED(Wait);
    std::vector<QChar> held;
    int number = kErrorNone;
    QString message;
    try {
        Walk(sKeys, held);
        return 0;
    } catch (const QuilloError& e) {
        number = e.Number();
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    }
    ReleaseHeld(held);
    Fail(number, message);
}

void cSendKeys::Walk(const QString& sKeys, std::vector<QChar>& held)
{
    const qsizetype length = sKeys.size();
    qsizetype p = 1;
    while (p <= length) {
        const QChar c = sKeys[p - 1];
        if (c == kShiftChar || c == kControlChar || c == kAltChar) {
            const int key = ModifierKey(c);
            if (PeekNextChar(sKeys, p, 0) == kOpenGroup) {
                // Pushed only once it is down, so a refused key-down is not
                // "released" afterwards.
                KeyDown(key);
                held.push_back(c);
                p += 2;
            } else {
                KeyDown(key);
                KeyUp(key);
                p += 1;
            }
        } else if (c == kEnterChar) {
            KeyDown(kEnterKey);
            KeyUp(kEnterKey);
            p += 1;
        } else if (c == kCloseGroup) {
            if (held.empty())
                Fail(kErrorNone, QStringLiteral("Invalid sendkeys command: unmatched ) at position %1").arg(p));
            // Popped only once it is up, so a refused key-up is tried again
            // when the call fails.
            KeyUp(ModifierKey(held.back()));
            held.pop_back();
            p += 1;
        } else if (c == kOpenBrace) {
            SendBraces(sKeys, p);
        } else {
            KeyPress(QString(c), 1);
            p += 1;
        }
    }
    if (!held.empty())
        Fail(kErrorNone, QStringLiteral("Invalid sendkeys command: more open brackets than close brackets."));
}

void cSendKeys::SendBraces(const QString& sKeys, qsizetype& p)
{
    const qsizetype length = sKeys.size();
    const qsizetype open = p;
    if (open + 2 > length)
        Fail(kErrorNone,
             QStringLiteral("Invalid sendkeys command; opening { without content or closing } at position %1").arg(open));
    // The search starts one past the first character inside, so "{}}" names
    // the closing brace itself.
    const qsizetype close = sKeys.indexOf(kCloseBrace, open + 1) + 1; // 1-based, 0 when absent
    if (close == 0)
        Fail(kErrorNone, QStringLiteral("Invalid sendkeys command; opening { without closing } at position %1").arg(open));
    const QString command = sKeys.mid(open, close - open - 1);
    p = close + 1;

    const qsizetype blank = command.indexOf(kBlank);
    if (blank < 0) {
        KeyPress(command, 1);
        return;
    }
    const QString name = command.left(blank);
    const QString repetitions = command.mid(blank + 1);
    const std::optional<double> value = ParseNumber(repetitions);
    if (!value)
        Fail(kErrorNone, QStringLiteral("Invalid sendkeys command; key repetitions '%1' is invalid near position %2")
                             .arg(repetitions)
                             .arg(p));
    const double count = RoundHalfToEven(*value);
    if (count < std::numeric_limits<std::int32_t>::min() || count > std::numeric_limits<std::int32_t>::max())
        Fail(kErrorOverflow, QStringLiteral("Overflow"));
    KeyPress(name, static_cast<std::int32_t>(count));
}

std::int32_t cSendKeys::KeyPress(const QString& sKey, std::int32_t lCount)
{
    const auto named = keyNames.constFind(AsciiUpper(sKey));
    const int code = named != keyNames.constEnd() ? named.value() : KeyCode(sKey);
    if (code == kNoCode || code == kUnproducibleCode)
        Fail(kErrorUnknownKey, QStringLiteral("Key %1 could not be interpreted.").arg(sKey));
    for (std::int32_t i = 0; i < lCount; ++i) {
        KeyDown(code);
        KeyUp(code);
    }
    return 0;
}

std::int32_t cSendKeys::KeyDown(std::int32_t vKey)
{
    if (vKey < kMinVirtualKey || vKey > kMaxVirtualKey)
        Fail(kErrorOverflow, QStringLiteral("Overflow"));
    output.KeyDown(static_cast<std::uint8_t>(vKey));
    return 0;
}

std::int32_t cSendKeys::KeyUp(std::int32_t vKey)
{
    if (vKey < kMinVirtualKey || vKey > kMaxVirtualKey)
        Fail(kErrorOverflow, QStringLiteral("Overflow"));
    output.KeyUp(static_cast<std::uint8_t>(vKey));
    return 0;
}

std::int32_t cSendKeys::KeyCode(const QString& sChar)
{
    if (sChar.isEmpty())
        Fail(kErrorSubscript, QStringLiteral("Subscript out of range"));
    return output.KeyScan(sChar[0].unicode()) & kKeyByteMask;
}

QString cSendKeys::PeekNextChar(const QString& text, qsizetype position, qsizetype length)
{
    if (length == 0)
        length = text.size();
    if (position >= length || position >= text.size())
        return QString();
    return QString(text[position]);
}

void cSendKeys::ReleaseHeld(std::vector<QChar>& held) noexcept
{
    while (!held.empty()) {
        try {
            output.KeyUp(static_cast<std::uint8_t>(ModifierKey(held.back())));
        } catch (...) {
            // The original failure is what the caller needs to hear about;
            // keep releasing the others.
        }
        held.pop_back();
    }
}

void cSendKeys::Fail(int number, const QString& message) const
{
    throw QuilloError(number, errorSource, message);
}

int cSendKeys::ModifierKey(QChar modifier) const
{
    if (modifier == kShiftChar)
        return kShiftKey;
    if (modifier == kControlChar)
        return kControlKey;
    return kAltKey;
}
