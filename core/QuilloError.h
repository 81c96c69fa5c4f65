#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program's own layers (store, options, send-keys).
// It carries what a message box needs: a number, where it came from and a
// sentence a user can act on. Windows catch it at the user's action.
class QuilloError : public std::runtime_error
{
public:
    QuilloError(int number, QString source, QString message);

    int Number() const { return number; }
    const QString& Source() const { return source; }
    const QString& Message() const { return message; }

private:
    int number;
    QString source;
    QString message;
};
