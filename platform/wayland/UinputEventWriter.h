#pragma once

// Writes key records to a virtual input device: a key press or release and
// the report that delivers it, as one write so that no reader ever sees a
// key without its report. The descriptor is not owned (the device's, or in
// tests any pipe).
class UinputEventWriter
{
public:
    explicit UinputEventWriter(int fd) : fd(fd) {}

    // Throws QuilloError when the device refuses the record.
    void Key(unsigned evdevCode, bool down) const;

private:
    int fd;
};
