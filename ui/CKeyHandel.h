#pragma once

#include <QPointer>
#include <QWidget>

// One cell of the layout grid: a reference to a control of the grid's
// container, or none. The reference is weak, so a control destroyed behind
// the grid's back reads as none instead of dangling.
class CKeyHandel
{
public:
    int setObj(QWidget* objValue);
    QWidget* getObj() const { return obj.data(); }

private:
    QPointer<QWidget> obj;
};
