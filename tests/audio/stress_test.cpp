// Callbacks on OpenSL ES's thread racing writers, readers, flush and close, with the manual
// clock driven from a thread of its own. Run under the tsan preset; a deadlock hangs the test.
#include "audio_record_native.h"
#include "audio_test_support.h"
#include "audio_track_native.h"

#include <atomic>
#include <memory>
#include <thread>

namespace {

using audiotest::AudioTest;

// Advances the manual clock in 5 ms steps until destroyed.
class Clock {
  public:
    Clock()
        : thread_([this] {
              while (!stop_.load())
                  slhost_manual_advance(5);
          }) {}
    ~Clock() {
        stop_.store(true);
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool consecutive(const std::vector<uint8_t> &bytes, size_t n) {
    for (size_t i = 1; i < n; ++i)
        if (uint8_t(bytes[i - 1] + 1) != bytes[i])
            return false;
    return true;
}

class Stress : public AudioTest {};

TEST_F(Stress, WritersRacingCallbacksAndClose) {
    Clock clock;
    for (int round = 0; round < 30; ++round) {
        AudioTrackNative track;
        ASSERT_EQ(0, track.open(2, 48000, false, 2));
        ASSERT_EQ(0, track.start());
        std::atomic<int> written{0};
        int last = 0;
        bool onlyExpected = true;
        audiotest::BoundedThread writer([&] {
            const std::vector<uint8_t> chunk = audiotest::pattern(960, uint8_t(round));
            for (;;) {
                last = track.write(chunk.data(), chunk.size(), true);
                if (last < 0)
                    break;
                onlyExpected = onlyExpected && (last == 960 || last == 0);
                written.fetch_add(1);
            }
        });
        audiotest::spinUntil([&] { return written.load() >= 8; });
        if (round % 2 == 0) {
            EXPECT_EQ(0, track.flush());
        }
        track.close();
        writer.join();
        EXPECT_EQ(-38, last);
        EXPECT_TRUE(onlyExpected);
        EXPECT_EQ(0, track.buffersPending());
    }
}

TEST_F(Stress, ReadersRacingCallbacksAndFlush) {
    Clock clock;
    AudioRecordNative rec;
    ASSERT_EQ(0, rec.open(1, 8000, false, 3));  // 320-byte buffers
    ASSERT_EQ(0, rec.start());
    std::atomic<long> delivered{0};
    long last = 0;
    bool intact = true;
    audiotest::BoundedThread reader([&] {
        std::vector<uint8_t> buf(500);
        for (;;) {
            last = rec.read(buf.data(), buf.size(), true);
            if (last < 0)
                break;
            intact = intact && last <= 500 && consecutive(buf, size_t(last));
            delivered.fetch_add(last);
        }
    });
    for (int i = 0; i < 40; ++i) {
        const long before = delivered.load();
        audiotest::spinUntil([&] { return delivered.load() > before; });
        EXPECT_EQ(0, rec.flush());
    }
    rec.close();
    reader.join();
    EXPECT_EQ(-38, last);
    EXPECT_TRUE(intact) << "a read delivered bytes out of order";
}

TEST_F(Stress, RapidOpenUseCloseCyclesWhileCallbacksRun) {
    Clock clock;
    const std::vector<uint8_t> chunk = audiotest::pattern(320, 9);
    std::vector<uint8_t> in(640);
    for (int i = 0; i < 300; ++i) {
        auto track = std::make_unique<AudioTrackNative>();
        auto rec = std::make_unique<AudioRecordNative>();
        ASSERT_EQ(0, track->open(1, 8000, false, 2));
        ASSERT_EQ(0, rec->open(1, 8000, false, 2));
        ASSERT_EQ(0, track->start());
        ASSERT_EQ(0, rec->start());
        EXPECT_GE(track->write(chunk.data(), chunk.size(), false), 0);
        EXPECT_GE(rec->read(in.data(), in.size(), false), 0);
        if (i % 3 == 0) {
            EXPECT_EQ(320, track->write(chunk.data(), chunk.size(), true));
            EXPECT_GE(rec->read(in.data(), 100, true), 0);  // released by the next buffer
        }
        EXPECT_EQ(0, track->stop());
        EXPECT_EQ(0, rec->stop());
        if (i % 2 == 0) {
            track->close();
            rec->close();
        }
        // Destruction closes the rest; no callback may reach a destroyed stream.
    }
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
}

// Streams opened and closed on several threads at once borrow the process's one engine: a loan
// count or engine lock that races would create a second engine, which OpenSL ES refuses.
TEST_F(Stress, StreamsOpenedAndClosedOnSeveralThreadsShareOneEngine) {
    std::atomic<int> refused{0};
    auto openAndClose = [&] {
        AudioTrackNative track;
        AudioRecordNative rec;
        for (int i = 0; i < 40; ++i) {
            refused += (track.open(2, 48000, false, 2) != 0) + (rec.open(1, 16000, false, 2) != 0);
            track.close();
            rec.close();
        }
    };
    audiotest::BoundedThread t1(openAndClose), t2(openAndClose), t3(openAndClose), t4(openAndClose);
    for (auto *t : {&t1, &t2, &t3, &t4})
        t->join();
    EXPECT_EQ(0, refused.load());
    EXPECT_EQ(0u, slhost_live_objects(SLHOST_KIND_ANY));
}

}  // namespace
