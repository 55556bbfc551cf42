// Requesting, mapping and releasing streaming buffers, including drivers that grant a different
// number and mappings that fail part way.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <set>

#include "simcam/simcam.h"
#include "v4l2/v4l2_device.h"
#include "v4l2_test_util.h"

namespace {

using orvtest::ErrnoText;
using orvtest::LogEntry;
using orvtest::v4l2::Error;
using v4l2test::kNode;

constexpr int kMmap = 1;
constexpr int kUserPtr = 2;

// A recognisable record the layer must not touch.
const CaptureBuffer kUntouched = {reinterpret_cast<void *>(0x1000), 0xAAAA, 0xBBBB};

bool Same(const CaptureBuffer &a, const CaptureBuffer &b) {
    return a.start == b.start && a.offset == b.offset && a.length == b.length;
}

class Buffers : public v4l2test::NodeTest {
  protected:
    void TearDown() override {
        for (CaptureBuffer &b : records_)
            if (b.start != nullptr && b.start != MAP_FAILED && b.start != kUntouched.start)
                munmap(b.start, b.length);
        NodeTest::TearDown();
    }
    CaptureBuffer records_[5] = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
};

TEST_F(Buffers, FourMappedBuffersAreRecordedAndReleased) {
    ASSERT_EQ(0, v4l2_req_buf(fd_, records_, 4, kMmap));
    const auto reqs = simcam::TraceOf(simcam::Call::kReqBufs);
    ASSERT_EQ(1u, reqs.size());
    EXPECT_EQ(4u, reqs[0].count);
    EXPECT_EQ(1u, reqs[0].memory);
    EXPECT_EQ(1u, reqs[0].type);
    const auto queries = simcam::TraceOf(simcam::Call::kQueryBuf);
    const auto maps = simcam::TraceOf(simcam::Call::kMmap);
    ASSERT_EQ(4u, queries.size());
    ASSERT_EQ(4u, maps.size());
    std::set<uint32_t> offsets;
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(i, queries[i].index);
        EXPECT_EQ(records_[i].offset, maps[i].offset);
        EXPECT_EQ(records_[i].length, maps[i].length);
        EXPECT_GT(records_[i].length, 0u);
        EXPECT_EQ(PROT_READ | PROT_WRITE, maps[i].flags);
        offsets.insert(records_[i].offset);
        // The mapping is real and writable.
        static_cast<volatile uint8_t *>(records_[i].start)[records_[i].length - 1] = 0x5A;
    }
    EXPECT_EQ(4u, offsets.size());
    EXPECT_TRUE(Same(kUntouched, records_[4]));
    EXPECT_TRUE(Lines().empty());

    const CaptureBuffer mapped[4] = {records_[0], records_[1], records_[2], records_[3]};
    EXPECT_EQ(0, v4l2_release_buf(fd_, records_, 4, kMmap));
    const auto unmaps = simcam::TraceOf(simcam::Call::kMunmap);
    ASSERT_EQ(4u, unmaps.size());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mapped[i].length, unmaps[i].length);
        EXPECT_EQ(mapped[i].offset, records_[i].offset);  // offset and length are kept
        EXPECT_EQ(mapped[i].length, records_[i].length);
    }
    // No buffer is given back to the driver.
    EXPECT_EQ(1u, simcam::TraceOf(simcam::Call::kReqBufs).size());

    // A second release finds nothing mapped and unmaps nothing (the addresses may be reused).
    simcam::ClearTrace();
    EXPECT_EQ(0, v4l2_release_buf(fd_, records_, 4, kMmap));
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kMunmap).empty());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Buffers, FewerGrantedThanAskedFailsAndMapsNothing) {
    const CaptureBuffer unmapped = {nullptr, kUntouched.offset, kUntouched.length};
    for (CaptureBuffer &b : records_)
        b = unmapped;  // records a request may reuse hold no mapping or a real one
    simcam::GrantBuffers(kNode, 2);
    errno = 0;
    EXPECT_EQ(-1, v4l2_req_buf(fd_, records_, 4, kMmap));
    EXPECT_EQ(
        (std::vector<LogEntry>{Error("v4l2_req_buf: " + FdText() +
                                     " Insufficient buffer memory on device, " + ErrnoText(0))}),
        Lines());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kQueryBuf).empty());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kMmap).empty());
    for (const CaptureBuffer &b : records_)
        EXPECT_TRUE(Same(unmapped, b));
}

