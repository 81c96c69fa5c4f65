#include "platform/sound/WavImage.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

QByteArray Le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

QByteArray Chunk(const char* id, const QByteArray& body, bool pad = true)
{
    QByteArray out = QByteArray(id, 4) + Le(quint32(body.size()), 4) + body;
    if (pad && body.size() % 2)
        out += '\0';
    return out;
}

struct Fmt
{
    quint16 tag = 1;
    quint16 channels = 1;
    quint32 rate = 22050;
    quint16 bits = 16;
    int blockAlign = -1;  // -1: computed
    QByteArray Body() const
    {
        const quint16 align = blockAlign >= 0 ? quint16(blockAlign) : quint16(channels * bits / 8);
        return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2)
               + Le(bits, 2);
    }
};

QByteArray Riff(const QByteArray& chunks)
{
    return "RIFF" + Le(quint32(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// 1000 frames of 16-bit mono: a simple ramp.
QByteArray Ramp16(int frames = 1000)
{
    QByteArray out;
    for (int i = 0; i < frames; ++i)
        out += Le(quint16(i * 30), 2);
    return out;
}

QByteArray GoodWav()
{
    return Riff(Chunk("fmt ", Fmt{}.Body()) + Chunk("data", Ramp16()));
}

bool Refused(const QByteArray& bytes)
{
    return !WavImage::Parse(bytes).has_value();
}

}  // namespace

TEST(WavImage, ReadsFormatAndSamples)
{
    const auto image = WavImage::Parse(GoodWav());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Channels(), 1);
    EXPECT_EQ(image->SampleRate(), 22050);
    EXPECT_EQ(image->BitsPerSample(), 16);
    EXPECT_EQ(image->FrameCount(), 1000);
    EXPECT_EQ(image->DurationMs(), 45);
    EXPECT_EQ(image->Samples(), Ramp16());

    const QByteArray stereo8(6, '\x80');
    const auto eight = WavImage::Parse(
        Riff(Chunk("fmt ", Fmt{.channels = 2, .rate = 8000, .bits = 8}.Body()) + Chunk("data", stereo8)));
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->Channels(), 2);
    EXPECT_EQ(eight->BitsPerSample(), 8);
    EXPECT_EQ(eight->FrameCount(), 3);
}

TEST(WavImage, IgnoresTheLoadersTrailingZeroAndAnythingAfterTheRiffChunk)
{
    for (const QByteArray& tail : {QByteArray(1, '\0'), QByteArray("\0\0\0", 3), QByteArray("junk after")}) {
        const auto image = WavImage::Parse(GoodWav() + tail);
        ASSERT_TRUE(image) << tail.toHex().constData();
        EXPECT_EQ(image->Samples(), Ramp16());
    }
}

TEST(WavImage, WalksOddSizedExtraAndReorderedChunks)
{
    // An odd-sized chunk is followed by its pad byte; the next chunk starts after it.
    const QByteArray odd = Chunk("LIST", "abc") + Chunk("fmt ", Fmt{}.Body()) + Chunk("junk", "x")
                           + Chunk("data", Ramp16());
    auto image = WavImage::Parse(Riff(odd));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Samples(), Ramp16());

    // The data chunk may come first, and the format chunk may carry extra bytes.
    image = WavImage::Parse(Riff(Chunk("data", Ramp16()) + Chunk("fmt ", Fmt{}.Body() + Le(0, 2))));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->FrameCount(), 1000);

    // An odd-sized 8-bit data chunk, last and without its pad byte, plus the loader's 0.
    const QByteArray five("\x10\x20\x30\x40\x50", 5);
    image = WavImage::Parse(Riff(Chunk("fmt ", Fmt{.bits = 8}.Body()) + Chunk("data", five, false)) + '\0');
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Samples(), five);

    // An unknown chunk running past the end after both needed chunks does not matter.
    const QByteArray trailing = "LIST" + Le(1000, 4) + "abc";
    image = WavImage::Parse(Riff(Chunk("fmt ", Fmt{}.Body()) + Chunk("data", Ramp16()) + trailing));
    ASSERT_TRUE(image);
}

TEST(WavImage, DropsAPartialLastFrame)
{
    const auto image = WavImage::Parse(
        Riff(Chunk("fmt ", Fmt{.channels = 2}.Body()) + Chunk("data", QByteArray(10, '\1'))));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->FrameCount(), 2);
    EXPECT_EQ(image->Samples().size(), 8);
}

