#include "ui/SnippetDel.h"

#include "controls/QKCommonButton.h"
#include "controls/Skins.h"
#include "ui/ControlMaker.h"

#include <QKeyEvent>

SnippetDel::SnippetDel(QWidget* parent) : QKUserControl(parent)
{
    InitGeometry(QRectF(0, 0, kDesignWidth, kDesignHeight));
    SetBackColor(Skins::White());
    cmdDel = MakeControl<QKCommonButton>(this, "cmdDel", 660, 90, 1095, 270);
    cmdDel->SetText(QStringLiteral("Delete"));
    Label1 = MakePlainLabel(this, QStringLiteral("Or"), 1890, 120);
    cmdCancel = MakeControl<QKCommonButton>(this, "cmdCancel", 2220, 90, 1095, 270);
    cmdCancel->SetText(QStringLiteral("Cancel"));
    setTabOrder(cmdDel, cmdCancel);
    connect(cmdDel, &QKCommonButton::Click, this, [this] {
        const SnippetPtr s = currentSnippet;
        emit DeleteClick(s);
    });
    connect(cmdCancel, &QKCommonButton::Click, this, &SnippetDel::Cancel);
}

void SnippetDel::Cancel()
{
    const SnippetPtr s = currentSnippet;
    emit CancelClick(s);
}

void SnippetDel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        Cancel();
        return;
    }
    QKUserControl::keyPressEvent(event);
}

int SnippetDel::SetSnippet(const SnippetPtr& aSnippet)
{
    currentSnippet = aSnippet;
    return 0;
}
