#include "ui/SnippetPreview.h"

#include "controls/QKContentTip.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKSnippetTip.h"
#include "controls/Skins.h"
#include "ui/ControlMaker.h"
#include "ui/SnippetEdit.h"

SnippetPreview::SnippetPreview(QWidget* parent) : QKUserControl(parent)
{
    InitGeometry(QRectF(0, 0, kDesignWidth, kDesignHeight));
    SetBackColor(Skins::White());
    txtSnippet = MakeControl<QKSnippetTip>(this, "txtSnippet", 30, 105, 600, 255);
    txtSnippet->SetText(QStringLiteral("--"));
    txtContent = MakeControl<QKContentTip>(this, "txtContent", 915, 105, 2070, 255);
    cmdEdit = MakeControl<QKEditButton>(this, "cmdEdit", 3075, 97, 405, 270);
    cmdDel = MakeControl<QKDelButton>(this, "cmdDel", 3525, 112, 240, 240);
    cmdDel->SetEnable(true);
    // The pad may destroy this panel in its handler: nothing runs after emit.
    connect(cmdEdit, &QKEditButton::Click, this, [this] {
        const SnippetPtr s = currentSnippet;
        emit EditClick(s);
    });
    connect(cmdDel, &QKDelButton::Click, this, [this] {
        const SnippetPtr s = currentSnippet;
        emit DelClick(s);
    });
}

int SnippetPreview::SetSnippet(const SnippetPtr& aSnippet)
{
    currentSnippet = aSnippet;
    txtSnippet->SetText(aSnippet ? aSnippet->snippetString : QString());
    txtContent->SetText(aSnippet ? aSnippet->contentString : QString());
    // The row looks like any other; how a snippet that expands otherwise
    // does so shows when the pointer rests on its abbreviation.
    txtSnippet->setToolTip(aSnippet ? HowItExpands(*aSnippet) : QString());
    return 0;
}

QString SnippetPreview::AccessibleName() const
{
    if (!currentSnippet)
        return QString();
    const QString how = HowItExpands(*currentSnippet);
    return how.isEmpty() ? currentSnippet->snippetString
                         : QStringLiteral("%1 (%2)").arg(currentSnippet->snippetString, how);
}

QString SnippetPreview::HowItExpands(const Snippet& snippet)
{
    QStringList parts;
    if (snippet.triggerMode != Snippet::TriggerMode::AfterDelimiter)
        parts << QStringLiteral("Expands %1").arg(SnippetEdit::ModeCaption(snippet.triggerMode).toLower());
    if (!snippet.onlyIn.isEmpty())
        parts << QStringLiteral("only in: %1").arg(snippet.onlyIn.join(QStringLiteral(", ")));
    if (snippet.caseFollows)
        parts << QStringLiteral("case follows the typing");
    if (parts.isEmpty())
        return QString();
    parts.first()[0] = parts.first()[0].toUpper();
    return parts.join(QStringLiteral("; "));
}
