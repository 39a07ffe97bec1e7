// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The windows' pictures, drawn by the build from SVG into PNGs: every button and the window
// carry a real picture at each size they ask for (a size missing from the build's table
// would leave a blank button), and the drawn PNGs are pictures, not empty squares.
#include <QIcon>
#include <QImage>
#include <QToolButton>

#include <set>

#include "main_dlg_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

// Distinct colours on a grid over the picture, and whether any pixel is not transparent.
std::size_t Colours(const QImage& image) {
    std::set<QRgb> colours;
    const int step = std::max(1, image.width() / 16);
    for (int y = 0; y < image.height(); y += step)
        for (int x = 0; x < image.width(); x += step) colours.insert(image.pixel(x, y));
    return colours.size();
}

}  // namespace

TEST_F(MainDlgTest, EveryButtonAndTheWindowShowTheirPictureAtEachSize) {
    const struct {
        const char* name;
        int size;
    } buttons[] = {{"freeze_btn", 16}, {"system_btn", 16}, {"local_btn", 16}, {"whois_btn", 24},
                   {"search_btn", 24}, {"openweb_btn", 24}, {"openfolder_btn", 24}};
    for (const auto& b : buttons) {
        auto* button = child<QToolButton>(b.name);
        ASSERT_NE(button, nullptr);
        const QList<QSize> sizes = button->icon().availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(b.size, b.size))) << b.name;
        EXPECT_TRUE(sizes.contains(QSize(2 * b.size, 2 * b.size))) << b.name << " for screens scaled by 2";
        EXPECT_GT(Colours(button->icon().pixmap(b.size, b.size).toImage()), 2u) << b.name;
    }
    const QList<QSize> window_sizes = window_->windowIcon().availableSizes();
    for (const int s : {16, 24, 32, 48, 64}) EXPECT_TRUE(window_sizes.contains(QSize(s, s))) << s;
}

TEST(Pictures, DrawnPngsArePicturesOfTheirNamedSize) {
    const struct {
        const char* resource;
        QSize size;
    } pictures[] = {{":/vantoscope/vantoscope-64.png", {64, 64}}, {":/vantoscope/program-16.png", {16, 16}},
                    {":/vantoscope/folder-48.png", {48, 48}},      {":/about/about_banner.png", {388, 96}},
                    {":/about/about_banner@2x.png", {776, 192}}};
    for (const auto& p : pictures) {
        const QImage image(QString::fromLatin1(p.resource));
        ASSERT_FALSE(image.isNull()) << p.resource;
        EXPECT_EQ(image.size(), p.size) << p.resource;
        EXPECT_GT(Colours(image), 2u) << p.resource;
    }
}

VS_QT_TEST_MAIN()
