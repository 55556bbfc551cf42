// The table under concurrent use: four threads open, stream, read and close their own cameras
// over and over while another looks devices up. Run under ThreadSanitizer too.
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "camera_test_util.h"
#include "simcam/simcam.h"

namespace {

class CameraConcurrency : public camtest::CameraTest {};

TEST_F(CameraConcurrency, FourDevicesOnFourThreadsWithLookups) {
    simcam::LoadConfigText(camtest::Cameras(4, [](nlohmann::json &node) {
        node["clock"] = "fast";
        node["prebuffered_frames"] = 2;
    }));
    CameraParams p = camtest::HeldParams();
    p.width = 640;
    p.height = 480;
    constexpr int kRounds = 8;
    constexpr int kReads = 3;

    std::atomic<bool> done{false};
    std::vector<int> good(4, 0);
    std::vector<std::thread> owners;
    for (int i = 0; i < 4; ++i) {
        owners.emplace_back([&, i] {
            const std::string node = "/dev/video" + std::to_string(i);
            for (int round = 0; round < kRounds; ++round) {
                const int fd = open_device(12, node.c_str(), &p, 0, nullptr);
                if (fd <= 0)
                    continue;
                char name[16] = "";
                get_opened_device_name_by_fd(fd, name);
                int frames = 0;
                if (node == name && start_capture(fd) == 0) {
                    unsigned char *data = nullptr;
                    for (int r = 0; r < kReads; ++r)
                        frames += read_h264_data(fd, &data) > 0;
                    stop_capture(fd);
                }
                close_device(fd);
                good[i] += frames == kReads;
            }
        });
    }
    std::thread looker([&] {
        while (!done.load()) {
            // Only the lookups themselves: a slot's fields belong to its owner's thread.
            for (int i = 0; i < 4; ++i)
                findOpenedDeviceByName(("/dev/video" + std::to_string(i)).c_str());
            for (int fd = 3; fd < 32; ++fd) {
                char name[16] = "";
                get_opened_device_name_by_fd(fd, name);
                findOpenedDeviceByFD(fd);
            }
        }
    });
    for (std::thread &t : owners)
        t.join();
    done = true;
    looker.join();
    EXPECT_EQ(std::vector<int>(4, kRounds), good);
}

TEST_F(CameraConcurrency, TwoOpensOfOneNodeAtOnceHaveOneWinner) {
    const CameraParams p = camtest::HeldParams();
    for (int round = 0; round < 40; ++round) {
        std::atomic<int> ready{0};
        int fds[2] = {0, 0};
        auto opener = [&](int *fd) {
            for (++ready; ready.load() < 2;) {
            }
            *fd = open_device(12, "/dev/video0", &p, 0, nullptr);
        };
        std::thread a(opener, &fds[0]), b(opener, &fds[1]);
        a.join();
        b.join();
        ASSERT_EQ(1, (fds[0] > 0) + (fds[1] > 0)) << "round " << round;
        close_device(std::max(fds[0], fds[1]));
    }
}

}  // namespace
