#include "app/engine/TypedCase.h"

TypedCase::Rule TypedCase::Of(const QString& typed)
{
    int letters = 0;
    bool allCapitals = true;
    bool firstCapital = false;
    for (const QChar c : typed) {
        if (!c.isLetter())
            continue;
        if (letters == 0)
            firstCapital = c.isUpper();
        allCapitals = allCapitals && c.isUpper();
        ++letters;
    }
    // One capital alone says nothing of the rest: it only capitalises.
    if (letters >= 2 && allCapitals)
        return Rule::AllCapitals;
    return firstCapital ? Rule::FirstCapital : Rule::AsStored;
}

QString TypedCase::Apply(const QString& content, const QString& typed)
{
    switch (Of(typed)) {
    case Rule::AsStored:
        return content;
    case Rule::AllCapitals:
        return content.toUpper();
    case Rule::FirstCapital:
        break;
    }
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char32_t code = content.at(i).isHighSurrogate() && i + 1 < content.size()
                                  ? QChar::surrogateToUcs4(content.at(i), content.at(i + 1))
                                  : content.at(i).unicode();
        const qsizetype units = QChar::requiresSurrogates(code) ? 2 : 1;
        if (!QChar::isLetter(code)) {
            i += units - 1;
            continue;
        }
        // Title case, not upper case: a digraph such as "dž" becomes "Dž".
        const char32_t title = QChar::toTitleCase(code);
        return content.left(i) + QString::fromUcs4(&title, 1) + content.mid(i + units);
    }
    return content;
}
