// simcam-gadget: the maker's camera as a USB device on gadgetfs. Run as root in a machine with a
// device controller (dummy_hcd's dummy_udc) and gadgetfs mounted; the host side of the machine
// then sees the camera through its own drivers (uvcvideo, usbfs).
//
//   simcam-gadget [--config FILE] [--gadgetfs DIR] [--chip NAME] [--endpoint NAME]
//                 [--control FIFO] [--cue FRAMES:ACTION]... [--verbose]
//
// ACTION: unplug, plug, replug, stall:ENTITY:SELECTOR[:COUNT] (the next COUNT GET requests of
// that control, 1 by default), error:N (the next N frames carry the error bit). A cue runs once
// FRAMES frames have been sent; the same actions, one a line, may be written to the FIFO at
// any time.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "config.h"
#include "gadget_link.h"
#include "uvc_function.h"

namespace {

std::atomic<bool> g_stop{false};

void OnStop(int) {
    g_stop = true;
}
void OnInterrupt(int) {}  // only breaks the streamer's blocking write

struct Cue {
    uint64_t frames;
    std::string action;
};

struct Options {
    std::string config;
    std::string control;
    std::vector<Cue> cues;
    simcam_gadget::LinkOptions link;
};

[[noreturn]] void Usage(const std::string &why) {
    std::fprintf(stderr,
                 "simcam-gadget: %s\nusage: simcam-gadget [--config FILE] [--gadgetfs DIR] "
                 "[--chip NAME] [--endpoint NAME] [--control FIFO] [--cue FRAMES:ACTION]... "
                 "[--verbose]\n",
                 why.c_str());
    std::exit(2);
}

Options Parse(int argc, char **argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--config") {
            o.config = value();
        } else if (arg == "--gadgetfs") {
            o.link.gadgetfs = value();
        } else if (arg == "--chip") {
            o.link.chip = value();
        } else if (arg == "--endpoint") {
            o.link.endpoint = value();
        } else if (arg == "--control") {
            o.control = value();
        } else if (arg == "--cue") {
            const std::string cue = value();
            const size_t colon = cue.find(':');
            char *end = nullptr;
            const unsigned long long frames = std::strtoull(cue.c_str(), &end, 10);
            if (colon == std::string::npos || end != cue.c_str() + colon)
                Usage("--cue wants FRAMES:ACTION, not '" + cue + "'");
            o.cues.push_back({frames, cue.substr(colon + 1)});
        } else if (arg == "--verbose") {
            o.link.verbose = true;
        } else {
            Usage("unknown option '" + arg + "'");
        }
    }
    return o;
}

// The first configured node that is a USB camera.
simcam::NodeConfig CameraNode(const std::string &path) {
    std::string text = simcam::DefaultConfigJson();
    if (!path.empty()) {
        std::ifstream f(path);
        if (!f)
            throw std::runtime_error("cannot read " + path);
        std::stringstream s;
        s << f.rdbuf();
        text = s.str();
    }
    for (const simcam::NodeConfig &node : simcam::ParseConfig(text).nodes)
        if (node.identity)
            return node;
    throw std::runtime_error("the configuration has no camera with a USB identity");
}

// One action; false (and a message) when it is not known.
bool Act(simcam_gadget::GadgetLink *link, simcam_gadget::UvcFunction *function,
         const std::string &action) {
    std::vector<std::string> f;
    std::stringstream s(action);
    for (std::string part; std::getline(s, part, ':');)
        f.push_back(part);
    if (f.empty())
        return true;
    auto number = [](const std::string &text) { return std::strtol(text.c_str(), nullptr, 0); };
    if (f[0] == "unplug" && f.size() == 1) {
        return link->SetConnected(false);
    } else if (f[0] == "plug" && f.size() == 1) {
        return link->SetConnected(true);
    } else if (f[0] == "replug" && f.size() == 1) {
        return link->SetConnected(false) && link->SetConnected(true);
    } else if (f[0] == "stall" && (f.size() == 3 || f.size() == 4)) {
        function->StallGets(static_cast<uint8_t>(number(f[1])), static_cast<uint8_t>(number(f[2])),
                            f.size() == 4 ? static_cast<int>(number(f[3])) : 1);
    } else if (f[0] == "error" && f.size() == 2) {
        link->CorruptFrames(static_cast<int>(number(f[1])));
    } else {
        std::fprintf(stderr, "simcam-gadget: unknown action '%s'\n", action.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    Options options = Parse(argc, argv);
    for (const Cue &cue : options.cues) {
        if (cue.action.empty())
            Usage("a cue without an action");
    }
    struct sigaction sa = {};
    sa.sa_handler = OnStop;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sa.sa_handler = OnInterrupt;  // no SA_RESTART: a blocked endpoint write returns EINTR
    sigaction(SIGUSR1, &sa, nullptr);
    try {
        const simcam::NodeConfig node = CameraNode(options.config);
        simcam_gadget::UvcFunction function(node);
        simcam_gadget::GadgetLink link(&function, node, options.link);
        int control = -1;
        if (!options.control.empty()) {
            if (mkfifo(options.control.c_str(), 0600) < 0 && errno != EEXIST)
                throw std::runtime_error("cannot make " + options.control);
            // Read and write: the FIFO never reads as ended when a writer closes it.
            control = open(options.control.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (control < 0)
                throw std::runtime_error("cannot open " + options.control);
        }
        link.Bind();
        std::string pending;
        size_t next_cue = 0;
        // Between events: the cues that are due, then the actions on the FIFO.
        auto between = [&] {
            for (; next_cue < options.cues.size() &&
                   link.FramesSent() >= options.cues[next_cue].frames;
                 ++next_cue)
                Act(&link, &function, options.cues[next_cue].action);
            char buf[256];
            ssize_t n;
            while (control >= 0 && (n = read(control, buf, sizeof buf)) > 0)
                pending.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
                Act(&link, &function, pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
        };
        link.Serve(g_stop, control, between);
        if (control >= 0)
            close(control);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "simcam-gadget: %s\n", e.what());
        return 1;
    }
    return 0;
}
