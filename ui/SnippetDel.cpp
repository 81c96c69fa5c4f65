#include "ui/SnippetDel.h"

#include "controls/QKCommonButton.h"
#include "controls/Skins.h"
#include "ui/ControlMaker.h"

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
    connect(cmdCancel, &QKCommonButton::Click, this, [this] {
        const SnippetPtr s = currentSnippet;
        emit CancelClick(s);
    });
}

int SnippetDel::SetSnippet(const SnippetPtr& aSnippet)
{
    currentSnippet = aSnippet;
    return 0;
}
