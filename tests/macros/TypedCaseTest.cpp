#include "app/cli/CommandLine.h"
#include "app/engine/TypedCase.h"

#include <QTextStream>
#include <gtest/gtest.h>

TEST(TypedCase, TheContentFollowsTheCaseTheAbbreviationWasTypedIn)
{
    const struct
    {
        const char* typed;
        const char* content;
        const char* result;
    } cases[] = {
        {"sig", "best regards", "best regards"},
        {"Sig", "best regards", "Best regards"},
        {"SiG", "best regards", "Best regards"},      // the first letter decides unless all are capitals
        {"SIG", "best regards", "BEST REGARDS"},
        {"S", "best regards", "Best regards"},        // one capital alone only capitalises
        {"sIG", "Best Regards", "Best Regards"},      // mixed: as stored
        {"2DO", "to do: ß", "TO DO: SS"},             // letters only count; capitals in full
        {"Sig", "\"quote\"", "\"Quote\""},          // the first letter, past punctuation
        {"Dz", "ǆungla", "ǅungla"},                   // title case for a digraph
        {"Sig", "𝒶bc", "𝒶bc"},                      // a letter without case stays
        {"Sig", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypedCase::Apply(QString::fromUtf8(c.content), QString::fromUtf8(c.typed)),
                  QString::fromUtf8(c.result))
            << c.typed << " " << c.content;
}

TEST(TypedCase, ExpandAppliesItToTheFilledPlaceholders)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = CommandLine({"expand", "--at", "2027-03-07T21:05:09", "--typed", "BRB", "on [day dddd]"})
                         .Run(outStream, errStream);
    outStream.flush();
    EXPECT_EQ(code, CommandLine::kExitOk) << qPrintable(err);
    EXPECT_EQ(out, "ON SUNDAY\n");
}
