#include "store/NewGuidString.h"

#include <QUuid>

QString NewGuidString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}
