// The console's recorder behind a disk that the test holds still: taking frames never waits for
// it, frames up to the next IDR frame that fits are dropped and counted, and two recordings in
// one second get two files.
#include "recorder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <future>

namespace orvcli {
namespace {

constexpr auto kBound = std::chrono::seconds(5);

// What the writer thread did, and how many more writes the test lets through.
struct Disk {
    std::mutex mutex;
    std::condition_variable changed;
    int allowed = 0;
    int entered = 0;
    std::vector<int> written;  // the frames' first bytes
    bool finished = false;

    // Waits until `done` holds; false after kBound.
    template <typename Done>
    bool Until(Done done) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kBound, done);
    }
    void Allow(int n) {
        std::lock_guard<std::mutex> lock(mutex);
        allowed += n;
        changed.notify_all();
    }
};

class HeldOutput : public FrameOutput {
  public:
    explicit HeldOutput(std::shared_ptr<Disk> disk) : disk_(std::move(disk)) {}
    bool Write(const uint8_t *data, size_t, int64_t, std::string *) override {
        std::unique_lock<std::mutex> lock(disk_->mutex);
        ++disk_->entered;
        disk_->changed.notify_all();
        disk_->changed.wait(lock, [this] { return disk_->allowed > 0; });
        --disk_->allowed;
        disk_->written.push_back(data[0]);
        disk_->changed.notify_all();
        return true;
    }
    bool Finish(std::string *) override {
        std::lock_guard<std::mutex> lock(disk_->mutex);
        disk_->finished = true;
        return true;
    }
    int64_t frames() const override {
        std::lock_guard<std::mutex> lock(disk_->mutex);
        return static_cast<int64_t>(disk_->written.size());
    }

  private:
    std::shared_ptr<Disk> disk_;
};

FramePtr MakeFrame(int seq, bool idr) {
    auto f = std::make_shared<Frame>();
    f->seq = static_cast<uint64_t>(seq);
    f->idr = idr;
    f->bytes = {static_cast<uint8_t>(seq)};
    return f;
}

struct RecorderTest : testing::Test {
    std::shared_ptr<Disk> disk = std::make_shared<Disk>();
    char dir[32] = "/tmp/orv-recorder-XXXXXX";
    RecorderOptions options;
    void SetUp() override {
        ASSERT_NE(nullptr, mkdtemp(dir));
        options.capacity = 3;
        options.open = [this](const std::string &, std::string *) {
            return std::unique_ptr<FrameOutput>(new HeldOutput(disk));
        };
        options.now = [] { return std::time_t(1700000000); };
    }
    void TearDown() override {
        std::string rm = std::string("rm -rf ") + dir;
        ASSERT_EQ(0, std::system(rm.c_str()));
    }
};

TEST_F(RecorderTest, ASlowDiskLosesFramesUpToAnIdrFrameAndNeverHoldsUpTheCapture) {
    Recorder recorder(options);
    std::string path;
    ASSERT_EQ("", recorder.Start(dir, "mp4", &path));
    EXPECT_TRUE(recorder.TakeIdrRequest()) << "a recording starts at an IDR frame";
    // The capture's side, on a thread of its own: it must be done while the disk holds the
    // writer at frame 1. Frame 7 is an IDR frame that finds the queue still full.
    auto capture = std::async(std::launch::async, [&] {
        recorder.Take(MakeFrame(1, true));
        if (!disk->Until([this] { return disk->entered == 1; }))
            return false;
        for (int seq = 2; seq <= 9; ++seq)
            recorder.Take(MakeFrame(seq, seq == 7));
        return true;
    });
    ASSERT_EQ(std::future_status::ready, capture.wait_for(kBound)) << "Take waited for the disk";
    ASSERT_TRUE(capture.get()) << "the writer never took frame 1";
    EXPECT_EQ(5u, recorder.Status().dropped);
    EXPECT_TRUE(recorder.TakeIdrRequest()) << "the recorder asks for an IDR frame after a gap";

    disk->Allow(100);
    ASSERT_TRUE(disk->Until([this] { return disk->written.size() == 4; }));
    recorder.Take(MakeFrame(10, false));  // still dropping: no IDR frame since the gap
    recorder.Take(MakeFrame(11, true));
    recorder.Take(MakeFrame(12, false));
    ASSERT_TRUE(recorder.Stop(""));
    ASSERT_TRUE(recorder.WaitComplete(kBound));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 11, 12}), disk->written);
    EXPECT_TRUE(disk->finished);
    const RecorderStatus status = recorder.Status();
    EXPECT_FALSE(status.on);
    EXPECT_EQ(6, status.frames);
    EXPECT_EQ(6u, status.dropped);
    EXPECT_EQ("", status.message);
}

TEST_F(RecorderTest, TwoRecordingsInOneSecondGetTwoFiles) {
    disk->Allow(100);
    Recorder recorder(options);
    std::string first, second;
    ASSERT_EQ("", recorder.Start(dir, "mkv", &first));
    EXPECT_EQ("already recording", recorder.Start(dir, "mkv", &second));
    ASSERT_TRUE(recorder.Stop(""));
    ASSERT_TRUE(recorder.WaitComplete(kBound));
    ASSERT_EQ("", recorder.Start(dir, "mkv", &second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, first.size() - 4) + "-2.mkv", second);
    EXPECT_EQ(0, access(first.c_str(), F_OK));
    EXPECT_EQ(0, access(second.c_str(), F_OK));
}

}  // namespace
}  // namespace orvcli
