#include "controls/QKForm.h"

#include "controls/ControlRegistry.h"
#include "controls/QKUserControl.h"
#include "controls/Twips.h"

#include <QCloseEvent>

QKForm::QKForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void QKForm::Load()
{
    if (loaded)
        return;
    loaded = true;
    OnLoad();
}

double QKForm::Left() const { return Twips::Geometry(this).left(); }
double QKForm::Top() const { return Twips::Geometry(this).top(); }
double QKForm::Width() const { return Twips::Geometry(this).width(); }
double QKForm::Height() const { return Twips::Geometry(this).height(); }

void QKForm::SetLeft(double left) { Twips::SetLeft(this, left); }
void QKForm::SetTop(double top) { Twips::SetTop(this, top); }
void QKForm::SetWidth(double width) { Twips::SetWidth(this, width); }
void QKForm::SetHeight(double height) { Twips::SetHeight(this, height); }

void QKForm::Move(double left, double top)
{
    Twips::Move(this, left, top);
}

void QKForm::Move(double left, double top, double width, double height)
{
    Twips::SetGeometry(this, QRectF(left, top, width, height));
}

QKUserControl* QKForm::AddControl(const QString& progId, const QString& name, QWidget* container)
{
    QKUserControl* control = ControlRegistry::Create(progId, container ? container : this, name);
    control->InitNew();
    return control;
}

void QKForm::showEvent(QShowEvent* event)
{
    Load();
    QWidget::showEvent(event);
}

void QKForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnResize();
}

void QKForm::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    OnUnload(cancel);
    if (cancel)
        event->ignore();
    else
        QWidget::closeEvent(event);
}
