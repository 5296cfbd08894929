#include "PanelPlacement.h"

#include <gtest/gtest.h>
#include <ostream>

void PrintTo(QPoint point, std::ostream* out)
{
    *out << '(' << point.x() << ", " << point.y() << ')';
}

namespace hollerbox::testing {
namespace {

constexpr QSize panel{380, 520};

struct PlacementCase
{
    const char* name;
    QRect available;
    QRect icon;
    QPoint expected;
};

// A 1920 × 1080 screen at the origin unless the name says otherwise; tray icons are 24 × 24.
const PlacementCase placementCases[] = {
    {"top bar, icon at the right: under it, pushed in from the right edge",
     {0, 32, 1920, 1048},
     {1800, 4, 24, 24},
     {1540, 36}},
    {"top bar, icon at the left: under it, pushed in from the left edge",
     {0, 32, 1920, 1048},
     {10, 4, 24, 24},
     {0, 36}},
    {"top bar, icon in the middle: centred under it", {0, 32, 1920, 1048}, {900, 4, 24, 24}, {721, 36}},
    {"bottom bar: above the icon", {0, 0, 1920, 1040}, {1700, 1048, 24, 24}, {1521, 520}},
    {"reserved left dock: under the icon, right of the dock",
     {64, 0, 1856, 1080},
     {20, 300, 24, 24},
     {64, 332}},
    {"unreserved left dock on a 1366 × 768 screen: beside the icon, not over it",
     {0, 0, 1366, 768},
     {8, 380, 24, 24},
     {40, 131}},
    {"unreserved right dock on a 1366 × 768 screen: beside the icon, not over it",
     {0, 0, 1366, 768},
     {1336, 380, 24, 24},
     {948, 131}},
    {"second screen to the right, top bar", {1920, 28, 2560, 1412}, {4400, 2, 24, 24}, {4100, 34}},
    {"second screen to the left, bottom bar", {-1280, 0, 1280, 984}, {-1270, 990, 24, 24}, {-1280, 462}},
    {"second screen below the first, top bar", {0, 1112, 1920, 1048}, {1800, 1084, 24, 24}, {1540, 1116}},
    {"unknown geometry: top-right corner", {0, 32, 1920, 1048}, {}, {1532, 40}},
    {"unknown geometry on a second screen: its top-right corner", {1920, 28, 2560, 1412}, {}, {4092, 36}},
    {"screen smaller than the panel: its top-left corner", {0, 24, 360, 456}, {330, 0, 24, 24}, {0, 24}},
    {"screen smaller than the panel, unknown geometry: its top-left corner", {0, 0, 360, 480}, {}, {0, 0}},
};

TEST(PanelPlacementTest, PlacesThePanelByTheTrayIcon)
{
    for (const PlacementCase& each : placementCases) {
        SCOPED_TRACE(each.name);
        const QPoint corner = PanelPlacement::position(panel, each.icon, each.available);
        EXPECT_EQ(corner, each.expected);
        const QRect placed{corner, panel};
        EXPECT_FALSE(placed.intersects(each.icon)) << "the panel must leave its icon clickable";
        if (each.available.width() >= panel.width() && each.available.height() >= panel.height()) {
            EXPECT_TRUE(each.available.contains(placed));
        }
    }
}

} // namespace
} // namespace hollerbox::testing
