#include "controls/ControlRegistry.h"

#include "controls/QKAddButton.h"
#include "controls/QKCheck.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKFilter.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKRatio.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKSnippetTip.h"
#include "controls/QKTab.h"
#include "controls/QKText.h"
#include "controls/QKVScroll.h"
#include "controls/QKWhiteFrame.h"

#include <QList>
#include <QPair>
#include <stdexcept>

namespace {
template <class T> ControlRegistry::Factory Make()
{
    return [](QWidget* parent) -> QKUserControl* { return new T(parent); };
}

struct Entry
{
    QString progId;
    ControlRegistry::Factory factory;
};

QList<Entry>& Entries()
{
    // The library's controls in their fixed order.
    static QList<Entry> entries = {
        {"QKUIControls.QKTab", Make<QKTab>()},
        {"QKUIControls.QKFilter", Make<QKFilter>()},
        {"QKUIControls.QKAddButton", Make<QKAddButton>()},
        {"QKUIControls.QKFunctionButton", Make<QKFunctionButton>()},
        {"QKUIControls.QKSnippetTip", Make<QKSnippetTip>()},
        {"QKUIControls.QKContentTip", Make<QKContentTip>()},
        {"QKUIControls.QKEditButton", Make<QKEditButton>()},
        {"QKUIControls.QKDelButton", Make<QKDelButton>()},
        {"QKUIControls.QKSnippetEditWin", Make<QKSnippetEditWin>()},
        {"QKUIControls.QKContentEditWin", Make<QKContentEditWin>()},
        {"QKUIControls.QKCommonButton", Make<QKCommonButton>()},
        {"QKUIControls.QKCheck", Make<QKCheck>()},
        {"QKUIControls.QKRatio", Make<QKRatio>()},
        {"QKUIControls.QKCombo", Make<QKCombo>()},
        {"QKUIControls.QKVScroll", Make<QKVScroll>()},
        {"QKUIControls.QKWhiteFrame", Make<QKWhiteFrame>()},
        {"QKUIControls.QKGrayFrame", Make<QKGrayFrame>()},
        {"QKUIControls.QKCloseButton", Make<QKCloseButton>()},
        {"QKUIControls.QKText", Make<QKText>()},
    };
    return entries;
}

Entry* Find(const QString& progId)
{
    for (Entry& e : Entries())
        if (e.progId.compare(progId, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}
}

void ControlRegistry::Register(const QString& progId, Factory factory)
{
    if (Entry* e = Find(progId))
        e->factory = std::move(factory);
    else
        Entries().append({progId, std::move(factory)});
}

bool ControlRegistry::IsRegistered(const QString& progId)
{
    return Find(progId) != nullptr;
}

QStringList ControlRegistry::ProgIds()
{
    QStringList ids;
    for (const Entry& e : Entries())
        ids << e.progId;
    return ids;
}

QKUserControl* ControlRegistry::Create(const QString& progId, QWidget* parent, const QString& name)
{
    const Entry* e = Find(progId);
    if (!e || !e->factory)
        throw std::invalid_argument(QString("no control is registered as \"%1\"").arg(progId).toStdString());
    QKUserControl* control = e->factory(parent);
    if (!control)
        throw std::invalid_argument(QString("the factory of \"%1\" made no control").arg(progId).toStdString());
    control->SetName(name);
    return control;
}
