// The console's frame hub: a viewer starts at an IDR frame, and one that falls behind loses
// what it holds and everything up to the next IDR frame, counted, with an I-frame asked for.
#include "frame_hub.h"

#include <gtest/gtest.h>

#include <string>

namespace orvcli {
namespace {

struct Case {
    size_t capacity;
    const char *frames;  // published in order: 'I' an IDR frame, 'p' another
    const char *shown;   // the seqs the viewer then pops
    uint64_t dropped;
};

TEST(FrameHub, ViewerStartsAtIdrAndSkipsToTheNextWhenBehind) {
    const Case cases[] = {
        {2, "pIp", "2 3", 0},  // joined mid-GOP: nothing lost before its first IDR frame
        {2, "Ippp", "", 4},    // full at frame 3: the two queued and all to the next IDR
        {2, "IpppI", "5", 4},  // ... where it starts again
        {2, "IpI", "3", 2},    // full when an IDR frame comes: that frame is kept
        {3, "IpIpp", "", 5},
    };
    for (const Case &c : cases) {
        FrameHub hub;
        auto viewer = hub.Join(c.capacity);
        EXPECT_TRUE(hub.TakeIdrRequest()) << "a new viewer asks for an IDR frame";
        for (size_t i = 0; c.frames[i]; ++i) {
            auto f = std::make_shared<Frame>();
            f->seq = i + 1;
            f->idr = c.frames[i] == 'I';
            hub.Publish(f);
        }
        EXPECT_EQ(c.dropped > 0, hub.TakeIdrRequest()) << c.frames;
        std::string shown;
        while (FramePtr f = viewer->Pop(std::chrono::milliseconds(0)))
            shown += (shown.empty() ? "" : " ") + std::to_string(f->seq);
        EXPECT_EQ(c.shown, shown) << c.frames;
        EXPECT_EQ(c.dropped, viewer->dropped()) << c.frames;
        EXPECT_FALSE(hub.TakeIdrRequest()) << "asked once";
    }
}

TEST(FrameHub, LeftAndClosedViewersGetNoFrames) {
    FrameHub hub;
    auto left = hub.Join(4);
    auto stays = hub.Join(4);
    hub.Leave(left);
    EXPECT_EQ(1u, hub.viewers());
    auto idr = std::make_shared<Frame>();
    idr->idr = true;
    hub.Publish(idr);
    EXPECT_EQ(nullptr, left->Pop(std::chrono::milliseconds(0)));
    hub.Close();
    EXPECT_EQ(nullptr, stays->Pop(std::chrono::milliseconds(0))) << "closed: no more frames";
    EXPECT_EQ(nullptr, hub.Join(4)->Pop(std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace orvcli
