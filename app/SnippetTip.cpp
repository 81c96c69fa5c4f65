#include "app/SnippetTip.h"

#include "controls/QKContentTip.h"
#include "controls/QKSnippetTip.h"
#include "controls/Skins.h"
#include "controls/TipText.h"

SnippetTip::SnippetTip(QWidget* parent)
    : QKUserControl(parent), oQKSnippetTip(new QKSnippetTip(this)), oQKContentTip(new QKContentTip(this))
{
    SetBackColor(Skins::White());
    InitGeometry(QRectF(0, 0, kWidth, kHeight));
    oQKSnippetTip->SetName(QStringLiteral("oQKSnippetTip"));
    oQKSnippetTip->InitNew();
    oQKSnippetTip->Move(kTipLeft, kTipTop, kTipWidth, kTipHeight);
    oQKContentTip->SetName(QStringLiteral("oQKContentTip"));
    oQKContentTip->InitNew();
    oQKContentTip->Move(kContentLeft, kTipTop, kContentWidth, kTipHeight);
}

int SnippetTip::SetSnippet(const Snippet& aSnippet)
{
    oQKSnippetTip->SetText(aSnippet.snippetString);
    oQKContentTip->SetText(aSnippet.contentString);
    // Anywhere on the row, the whole content (which the row cuts off).
    setToolTip(TipText::Capped(aSnippet.contentString));
    return 0;
}
