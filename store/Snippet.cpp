#include "store/Snippet.h"

#include "store/NewGuidString.h"

Snippet::Snippet() : groupName(QStringLiteral("default")), guidString(NewGuidString()) {}

SnippetPtr Snippet::Clone() const
{
    return std::make_shared<Snippet>(*this);
}