TEST(WavImage, AcceptsExtensiblePcmButNotOtherEncodings)
{
    const QByteArray pcmGuid = QByteArray::fromHex("0100000000001000800000aa00389b71");
    const QByteArray floatGuid = QByteArray::fromHex("0300000000001000800000aa00389b71");
    auto extensible = [](const QByteArray& guid) {
        const QByteArray body = Fmt{.tag = 0xFFFE}.Body() + Le(22, 2) + Le(16, 2) + Le(4, 4) + guid;
        return Riff(Chunk("fmt ", body) + Chunk("data", Ramp16()));
    };
    EXPECT_TRUE(WavImage::Parse(extensible(pcmGuid)));
    EXPECT_TRUE(Refused(extensible(floatGuid)));
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{.tag = 3}.Body()) + Chunk("data", Ramp16()))));
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{.tag = 0x55}.Body()) + Chunk("data", Ramp16()))));
}

TEST(WavImage, RefusesWrongMagic)
{
    QByteArray rifx = GoodWav();
    rifx[3] = 'X';
    QByteArray avi = GoodWav();
    avi.replace(8, 4, "AVI ");
    for (const QByteArray& bytes : {QByteArray(), QByteArray(1, '\0'), QByteArray("RIFF"), rifx, avi,
                                    QByteArray("ID3\x03 not a wave file at all, just text")}) {
        QString why;
        EXPECT_FALSE(WavImage::Parse(bytes, &why)) << bytes.toHex().constData();
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(WavImage, RefusesEveryTruncation)
{
    const QByteArray good = GoodWav();
    for (qsizetype length = 0; length < good.size(); ++length) {
        EXPECT_TRUE(Refused(good.left(length))) << "cut at " << length;
        // The loader's 0 byte does not make a cut file whole.
        if (length + 1 < good.size()) {
            EXPECT_TRUE(Refused(good.left(length) + '\0')) << "cut at " << length << " plus 0";
        }
    }
}

TEST(WavImage, RefusesMalformedFormatsAndLayouts)
{
    const QByteArray data = Chunk("data", Ramp16());
    auto withFmt = [&](const Fmt& fmt) { return Riff(Chunk("fmt ", fmt.Body()) + data); };
    EXPECT_TRUE(Refused(withFmt(Fmt{.channels = 0})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.channels = 3})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.bits = 24})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.bits = 12})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.bits = 0})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.rate = 0})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.rate = 10'000'000})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.blockAlign = 0})));
    EXPECT_TRUE(Refused(withFmt(Fmt{.blockAlign = 3})));

    // A format chunk too small to hold a format.
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{}.Body().left(14)) + data)));
    // Missing chunks, and a data chunk with no whole frame.
    EXPECT_TRUE(Refused(Riff(data)));
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{}.Body()))));
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{}.Body()) + Chunk("data", {}))));
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{}.Body()) + Chunk("data", "x"))));
    // Sizes claiming far more than there is.
    EXPECT_TRUE(Refused(Riff(Chunk("fmt ", Fmt{}.Body()) + "data" + Le(0xFFFFFFFF, 4) + Ramp16())));
    EXPECT_TRUE(Refused(Riff("fmt " + Le(0xFFFFFFF0, 4) + Fmt{}.Body() + data)));
    // A RIFF size that ends before the chunks hides them.
    QByteArray shortRiff = GoodWav();
    shortRiff.replace(4, 4, Le(4, 4));
    EXPECT_TRUE(Refused(shortRiff));
}

// Damaged copies of a good file never crash the reader, and whatever it
// accepts is consistent with what it was given.
TEST(WavImage, SurvivesRandomDamage)
{
    const QByteArray good = Riff(Chunk("LIST", "abc") + Chunk("fmt ", Fmt{}.Body()) + Chunk("data", Ramp16(40)));
    QRandomGenerator random(20261207);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = good;
        const int damage = 1 + int(random.bounded(4));
        for (int i = 0; i < damage; ++i)
            bytes[qsizetype(random.bounded(quint32(bytes.size())))] = char(random.bounded(256));
        if (random.bounded(4) == 0)
            bytes.truncate(qsizetype(random.bounded(quint32(bytes.size()))));
        const auto image = WavImage::Parse(bytes);
        if (image) {
            ASSERT_GT(image->FrameCount(), 0);
            ASSERT_EQ(image->Samples().size() % image->BytesPerFrame(), 0);
            ASSERT_LE(image->Samples().size(), bytes.size());
        }
    }
}
