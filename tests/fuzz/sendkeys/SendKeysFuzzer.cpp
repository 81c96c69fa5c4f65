// Any send-keys string either goes through or ends in one of the documented
// errors; nothing crashes, and no key, modifier or other, is left held down.

#include "core/QuilloError.h"
#include "keys/cSendKeys.h"
#include "platform/RecordingKeyOutput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Enough for every interesting string; a huge repetition count is cut off by
// the output refusing further keys, which is itself a path worth covering.
constexpr std::size_t kMaxKeyDowns = 4096;

[[noreturn]] void Fault(const char* what, const QString& keys, const QString& detail = QString())
{
    std::fprintf(stderr, "sendkeys fuzz fault: %s\n  keys: %s\n  detail: %s\n", what, keys.toUtf8().constData(),
                 detail.toUtf8().constData());
    std::abort();
}

bool IsDocumented(const QuilloError& error)
{
    const QString& message = error.Message();
    switch (error.Number()) {
    case cSendKeys::kErrorNone:
        return message.startsWith(QLatin1String("Invalid sendkeys command"));
    case cSendKeys::kErrorOverflow:
        return message == QLatin1String("Overflow");
    case cSendKeys::kErrorUnknownKey: // also kErrorSubscript: an empty key name, as in "{ 1}"
        return (message.startsWith(QLatin1String("Key ")) && message.endsWith(QLatin1String(" could not be interpreted."))) ||
               message == QLatin1String("Subscript out of range");
    case RecordingKeyOutput::kRefusedError:
        return message.startsWith(QLatin1String("The key output refused"));
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString keys = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RecordingKeyOutput output;
    output.SetKeyDownLimit(kMaxKeyDowns);
    cSendKeys sender(output);
    try {
        sender.SendKeys(keys);
    } catch (const QuilloError& error) {
        if (!IsDocumented(error))
            Fault("undocumented error", keys, QStringLiteral("%1 %2").arg(error.Number()).arg(error.Message()));
        if (error.Source() != sender.ErrorSource())
            Fault("wrong error source", keys, error.Source());
    } catch (const std::exception& error) {
        Fault("foreign exception", keys, QString::fromLocal8Bit(error.what()));
    }
    if (!output.HeldKeys().empty())
        Fault("key left held down", keys, QString::number(output.HeldKeys().front()));
    return 0;
}
