// The saved size of a grab for each forced aspect, and the stretch into the 24-bit picture.
#include "capture/TSaveStretch.h"

#include <gtest/gtest.h>

TEST(SaveStretch, SavedSizesOfCommonFrames)
{
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {4, 3}), QSize(720, 540));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {16, 9}), QSize(720, 405));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {720, 576}), QSize(720, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({1920, 1080}, {4, 3}), QSize(1440, 1080));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {0, 3}), QSize(720, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {16, 0}), QSize(720, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({0, 0}, {4, 3}), QSize(0, 0));
    // Never larger than the capture, whatever the aspect.
    for (QPoint aspect : {QPoint(1, 100), QPoint(100, 1), QPoint(2147483647, 1)}) {
        const QSize s = TSaveStretch::SaveSize({640, 480}, aspect);
        EXPECT_LE(s.width(), 640);
        EXPECT_LE(s.height(), 480);
    }
}

TEST(SaveStretch, WideningKeepsEveryLine)
{
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {4, 3}, true), QSize(768, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {16, 9}, true), QSize(1024, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 480}, {4, 3}, true), QSize(720, 540))
        << "NTSC: taller, not narrower";
    EXPECT_EQ(TSaveStretch::SaveSize({1920, 1080}, {16, 9}, true), QSize(1920, 1080));
    EXPECT_EQ(TSaveStretch::SaveSize({720, 576}, {0, 3}, true), QSize(720, 576));
    EXPECT_EQ(TSaveStretch::SaveSize({0, 0}, {4, 3}, true), QSize(0, 0));
    // Never smaller than the capture, and bounded whatever the aspect.
    for (QPoint aspect : {QPoint(1, 100), QPoint(100, 1), QPoint(2147483647, 1), QPoint(1, 2147483647)}) {
        const QSize s = TSaveStretch::SaveSize({640, 480}, aspect, true);
        EXPECT_GE(s.width(), 640);
        EXPECT_GE(s.height(), 480);
        EXPECT_LE(s.width(), 4 * 640);
        EXPECT_LE(s.height(), 4 * 480);
    }
}

TEST(SaveStretch, StretchesTheWholeCaptureInto24Bits)
{
    // Left half red, right half blue: after a 16:9 squeeze both halves keep their colour.
    QImage capture(720, 576, QImage::Format_RGB32);
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            capture.setPixel(x, y, x < 360 ? qRgb(200, 0, 0) : qRgb(0, 0, 200));
    QImage save;
    const QSize size = TSaveStretch::SaveSize(capture.size(), {16, 9});
    TSaveStretch::Stretch(capture, size, save);
    ASSERT_EQ(save.size(), QSize(720, 405));
    EXPECT_EQ(save.format(), QImage::Format_RGB888);
    EXPECT_EQ(save.pixel(10, 0), qRgb(200, 0, 0));
    EXPECT_EQ(save.pixel(10, 404), qRgb(200, 0, 0));
    EXPECT_EQ(save.pixel(700, 200), qRgb(0, 0, 200));

    // The same size again reuses the buffer; a size of 0 gives nothing.
    const uchar *bits = save.constBits();
    TSaveStretch::Stretch(capture, size, save);
    EXPECT_EQ(save.constBits(), bits);
    TSaveStretch::Stretch(capture, QSize(0, 0), save);
    EXPECT_TRUE(save.isNull());
    TSaveStretch::Stretch(QImage(), QSize(10, 10), save);
    EXPECT_TRUE(save.isNull());
}

TEST(SaveStretch, NativeSizeIsAnExactCopy)
{
    QImage capture(33, 17, QImage::Format_ARGB32);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            capture.setPixel(x, y, qRgba(x * 7, y * 13, (x ^ y) * 5, 255));
    QImage save;
    TSaveStretch::Stretch(capture, capture.size(), save);
    ASSERT_EQ(save.size(), capture.size());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            ASSERT_EQ(save.pixel(x, y), capture.pixel(x, y)) << x << "," << y;
}

// A 24-bit capture at its own size is written as it is: the saved picture keeps those bytes
// even when the capture is changed afterwards (the next grab drawing into the same buffers).
TEST(SaveStretch, ACaptureInTheWrittenFormatIsKeptWhenChangedAfterwards)
{
    QImage capture(64, 36, QImage::Format_RGB888);
    capture.fill(QColor(10, 120, 230));
    QImage save(64, 36, QImage::Format_RGB888);
    TSaveStretch::Stretch(capture, capture.size(), save);
    ASSERT_EQ(save.format(), QImage::Format_RGB888);
    capture.fill(Qt::black);
    capture.setPixel(0, 0, qRgb(255, 255, 255));
    for (const QPoint at : {QPoint(0, 0), QPoint(63, 35), QPoint(30, 20)})
        EXPECT_EQ(save.pixel(at), qRgb(10, 120, 230));
}
