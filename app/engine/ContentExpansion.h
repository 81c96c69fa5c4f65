#pragma once

#include "app/engine/ContentContext.h"
#include "app/engine/FillInField.h"

#include <QList>
#include <QString>
#include <QStringList>

// Fills in a snippet's content: date and time, the caret's place, the
// clipboard, other snippets and fill-in fields (see ContentParser). Content
// with only date and time placeholders is filled exactly as ReplaceMacros
// does. Values that come from the clipboard, from answers or from a date are
// never read for placeholders themselves.
class ContentExpansion
{
public:
    // How deep snippets may bring in snippets; deeper ones stay as written.
    static constexpr int kMaxSnippetDepth = 8;
    // How many snippets one expansion may bring in, all depths together:
    // snippets that each bring in several others would otherwise multiply
    // at every level. The ones past it stay as written.
    static constexpr int kMaxSnippetsBroughtIn = 256;
    static constexpr qsizetype kNoCursor = -1;

    struct Result
    {
        QString text;
        // Where the first "[cursor]" stood, as an index into text; kNoCursor
        // when there was none.
        qsizetype cursor = kNoCursor;
        // The fill-in fields in order of first use, brought-in snippets included.
        QList<FillInField> fields;
    };

    // What stands in the way of the snippet abbreviation with this content
    // bringing in other snippets.
    struct ReferenceCheck
    {
        // A chain of abbreviations that comes back to its start ("a", "b", "a");
        // empty when there is none.
        QStringList cycle;
        // Abbreviations named by "[snippet ...]" that no snippet has.
        QStringList missing;

        bool Ok() const { return cycle.isEmpty() && missing.isEmpty(); }
        // One message for the user, "" when Ok().
        QString Message() const;
    };

    static Result Expand(const QString& content, const ContentContext& context);
    static QList<FillInField> Fields(const QString& content, const ContentContext& context);
    // The snippet's own abbreviation and content stand for what is stored
    // under that abbreviation, as they will once saved.
    static ReferenceCheck CheckReferences(const QString& abbreviation, const QString& content,
                                          const SnippetLookup& snippets);

    // User-perceived characters from position to the end (a line break,
    // "\r\n" too, is one): the Left presses that bring the caret there.
    static qsizetype CharactersAfter(const QString& text, qsizetype position);
    // Unicode characters (code points) before position, as scripts count them.
    static qsizetype CodePointsBefore(const QString& text, qsizetype position);
};
