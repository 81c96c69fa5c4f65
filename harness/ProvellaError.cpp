#include "harness/ProvellaError.h"

ProvellaError::ProvellaError(int number, QString source, QString message)
    : std::runtime_error(message.toStdString()),
      number(number),
      source(std::move(source)),
      message(std::move(message))
{
}