TEST_F(Buffers, MoreGrantedThanAskedRecordsOnlyTheCallersCount) {
    simcam::GrantBuffers(kNode, 6);
    ASSERT_EQ(0, v4l2_req_buf(fd_, records_, 4, kMmap));
    EXPECT_EQ(6u, simcam::TraceOf(simcam::Call::kReqBufs)[0].granted);
    EXPECT_EQ(4u, simcam::TraceOf(simcam::Call::kQueryBuf).size());
    EXPECT_EQ(4u, simcam::TraceOf(simcam::Call::kMmap).size());
    EXPECT_TRUE(Same(kUntouched, records_[4]));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Buffers, FailuresPartWayKeepEarlierMappingsRecorded) {
    simcam::FailCall(kNode, simcam::Call::kMmap, ENOMEM, 1, 2);
    EXPECT_EQ(-1, v4l2_req_buf(fd_, records_, 4, kMmap));
    EXPECT_EQ((std::vector<LogEntry>{
                  Error("v4l2_req_buf: " + FdText() + " mmap failed, " + ErrnoText(ENOMEM))}),
              Lines());
    EXPECT_NE(nullptr, records_[0].start);
    EXPECT_NE(nullptr, records_[1].start);
    EXPECT_GT(records_[2].length, 0u);  // queried before the mapping failed
    // The records after the failure point at no mapping, so releasing them unmaps nothing else.
    EXPECT_EQ(nullptr, records_[2].start);
    EXPECT_EQ(nullptr, records_[3].start);
    simcam::ClearTrace();
    EXPECT_EQ(0, v4l2_release_buf(fd_, records_, 4, kMmap));
    EXPECT_EQ(2u, simcam::TraceOf(simcam::Call::kMunmap).size());

    Open(simcam::DefaultConfigText());
    simcam::FailCall(kNode, simcam::Call::kQueryBuf, EIO, 1, 1);
    EXPECT_EQ(-1, v4l2_req_buf(fd_, records_, 4, kMmap));
    EXPECT_EQ(1u, simcam::TraceOf(simcam::Call::kMmap).size());
    // The mapping still recorded is undone before the next request (older kernels refuse
    // REQBUFS while a buffer is mapped), even one that then fails.
    simcam::ClearTrace();
    simcam::FailCall(kNode, simcam::Call::kReqBufs, EBUSY, 1);
    EXPECT_EQ(-1, v4l2_req_buf(fd_, records_, 4, kMmap));
    const std::vector<simcam::TraceEntry> trace = simcam::Trace();
    ASSERT_EQ(2u, trace.size());
    EXPECT_EQ(simcam::Call::kMunmap, trace[0].call);
    EXPECT_EQ(simcam::Call::kReqBufs, trace[1].call);
    const std::string fn = "v4l2_req_buf: " + FdText();
    EXPECT_EQ((std::vector<LogEntry>{Error(fn + " QUERYBUF failed, " + ErrnoText(EIO)),
                                     Error(fn + " REQBUFS failed, " + ErrnoText(EBUSY))}),
              Lines());
    simcam::ClearTrace();
    ASSERT_EQ(0, v4l2_req_buf(fd_, records_, 4, kMmap));
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kMunmap).empty());
    EXPECT_EQ(4u, simcam::TraceOf(simcam::Call::kMmap).size());
}

TEST_F(Buffers, UserPointerBuffersAreHandedOverAndNeverMapped) {
    static uint8_t memory[2][4096];
    CaptureBuffer user[2] = {{memory[0], 0, sizeof memory[0]}, {memory[1], 0, sizeof memory[1]}};
    ASSERT_EQ(0, v4l2_req_buf(fd_, user, 2, kUserPtr));
    EXPECT_EQ(2u, simcam::TraceOf(simcam::Call::kReqBufs)[0].memory);
    EXPECT_EQ(2u, simcam::TraceOf(simcam::Call::kQueryBuf).size());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kMmap).empty());
    EXPECT_EQ(memory[0], user[0].start);

    EXPECT_EQ(0, v4l2_release_buf(fd_, user, 2, kUserPtr));
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kMunmap).empty());
    EXPECT_EQ(memory[1], user[1].start);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(Buffers, ReleaseLogsAFailedUnmapAndGoesOn) {
    ASSERT_EQ(0, v4l2_req_buf(fd_, records_, 2, kMmap));
    CaptureBuffer bad[3] = {records_[0], {reinterpret_cast<void *>(0x1001), 0, 4096}, records_[1]};
    records_[0].start = records_[1].start = nullptr;  // now owned by `bad`
    EXPECT_EQ(0, v4l2_release_buf(fd_, bad, 3, kMmap));
    EXPECT_EQ((std::vector<LogEntry>{
                  Error("v4l2_release_buf: " + FdText() + " munmap failed, " + ErrnoText(EINVAL))}),
              Lines());
    EXPECT_EQ(nullptr, bad[0].start);
    EXPECT_EQ(nullptr, bad[2].start);
}

}  // namespace
