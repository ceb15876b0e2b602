#include "view/NodeIcons.h"

#include <QImage>

#include <gtest/gtest.h>

// At 2x the pictures are drawn anew with twice the pixels, not the 1x ones blown up.
TEST(NodeIconsTest, EveryPictureHasItsOwnPixelsAtDoubleDensity)
{
    const QList<QIcon>& icons = NodeIcons::Images();
    ASSERT_EQ(icons.size(), NodeIcons::Count);
    const QSize logical(NodeIcons::Size, NodeIcons::Size);
    for (int i = NodeIcons::ElementClosed; i < NodeIcons::Count; ++i) {
        const QPixmap single = icons[i].pixmap(logical, 1.0);
        const QPixmap twice = icons[i].pixmap(logical, 2.0);
        EXPECT_EQ(single.size(), logical) << i;
        EXPECT_EQ(twice.size(), logical * 2) << i;
        EXPECT_EQ(twice.deviceIndependentSize().toSize(), logical) << i;
        const QImage blownUp = single.toImage()
                                   .scaled(logical * 2)
                                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_NE(twice.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), blownUp)
            << i;
    }
}
