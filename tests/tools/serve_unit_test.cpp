// The network server's pure parts: which frames a client gets as its queue fills and empties,
// and the credentials' text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "credentials.h"
#include "media/feed_gate.h"

namespace orvcli {
namespace {

// One frame offered to a client: is it an IDR frame, how many wait already, and the answer.
struct Step {
    bool idr;
    size_t queued;
    bool admitted;
};

TEST(FeedGate, StartsAtIdrFallsBehindAndRestartsAtIdrWithRoom) {
    FeedGate gate(4);
    const std::vector<Step> steps = {
        {false, 0, false},  // nothing before the first IDR frame
        {true, 0, true},    // starts here
        {false, 3, true},   // room left
        {false, 4, false},  // full: falls behind
        {false, 0, false},  // emptied, but no IDR frame yet
        {true, 2, false},   // an IDR frame, but less than half the queue free
        {true, 1, true},    // starts again
        {false, 1, true},
    };
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(steps[i].admitted, gate.Admit(steps[i].idr, steps[i].queued)) << "step " << i;
    EXPECT_EQ(3u, gate.dropped());  // frames before the first IDR frame are not losses
    EXPECT_EQ(1u, gate.falls());
    EXPECT_FALSE(gate.waiting_idr());
}

TEST(Credentials, Parse) {
    struct Case {
        std::string text;
        bool ok;
        std::string user, password;
    } cases[] = {
        {"viewer:secret", true, "viewer", "secret"},
        {"viewer:a:b\r\nignored", true, "viewer", "a:b"},
        {"viewer:", false, "", ""},
        {":secret", false, "", ""},
        {"viewer", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case &c : cases) {
        Credentials got;
        std::string why;
        EXPECT_EQ(c.ok, ParseCredentials(c.text, &got, &why)) << c.text;
        EXPECT_EQ(c.user, got.user) << c.text;
        EXPECT_EQ(c.password, got.password) << c.text;
    }
}

}  // namespace
}  // namespace orvcli
