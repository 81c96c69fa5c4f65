#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class Snippet;
using SnippetPtr = std::shared_ptr<Snippet>;
// An ordered list of snippets. Listing calls hand out clones the caller owns;
// matching calls share the store's cached objects, which callers only read.
using SnippetCollection = QList<SnippetPtr>;

// One abbreviation and the content that replaces it, as stored in a row of
// the snippets table.
class Snippet
{
public:
    static constexpr int kNoRow = -1;

    // When a typed abbreviation expands. The numbers are what the database
    // and snippet files hold; a number this version does not know reads as
    // AfterDelimiter.
    enum class TriggerMode {
        AfterDelimiter = 0, // the whole word, once Space, Tab, Enter or a delimiter ends it
        Immediately = 1,    // the whole word, as soon as its last character is typed
        InsideWords = 2,    // the end of any word (or the whole word), once a delimiter ends it
    };
    static TriggerMode TriggerModeFromNumber(long long number);
    // "delimiter", "immediate", "inword" (the command line's words, any
    // letter case); *ok false for any other word.
    static TriggerMode TriggerModeFromName(const QString& name, bool* ok);
    static QString TriggerModeName(TriggerMode mode);

    Snippet(); // defaults of a new snippet, with a fresh GUID

    // For rows read from the database, which bring their own GUID: making one
    // per row would cost more than the rest of the read.
    struct NoGuidTag {};
    static constexpr NoGuidTag kNoGuid{};
    explicit Snippet(NoGuidTag) : groupName(QStringLiteral("default")) {}

    SnippetPtr Clone() const; // the same snippet (id and GUID included), as a new object

    int snippetID = kNoRow;       // row id; below 1 means "not stored yet"
    QString snippetString;        // the abbreviation, compared case-sensitively unless caseFollows
    QString contentString;        // replacement text, may hold date/time placeholders
    QString desString;            // description
    int useCount = 0;
    QString groupName;            // "default" unless set
    bool enableSnippet = true;
    QString guidString;           // identity that exists before the row does
    TriggerMode triggerMode = TriggerMode::AfterDelimiter;
    // The applications (AppRule texts) the snippet expands in; empty: everywhere.
    QStringList onlyIn;
    // The abbreviation matches in any letter case, and the content follows
    // the case it was typed in (see TypedCase).
    bool caseFollows = false;
};
