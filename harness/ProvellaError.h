#pragma once

#include "harness/ProvellaExport.h"

#include <QString>
#include <stdexcept>

// An error the harness raises to the host's test code: a number in the
// tradition of the file errors it stands for, where it came from, and text.
class PROVELLA_EXPORT ProvellaError : public std::runtime_error
{
public:
    static constexpr int kFileNotFound = 53;
    static constexpr int kInputPastEndOfFile = 62;
    static constexpr int kPathFileAccessError = 75;
    static constexpr int kObjectNotSet = 91;
    static constexpr int kCannotCreateObject = 429;

    ProvellaError(int number, QString source, QString message);

    int Number() const { return number; }
    const QString& Source() const { return source; }
    const QString& Message() const { return message; }

private:
    int number;
    QString source;
    QString message;
};
