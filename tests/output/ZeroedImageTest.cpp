#include <gtest/gtest.h>

#include <QPainter>

#include "output/ZeroedImage.h"

using namespace Voxmill;

// The packed layer files are written from the image's memory as it lies, row padding included,
// so a zeroed image must have QImage's own stride and zero padding, and paint like any other.
TEST(ZeroedImage, HasQImagesLayoutAllZeroAndPaintsLikeAnyImage) {
    for (QImage::Format format : {QImage::Format_Grayscale8, QImage::Format_MonoLSB}) {
        const QImage z = zeroedImage(6081, 7, format);
        const QImage q(6081, 7, format);
        ASSERT_EQ(z.format(), format);
        ASSERT_EQ(z.bytesPerLine(), q.bytesPerLine());
        ASSERT_EQ(z.sizeInBytes(), q.sizeInBytes());
        const uchar* b = z.constBits();
        EXPECT_TRUE(std::all_of(b, b + z.sizeInBytes(), [](uchar c) { return c == 0; }));
    }
    QImage painted = zeroedImage(40, 30, QImage::Format_Grayscale8), plain(40, 30, QImage::Format_Grayscale8);
    plain.fill(0);
    for (QImage* image : {&painted, &plain}) {
        QPainter p(image);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(3.3, 4.1, 25.2, 17.7));
    }
    EXPECT_EQ(painted, plain);
    const QImage copy = painted; // shares, then detaches on write
    painted.fill(9);
    EXPECT_EQ(copy, plain);
}
