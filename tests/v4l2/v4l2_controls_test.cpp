// Camera controls and PTZ: what each call writes to the camera and what it prints.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "simcam/simcam.h"
#include "v4l2/v4l2_controls.h"
#include "v4l2_test_util.h"

namespace {

using v4l2test::kNode;

constexpr int kPanSpeed = 0x009A0920;
constexpr int kPanAbsolute = 0x009A0908;
constexpr int kTiltAbsolute = 0x009A0909;
constexpr int kZoomAbsolute = 0x009A090D;
constexpr int kFocusAuto = 0x009A090C;
constexpr int kFocusAbsolute = 0x009A090A;

// What a call printed on standard output and standard error.
struct Printed {
    std::string out, err;
};

Printed Printing(const std::function<void()> &call) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    call();
    fflush(stdout);
    fflush(stderr);
    Printed p;
    p.err = testing::internal::GetCapturedStderr();
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

// (id, value) of every S_CTRL since the trace was cleared.
std::vector<std::pair<uint32_t, int32_t>> Writes() {
    std::vector<std::pair<uint32_t, int32_t>> out;
    for (const simcam::TraceEntry &e : simcam::TraceOf(simcam::Call::kSetCtrl))
        out.emplace_back(e.id, e.value);
    return out;
}

class Controls : public v4l2test::NodeTest {
  protected:
    // The default camera with fields added to the entry of control `id_text` ("0x009a0908").
    void OpenWithControl(const std::string &id_text, const std::string &extra) {
        Open(v4l2test::DefaultConfigWith(R"({"id": ")" + id_text + R"(",)",
                                         R"({"id": ")" + id_text + R"(", )" + extra + ","));
    }
};

struct Setter {
    const char *name;
    int (*fn)(int, int);
    uint32_t id;
    int value;
    const char *failure;
};

const Setter kSetters[] = {
    {"pan speed", v4l2PanLeftRight, 0x009A0920, -5, "v4l2 set pan left/right control error"},
    {"tilt speed", v4l2TiltUpDown, 0x009A0921, 7, "v4l2 set tilt up/down control error"},
    {"zoom speed", v4l2ZoomInOut, 0x009A090F, -3, "v4l2 set zoom in/out control error"},
    {"focus far/near", v4l2FocusFarNear, 0x009A0923, 2, "v4l2 set focus far/near control error"},
    {"focus auto", v4l2FocusAuto, 0x009A090C, 0, "v4l2 set focus auto control error"},
    {"pan", v4l2SetPanPosition, 0x009A0908, 7200, "v4l2 set pan position control error"},
    {"tilt", v4l2SetTiltPosition, 0x009A0909, -3600, "v4l2 set tilt position control error"},
    {"zoom", v4l2SetZoomPosition, 0x009A090D, 250, "v4l2 set zoom position control error"},
    {"focus", v4l2SetFocusPosition, 0x009A090A, 512, "v4l2 set focus position control error"},
};

struct Getter {
    const char *name;
    int (*fn)(int, int *);
    uint32_t id;
    const char *failure;
};

const Getter kGetters[] = {
    {"focus auto", v4l2GetFocusAuto, 0x009A090C, "v4l2 get focus auto control error"},
    {"pan", v4l2GetPanPosition, 0x009A0908, "v4l2 get pan position control error"},
    {"tilt", v4l2GetTiltPosition, 0x009A0909, "v4l2 get tilt position control error"},
    {"zoom", v4l2GetZoomPosition, 0x009A090D, "v4l2 get zoom position control error"},
    {"focus", v4l2GetFocusPosition, 0x009A090A, "v4l2 get focus position control error"},
};

TEST_F(Controls, EachActionWritesItsControlAndEachGetterReadsIt) {
    for (const Setter &s : kSetters) {
        simcam::ClearTrace();
        int result = -2;
        const Printed p = Printing([&] { result = s.fn(fd_, s.value); });
        EXPECT_EQ(0, result) << s.name;
        EXPECT_EQ((std::vector<std::pair<uint32_t, int32_t>>{{s.id, s.value}}), Writes()) << s.name;
        EXPECT_EQ("", p.out + p.err) << s.name;
    }
    for (const Getter &g : kGetters) {
        int value = -99;
        EXPECT_EQ(0, g.fn(fd_, &value)) << g.name;
        EXPECT_EQ(simcam::ControlValue(kNode, g.id), value) << g.name;
    }
    int pan = 0;
    EXPECT_EQ(0, v4l2GetPanPosition(fd_, &pan));
    EXPECT_EQ(7200, pan);
    // Speed 0 stops a move.
    simcam::ClearTrace();
    EXPECT_EQ(0, v4l2PanLeftRight(fd_, 0));
    EXPECT_EQ((std::vector<std::pair<uint32_t, int32_t>>{{0x009A0920, 0}}), Writes());
}

TEST_F(Controls, FailedActionsPrintTheControlLineThenTheirOwn) {
    for (const Setter &s : kSetters)
        simcam::FailControl(kNode, s.id, EIO);
    for (const Setter &s : kSetters) {
        int result = 0;
        const Printed p = Printing([&] { result = s.fn(fd_, s.value); });
        EXPECT_EQ(-1, result) << s.name;
        EXPECT_EQ(std::string("ioctl set control error\n") + s.failure + "\n", p.out) << s.name;
    }
    for (const Getter &g : kGetters) {
        int result = 0, value = 42;
        const Printed p = Printing([&] { result = g.fn(fd_, &value); });
        EXPECT_EQ(-1, result) << g.name;
        EXPECT_EQ(42, value) << g.name;
        EXPECT_EQ(std::string("ioctl get control error\n") + g.failure + "\n", p.out) << g.name;
    }
}

TEST_F(Controls, OutOfRangeValuesArePrintedAndNotWritten) {
    for (int value : {25, -25, INT_MAX, INT_MIN}) {
        int result = -2;
        const Printed p = Printing([&] { result = v4l2SetControl(fd_, kPanSpeed, value); });
        EXPECT_EQ(0, result) << value;
        EXPECT_EQ("set value error\n", p.out) << value;
    }
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(0, v4l2SetControl(fd_, kPanSpeed, 24));  // the maximum itself is in range
    EXPECT_EQ(24, simcam::ControlValue(kNode, kPanSpeed));
}

TEST_F(Controls, KindsOfControl) {
    struct v4l2_queryctrl query = {};
    EXPECT_EQ(0, isv4l2Control(fd_, kPanSpeed, &query));  // integer
    EXPECT_EQ(-24, query.minimum);
    EXPECT_EQ(24, query.maximum);
    EXPECT_EQ(1, isv4l2Control(fd_, kFocusAuto, &query));  // boolean
    EXPECT_EQ(0, v4l2FocusAuto(fd_, 0));
    EXPECT_EQ(0, v4l2FocusAuto(fd_, 1));
    EXPECT_EQ(1, simcam::ControlValue(kNode, kFocusAuto));

    int result = 0;
    const Printed unknown = Printing([&] { result = isv4l2Control(fd_, 0x009A0999, &query); });
    EXPECT_EQ(-1, result);
    EXPECT_EQ("", unknown.out);
    EXPECT_EQ(std::string("ioctl querycontrol error: ") + strerror(EINVAL) + "\n", unknown.err);

    for (const char *type : {"button", "bitmask"}) {
        Open(v4l2test::DefaultConfigWith(R"("name": "Pan, Speed", "type": "integer")",
                                         std::string(R"("name": "Odd", "type": ")") + type + "\""));
        const Printed p = Printing([&] {
            EXPECT_EQ(-1, v4l2PanLeftRight(fd_, 1));
            EXPECT_EQ(-1, v4l2SetDefault(fd_, kPanSpeed));
        });
        EXPECT_EQ(
            "contol Odd unsupported\nv4l2 set pan left/right control error\n"
            "contol Odd unsupported\n",
            p.out)
            << type;
        EXPECT_TRUE(Writes().empty()) << type;
    }
}

TEST_F(Controls, DisabledControlRefusesEveryOperation) {
    OpenWithControl("0x009a0908", R"("flags": ["disabled"])");
    int value = 5;
    const Printed p = Printing([&] {
        EXPECT_EQ(-1, v4l2GetControl(fd_, kPanAbsolute, &value));
        EXPECT_EQ(-1, v4l2SetControl(fd_, kPanAbsolute, 0));
        EXPECT_EQ(-1, v4l2SetDefault(fd_, kPanAbsolute));
        EXPECT_EQ(-1, v4l2SetMin(fd_, kPanAbsolute));
        EXPECT_EQ(-1, v4l2SetMax(fd_, kPanAbsolute));
    });
    EXPECT_EQ(5, value);
    std::string five;
    for (int i = 0; i < 5; ++i)
        five += "control Pan, Absolute disabled\n";
    EXPECT_EQ(five, p.out);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(simcam::TraceOf(simcam::Call::kGetCtrl).empty());
}

TEST_F(Controls, DefaultMinimumAndMaximum) {
    EXPECT_EQ(0, v4l2SetMin(fd_, kZoomAbsolute));
    EXPECT_EQ(0, v4l2SetMax(fd_, kZoomAbsolute));
    EXPECT_EQ(0, v4l2SetDefault(fd_, kFocusAuto));
    EXPECT_EQ((std::vector<std::pair<uint32_t, int32_t>>{
                  {kZoomAbsolute, 100}, {kZoomAbsolute, 500}, {kFocusAuto, 1}}),
              Writes());
    simcam::FailControl(kNode, kZoomAbsolute, EIO);
    int result = 0;
    EXPECT_EQ("ioctl set control error\n",
              Printing([&] { result = v4l2SetMax(fd_, kZoomAbsolute); }).out);
    EXPECT_EQ(-1, result);
}

TEST_F(Controls, HomeSetsEachDefaultInOrderAndStopsAtTheFirstFailure) {
    EXPECT_EQ(0, v4l2SetPtzToHome(fd_));
    const std::vector<std::pair<uint32_t, int32_t>> home = {{kPanAbsolute, 0},
                                                            {kTiltAbsolute, 0},
                                                            {kZoomAbsolute, 100},
                                                            {kFocusAuto, 1},
                                                            {kFocusAbsolute, 0}};
    EXPECT_EQ(home, Writes());

    // Without automatic focus: pan, tilt and zoom are home, the focus position is not touched.
    Open(v4l2test::DefaultConfigWith(
        R"({"id": "0x009a090c", "name": "Focus, Automatic Continuous", "type": "boolean", "min": 0, "max": 1, "step": 1, "default": 1},)",
        ""));
    int result = 0;
    const Printed p = Printing([&] { result = v4l2SetPtzToHome(fd_); });
    EXPECT_EQ(-1, result);
    const std::vector<std::pair<uint32_t, int32_t>> first_three(home.begin(), home.begin() + 3);
    EXPECT_EQ(first_three, Writes());
    EXPECT_EQ(std::string("ioctl querycontrol error: ") + strerror(EINVAL) + "\n", p.err);
    for (const simcam::TraceEntry &e : simcam::TraceOf(simcam::Call::kQueryCtrl))
        EXPECT_NE(static_cast<uint32_t>(kFocusAbsolute), e.id);
}

TEST_F(Controls, PanTiltAbsoluteSetsPanThenTilt) {
    EXPECT_EQ(0, v4l2PanTiltAbsolute(fd_, 3600, -7200));
    EXPECT_EQ(
        (std::vector<std::pair<uint32_t, int32_t>>{{kPanAbsolute, 3600}, {kTiltAbsolute, -7200}}),
        Writes());

    simcam::FailControl(kNode, kTiltAbsolute, EIO);
    int result = 0;
    EXPECT_EQ(
        "ioctl set control error\nv4l2 set tilt position control error\n"
        "v4l2 set TiltPosition control error\n",
        Printing([&] { result = v4l2PanTiltAbsolute(fd_, 0, 0); }).out);
    EXPECT_EQ(-1, result);

    simcam::FailControl(kNode, kPanAbsolute, EIO);
    simcam::ClearTrace();
    EXPECT_EQ(
        "ioctl set control error\nv4l2 set pan position control error\n"
        "v4l2 set PanPosition control error\n",
        Printing([&] { result = v4l2PanTiltAbsolute(fd_, 0, 0); }).out);
    EXPECT_EQ(-1, result);
    EXPECT_EQ(1u, Writes().size());  // the tilt is not tried
}

TEST_F(Controls, RelativePanTiltPacksDirectionAndSpeedPerAxis) {
    const struct {
        int pan, tilt;
        uint32_t packed;
    } cases[] = {{0, 0, 0x00000000},   {5, -3, 0x03FF0501},    {-1, 1, 0x010101FF},
                 {300, 0, 0x0000FF01}, {0, -1000, 0xFFFF0000}, {INT_MIN, INT_MAX, 0xFF01FFFF}};
    for (const auto &c : cases) {
        simcam::ClearTrace();
        EXPECT_EQ(0, v4l2PanTiltRelative(fd_, c.pan, c.tilt));
        EXPECT_EQ((std::vector<std::pair<uint32_t, int32_t>>{
                      {0x009A0922, static_cast<int32_t>(c.packed)}}),
                  Writes())
            << c.pan << " " << c.tilt;
    }
    simcam::ClearTrace();
    EXPECT_EQ(0, v4l2PanTiltStop(fd_));
    EXPECT_EQ((std::vector<std::pair<uint32_t, int32_t>>{{0x009A0922, 0}}), Writes());

    simcam::FailControl(kNode, 0x009A0922, EIO);
    int result = 0;
    EXPECT_EQ(
        "ioctl set control error\nv4l2 set PANTILT_RELATIVE control error\n"
        "v4l2 set v4l2PanTiltRelative control error\n",
        Printing([&] { result = v4l2PanTiltStop(fd_); }).out);
    EXPECT_EQ(-1, result);
}

}  // namespace
