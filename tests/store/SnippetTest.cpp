#include "store/NewGuidString.h"
#include "store/Snippet.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

TEST(Snippet, NewSnippetHasDefaultsAndAFreshGuid)
{
    const Snippet snippet;
    EXPECT_EQ(snippet.snippetID, -1);
    EXPECT_TRUE(snippet.snippetString.isEmpty());
    EXPECT_TRUE(snippet.contentString.isEmpty());
    EXPECT_TRUE(snippet.desString.isEmpty());
    EXPECT_EQ(snippet.useCount, 0);
    EXPECT_EQ(snippet.groupName, "default");
    EXPECT_TRUE(snippet.enableSnippet);

    const QRegularExpression guidForm(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(guidForm.match(snippet.guidString).hasMatch()) << snippet.guidString.toStdString();

    QSet<QString> seen{snippet.guidString};
    for (int i = 0; i < 1000; ++i) {
        const QString guid = Snippet().guidString;
        EXPECT_FALSE(seen.contains(guid));
        seen.insert(guid);
    }
    EXPECT_TRUE(guidForm.match(NewGuidString()).hasMatch());
}

TEST(Snippet, CloneIsTheSameSnippetButAnIndependentObject)
{
    Snippet stored;
    stored.snippetID = 42;
    stored.snippetString = "sig";
    stored.contentString = "Best regards";
    stored.desString = "d";
    stored.useCount = 7;
    stored.groupName = "work";
    stored.enableSnippet = false;

    const SnippetPtr clone = stored.Clone();
    EXPECT_EQ(clone->snippetID, 42);
    EXPECT_EQ(clone->guidString, stored.guidString);
    EXPECT_EQ(clone->snippetString, "sig");
    EXPECT_EQ(clone->contentString, "Best regards");
    EXPECT_EQ(clone->desString, "d");
    EXPECT_EQ(clone->useCount, 7);
    EXPECT_EQ(clone->groupName, "work");
    EXPECT_FALSE(clone->enableSnippet);

    clone->snippetString = "changed";
    clone->contentString = "changed";
    EXPECT_EQ(stored.snippetString, "sig");
    EXPECT_EQ(stored.contentString, "Best regards");
}
