// The cadence panel's parts without GL: where its pictures go for windows of
// any size, what its texts say at the edges of what they show, and when it
// remakes them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo/panel_pictures.h"
#include "demo/panel_schedule.h"

namespace {

struct Shown {
    Shown() : cadence(new Cadence), display(new LiveDisplay()) {
        ResetCadence(*cadence);
        ResetFigures(display->seen[0]);
        ResetFigures(display->seen[1]);
        ResetFigures(display->display);
        ResetQuantiles(display->latency);
        ResetQuantiles(display->input);
        left.target = 62.0;
    }
    CadencePanelView View() const {
        return {cadence.get(),
                display.get(),
                source,
                {&left, &right},
                {kRuleAdaptive, kRuleFixed},
                status,
                limit,
                nullptr,
                -1.0,
                0.0};
    }
    std::string Words(PanelWords words, int side = kBottomAnchor) const {
        PanelWording out;
        words(View(), side, out);
        return out.text;
    }
    std::unique_ptr<Cadence> cadence;
    std::unique_ptr<LiveDisplay> display;
    DisplayTimesSource source = {false, "none", "not available here"};
    const char* status = nullptr;
    const char* limit = nullptr;
    Pacer left = {};
    Pacer right = {};
};

bool Inside(const PanelRect& r, int width, int height) {
    return r.x >= 0 && r.y >= 0 && r.x + r.width <= width && r.y + r.height <= height;
}

TEST(PanelPartsTest, EveryPictureKeepsToItsRoomAtAnySize) {
    // The rooms lie in the texture, a texel apart.
    for (int a = 0; a < kPanelPartCount; ++a) {
        const PanelRegion& r = PartRegion(a);
        EXPECT_TRUE(Inside({r.x, r.y, r.width + 1, r.height + 1}, kAtlasWidth, kAtlasHeight)) << a;
        for (int b = 0; b < a; ++b) {
            const PanelRegion& o = PartRegion(b);
            EXPECT_TRUE(r.x > o.x + o.width || o.x > r.x + r.width || r.y > o.y + o.height ||
                        o.y > r.y + r.height)
                << a << " and " << b;
        }
    }
    // A made-up font of white cells; figures with a stall far over the top.
    Font font;
    font.pixels = new uint8_t[24 * 17 * 4];
    std::memset(font.pixels, 255, 24 * 17 * 4);
    font.textureWidth = 24;
    font.textureHeight = font.cellHeight = 17;
    font.cellWidth = 12;
    font.charCount = 2;
    std::strcpy(font.charset, "x ");
    Shown shown;
    shown.source = {true, "k", "presentation feedback"};
    shown.limit = "limit 60 fps, its waits placed before the frame, as the display times allow";
    for (int i = 0; i < 300; ++i) {
        AddInterval(shown.cadence->left, i == 100 ? 5.0 : 1.0 / 62.0);
        AddInterval(shown.cadence->redraw, 0.004);
        AddInterval(shown.display->display, 1.0 / 60.0);
    }
    std::vector<uint8_t> atlas(kAtlasWidth * kAtlasHeight * 4);
    std::vector<uint8_t> cells(kCellsWidth * kCellsHeight * 4);
    std::unique_ptr<PanelPictures> pictures(new PanelPictures());
    pictures->atlas = atlas.data();
    pictures->cells = cells.data();
    for (const PanelSize window : {PanelSize{1, 1}, PanelSize{64, 48}, PanelSize{320, 240},
                                   PanelSize{1920, 1080}, PanelSize{3840, 2400}}) {
        const PanelSize size = PanelSizeOf(window.width, window.height);
        ResizePictures(*pictures, size);
        MakeCharts(*pictures, shown.View());
        for (int group = 0; group < kAnchorCount; ++group) {
            MakeTexts(*pictures, group, shown.View(), font);
        }
        PlaceQuads(*pictures);
        const std::string at = std::to_string(window.width) + " x " + std::to_string(window.height);
        for (int part = 0; part < kPanelPartCount; ++part) {
            const PanelRegion& region = PartRegion(part);
            const PanelCover& cover = pictures->covers[part];
            EXPECT_GT(cover.count, 0) << at << ", part " << part;
            for (int i = 0; i < cover.count; ++i) {
                EXPECT_TRUE(Inside(cover.rects[i], region.width, region.height))
                    << at << ", part " << part;
            }
        }
        for (int i = 0; i < pictures->changedCount; ++i) {
            const PanelRegion& r = pictures->changed[i];
            EXPECT_TRUE(Inside({r.x, r.y, r.width, r.height}, kAtlasWidth, kAtlasHeight)) << at;
        }
        pictures->changedCount = 0;
        if (window.width < 320) {
            continue;  // too small to read; it need only keep to its rooms
        }
        // From 320 x 240 on, what is drawn lies on the panel, and no text
        // hides any other part.
        std::vector<std::pair<int, PanelRect>> drawn;
        for (int part = 0; part < kPanelPartCount; ++part) {
            const PanelCover& cover = pictures->covers[part];
            for (int i = 0; i < cover.count; ++i) {
                PanelRect r = cover.rects[i];
                r.x += pictures->partX[part];
                r.y += pictures->partY[part];
                EXPECT_TRUE(Inside(r, size.width, size.height)) << at << ", part " << part;
                for (const auto& other : drawn) {
                    const PanelRect& o = other.second;
                    EXPECT_TRUE(part < kChartCount || r.x >= o.x + o.width ||
                                o.x >= r.x + r.width || r.y >= o.y + o.height ||
                                o.y >= r.y + r.height)
                        << at << ": part " << part << " over part " << other.first;
                }
                drawn.push_back({part, r});
            }
        }
    }
}

TEST(PanelPartsTest, WordsAtTheEdgesOfWhatIsShown) {
    Shown shown;
    // Nothing known yet, no display times, nothing given to say.
    shown.left.target = 0.0;
    EXPECT_EQ(shown.Words(SideScaleWords, 0), "41.7\n\n\n16.7\n\n0 ms\n\n41.7\n\n\n16.7\n\n0 ms")
        << "a side without a target reads against 60 Hz";
    EXPECT_EQ(shown.Words(SeenWords, 1), "seen: no display times");
    EXPECT_EQ(shown.Words(DisplayWords), "display times: not available here");
    EXPECT_EQ(shown.Words(BottomScaleWords), "20.0\n\n0 ms\n\n33.3\n16.7\n0 ms");
    EXPECT_EQ(shown.Words(LimitWords),
              "\ncpu: a second to go   wakes: none yet\n"
              "frame to screen: no display times   "
              "key to screen: no display times");
    EXPECT_EQ(shown.Words(RedrawWords).substr(0, 8), "\nredraw ");
    shown.source.text = nullptr;
    EXPECT_EQ(shown.Words(DisplayWords), "display times: ");

    // Display times, none shown yet; then a refresh period and redraws.
    shown.source = {true, "k", "feedback"};
    EXPECT_EQ(shown.Words(SeenWords, 0), "seen: no new pose shown yet");
    EXPECT_EQ(shown.Words(DisplayWords), "display: feedback   none shown yet");
    shown.display->refreshSeconds = 1.0 / 144.0;
    AddInterval(shown.display->display, 1.0 / 144.0);
    EXPECT_EQ(shown.Words(DisplayWords),
              "display: feedback, 144.0 Hz   144.0 fps   jitter 0.00 ms   p99 144.0");
    AddInterval(shown.cadence->redraw, 0.0);
    EXPECT_EQ(shown.Words(BottomScaleWords).substr(0, 4), "20.0")
        << "redraws of no time keep the fallback scale";

    // A side's animation error, once there is one.
    EXPECT_EQ(shown.Words(AnimationWords, 0), "anim err: none shown yet");
    AddQuantile(shown.display->animation.sides[1].errors, 0.004);
    EXPECT_EQ(shown.Words(AnimationWords, 1), "anim err p50 4.0  p99 4.0 ms");

    // A limit line longer than a text holds is cut, not run over.
    const std::string longLine(400, 'x');
    shown.limit = longLine.c_str();
    EXPECT_EQ(shown.Words(LimitWords), longLine.substr(0, kPanelTextBytes - 1));
}

TEST(PanelPartsTest, RemakesAShareAFrameOnTime) {
    PanelSchedule schedule = {};
    const auto next = [&](double seconds, uint64_t count, bool resized = false) {
        const PanelDue due = NextPanelWork(schedule, seconds, count, resized);
        return static_cast<int>(due.work) * 10 + due.group;
    };
    const int nothing = 0;
    const int all = 10;
    const int charts = 20;
    const int texts = 30;
    EXPECT_EQ(next(10.0, 1, true), all);
    EXPECT_EQ(next(10.01, 2), nothing);
    EXPECT_EQ(next(10.07, 3), charts);
    EXPECT_EQ(next(10.08, 4), nothing);
    // The texts' round starts on time, a group a frame, the charts first
    // when both are due.
    EXPECT_EQ(next(10.25, 5), charts);
    EXPECT_EQ(next(10.26, 6), texts + 0);
    EXPECT_EQ(next(10.27, 7), texts + 1);
    EXPECT_EQ(next(10.40, 8), charts);
    EXPECT_EQ(next(10.41, 9), texts + 2);
    EXPECT_EQ(next(10.42, 10), nothing);
    // Everything at once for figures started over, a clock that went back or
    // another size.
    EXPECT_EQ(next(10.43, 3), all);
    EXPECT_EQ(next(10.44, 4), nothing);
    EXPECT_EQ(next(10.0, 5), all);
    EXPECT_EQ(next(10.01, 6, true), all);
}

}  // namespace
