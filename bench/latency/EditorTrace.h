#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// What the test editor writes while a latency benchmark types into it: its
// whole text after every change, and a trace of "space NS" when a Space
// press arrives and "text NS LENGTH" after every change.
class EditorTrace
{
public:
    static constexpr int kWaitMs = 20000;
    static constexpr int kPollMs = 5;

    static QByteArray ReadAll(const QString& path);
    // Quillo's files from the build's program folder into folder, the
    // expansion sound switched off unless sound.
    static void FillProgramFolder(const QString& folder, bool sound);
    // True once the text file holds exactly length characters (kWaitMs at most).
    static bool WaitForLength(const QString& textFile, int length);
    // From the trace written since offset: the first Space press, then the
    // first change after it that leaves the expected length. -1 when not found.
    static double LatencyMs(const QString& traceFile, qsizetype offset, int length);
    // One row of the table: median and longest of the runs, and their count.
    static void PrintRow(const QString& abbreviation, int length, std::vector<double> latencies);
};
