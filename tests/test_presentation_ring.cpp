// The platform's ring of swapped redraws waiting for the compositor's word.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/presentation_ring.h"

namespace {

std::vector<PlatPresentation> TakeAll(PresentationRing& ring) {
    std::vector<PlatPresentation> out(kSettledPresents);
    out.resize(TakePresents(ring, out.data(), kSettledPresents));
    return out;
}

std::vector<void*> dropped;
void Drop(void* token) {
    dropped.push_back(token);
}

void* Token(int i) {
    static int tokens[1024];
    return &tokens[i];
}

}  // namespace

// A counter of 1 MHz; the display's clock runs 5 s ahead of it.
TEST(PresentationRing, WordOnEachRedrawSettlesItOnceOnTheCounter) {
    auto ring = std::make_unique<PresentationRing>();
    StartRing(*ring, 1000000);
    const int64_t ahead = 5000000000;
    for (uint64_t r = 1; r <= 3; ++r)
        EXPECT_EQ(OpenPresent(*ring, r, 1000 * r, 1000000 * r + ahead, Token(r)), nullptr);
    EXPECT_TRUE(PresentShown(*ring, 2, 2000000 + ahead + 16000000, 16666666, kPlatPresentVsync));
    EXPECT_TRUE(PresentDiscarded(*ring, 1));
    EXPECT_FALSE(PresentShown(*ring, 2, 0, 0, 0)) << "a second word on one redraw";
    EXPECT_FALSE(PresentShown(*ring, 2 + kPendingPresents, 0, 0, 0)) << "a redraw never swapped";
    EXPECT_FALSE(PresentDiscarded(*ring, 7));
    const std::vector<PlatPresentation> got = TakeAll(*ring);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].redraw, 2u);
    EXPECT_EQ(got[0].outcome, kPlatShown);
    EXPECT_EQ(got[0].swapCounter, 2000);
    EXPECT_EQ(got[0].displayCounter, 2000 + 16000);  // 16 ms after its swap
    EXPECT_EQ(got[0].refreshNs, 16666666u);
    EXPECT_EQ(got[0].flags, uint32_t{kPlatPresentVsync});
    EXPECT_EQ(got[1].redraw, 1u);
    EXPECT_EQ(got[1].outcome, kPlatDropped);
    EXPECT_EQ(got[1].flags, 0u) << "a dropped redraw has no flags";
    EXPECT_TRUE(TakeAll(*ring).empty());
}

TEST(PresentationRing, SilenceAndAFullRingGiveRedrawsUpAsUnknownInOrder) {
    auto ring = std::make_unique<PresentationRing>();
    StartRing(*ring, 1000);
    dropped.clear();
    // Redraws 1..4 a millisecond apart; no word on any but 3.
    for (uint64_t r = 1; r <= 4; ++r)
        OpenPresent(*ring, r, static_cast<int64_t>(r), 0, Token(r));
    PresentShown(*ring, 3, 0, 0, 0);
    ExpirePresents(*ring, 1003, 1000, Drop);  // 1 and 2 are more than a second old
    std::vector<PlatPresentation> got = TakeAll(*ring);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].redraw, 1u);
    EXPECT_EQ(got[1].outcome, kPlatUnknown);
    EXPECT_EQ(got[2].redraw, 2u);
    EXPECT_EQ(dropped, (std::vector<void*>{Token(1), Token(2)}));
    EXPECT_FALSE(PresentShown(*ring, 1, 0, 0, 0)) << "word after giving up is ignored";

    // A ring full of silent redraws: the next swap pushes its oldest out,
    // handing back its feedback to destroy.
    StartRing(*ring, 1000);
    for (int r = 1; r <= kPendingPresents; ++r)
        OpenPresent(*ring, r, r, 0, Token(r));
    EXPECT_EQ(OpenPresent(*ring, kPendingPresents + 1, 0, 0, Token(0)), Token(1));
    got = TakeAll(*ring);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].redraw, 1u);
    EXPECT_EQ(got[0].outcome, kPlatUnknown);
    dropped.clear();
    CloseAllPresents(*ring, Drop);
    EXPECT_EQ(dropped.size(), size_t(kPendingPresents));
    EXPECT_EQ(TakeAll(*ring).size(), size_t(kPendingPresents));
    EXPECT_EQ(ring->dropped, 0u);
}
