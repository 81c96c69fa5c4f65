#include "platform/wayland/DataControlClipboard.h"

#include <gtest/gtest.h>

TEST(DataControlFormats, TextIsOfferedUnderTheNamesProgramsAskForAndEveryFormatAsItself)
{
    QMimeData data;
    data.setText(QStringLiteral("Grüße"));
    data.setData("application/x-quillo-test", QByteArray("\x01", 1));
    data.setData("org.nspasteboard.TransientType", "1");
    const QStringList offered = DataControlClipboard::OfferedFormats(data);
    for (const char* format : {"text/plain", "text/plain;charset=utf-8", "UTF8_STRING", "TEXT", "STRING",
                               "application/x-quillo-test", "org.nspasteboard.TransientType"})
        EXPECT_TRUE(offered.contains(format)) << format;
    EXPECT_EQ(offered.size(), QSet<QString>(offered.begin(), offered.end()).size()) << "each once";

    EXPECT_EQ(DataControlClipboard::AnsweringFormat(data, "UTF8_STRING"), "text/plain");
    EXPECT_EQ(DataControlClipboard::AnsweringFormat(data, "text/plain;charset=utf-8"), "text/plain");
    EXPECT_EQ(DataControlClipboard::AnsweringFormat(data, "application/x-quillo-test"), "application/x-quillo-test");
    EXPECT_EQ(DataControlClipboard::AnsweringFormat(data, "image/png"), "");
    EXPECT_EQ(data.data(DataControlClipboard::AnsweringFormat(data, "TEXT")), QString("Grüße").toUtf8());

    // Content without text is not offered as text.
    QMimeData picture;
    picture.setData("image/png", QByteArray("\x89PNG", 4));
    EXPECT_EQ(DataControlClipboard::OfferedFormats(picture), QStringList{"image/png"});
    EXPECT_EQ(DataControlClipboard::AnsweringFormat(picture, "UTF8_STRING"), "");
}
