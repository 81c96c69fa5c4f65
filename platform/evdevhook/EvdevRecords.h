#pragma once

#include <QByteArray>
#include <QStringList>

// The records an input device gives and a virtual one takes (the kernel's
// input_event), as bytes: for the virtual keyboard's writer, for simulated
// devices and for reading back what was written. No kernel header here:
// types and codes are numbers.
namespace EvdevRecords {

constexpr unsigned kSyncType = 0, kKeyType = 1;
constexpr unsigned kSyncReport = 0, kSyncDropped = 3;

// One record.
QByteArray Record(unsigned type, unsigned code, int value);
// A key record (value 1 press, 0 release, 2 repeat) and the report that
// delivers it.
QByteArray Key(unsigned code, int value);
// The size of one record.
qsizetype RecordSize();

// "key CODE VALUE", "syn" or "type T code C value V" per record, and
// "partial" for bytes left over that make no whole record.
QStringList Describe(const QByteArray& bytes);

} // namespace EvdevRecords
