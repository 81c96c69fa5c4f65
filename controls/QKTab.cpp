#include "controls/QKTab.h"

#include "controls/FocusRing.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/StatePicture.h"
#include "controls/Twips.h"

#include <QKeyEvent>

namespace {
struct HitArea
{
    const char* name;
    double left;
    double top;
    double width;
};
// Each area reaches below the strip's bottom edge; the control clips it.
constexpr HitArea kHitAreas[QKTab::kTabs] = {
    {"Label1", 30, 0, 1125}, {"Label2", 1215, 15, 1005}, {"Label3", 2280, 30, 705}};
constexpr double kHitAreaHeight = 450;
}

QKTab::QKTab(QWidget* parent) : QKUserControl(parent), picBack(new QKPicture("picBack", this))
{
    picBack->SetPicture(Skins::TabStrip());
    lookHeight = StatePicture::LookHeight(picBack->PictureHeight(), kTabs);
    Twips::Move(picBack, 0, 0);
    InitGeometry(QRectF(0, 0, picBack->PictureWidth(), lookHeight));
    for (int i = 0; i < kTabs; ++i) {
        auto* area = new QKPicture(kHitAreas[i].name, this);
        Twips::SetGeometry(area, QRectF(kHitAreas[i].left, kHitAreas[i].top, kHitAreas[i].width, kHitAreaHeight));
        const qint16 tab = qint16(i + 1);
        connect(area, &QKPicture::Click, this, [this, tab] { SwitchTab(tab); });
        areas << area;
    }
    FocusRing::Attach(this);
}

QString QKTab::TabTitle(int tab)
{
    // As the strip's picture draws them.
    static const char* const titles[kTabs] = {"Snippets", "Options", "About"};
    return tab >= 1 && tab <= kTabs ? QString::fromLatin1(titles[tab - 1]) : QString();
}

int QKTab::TabOfArea(const QWidget* area) const
{
    for (int i = 0; i < areas.size(); ++i)
        if (areas[i] == area)
            return i + 1;
    return 0;
}

QList<QWidget*> QKTab::AccessibleChildren() const
{
    QList<QWidget*> children;
    for (QKPicture* area : areas)
        children << area;
    return children;
}

void QKTab::keyPressEvent(QKeyEvent* event)
{
    // One stop for the whole strip; the arrows choose among the tabs.
    const int selected = SelectedTab();
    int wanted = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        wanted = selected > 1 ? selected - 1 : kTabs;
        break;
    case Qt::Key_Right:
        wanted = selected < kTabs ? selected + 1 : 1;
        break;
    case Qt::Key_Home:
        wanted = 1;
        break;
    case Qt::Key_End:
        wanted = kTabs;
        break;
    default:
        if (FocusRing::Activates(event))
            wanted = selected;
        break;
    }
    if (wanted == 0) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    SwitchTab(qint16(wanted));
}

void QKTab::SwitchTab(qint16 tabNum)
{
    if (tabNum < 1 || tabNum > kTabs)
        return;
    StatePicture::ShowLook(*picBack, tabNum - 1, lookHeight);
    RefreshNow();
    qint16 reported = tabNum;
    emit TabClick(reported);
}

int QKTab::SelectedTab() const
{
    return StatePicture::CurrentLook(*picBack, lookHeight) + 1;
}

void QKTab::OnResize()
{
    SetWidth(picBack->PictureWidth());
    SetHeight(lookHeight);
}
