#include "ui/CKeyHandel.h"

int CKeyHandel::setObj(QWidget* objValue)
{
    obj = objValue;
    return 0;
}
