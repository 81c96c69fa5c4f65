#include "platform/evdevhook/EvdevRecords.h"

#include <cstring>
#include <linux/input.h>

static_assert(EvdevRecords::kSyncType == EV_SYN && EvdevRecords::kKeyType == EV_KEY &&
              EvdevRecords::kSyncReport == SYN_REPORT && EvdevRecords::kSyncDropped == SYN_DROPPED);

namespace EvdevRecords {

QByteArray Record(unsigned type, unsigned code, int value)
{
    // The kernel stamps the time of records written to uinput.
    input_event record = {};
    record.type = static_cast<__u16>(type);
    record.code = static_cast<__u16>(code);
    record.value = value;
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
}

QByteArray Key(unsigned code, int value)
{
    return Record(kKeyType, code, value) + Record(kSyncType, kSyncReport, 0);
}

qsizetype RecordSize()
{
    return sizeof(input_event);
}

QStringList Describe(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype offset = 0;
    for (; offset + RecordSize() <= bytes.size(); offset += RecordSize()) {
        input_event record;
        std::memcpy(&record, bytes.constData() + offset, sizeof record);
        if (record.type == EV_KEY)
            lines << QStringLiteral("key %1 %2").arg(record.code).arg(record.value);
        else if (record.type == EV_SYN && record.code == SYN_REPORT)
            lines << QStringLiteral("syn");
        else
            lines << QStringLiteral("type %1 code %2 value %3").arg(record.type).arg(record.code).arg(record.value);
    }
    if (offset < bytes.size())
        lines << QStringLiteral("partial");
    return lines;
}

} // namespace EvdevRecords
