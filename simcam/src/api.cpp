// The test API: each call finds its node and hands over to it.
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "config.h"
#include "sim.h"
#include "simcam/simcam.h"

namespace simcam {
namespace {

std::shared_ptr<Camera> Node(const std::string &path) {
    return Sim::Get().Find(path);
}

}  // namespace

void LoadConfigText(const std::string &json) {
    Sim::Get().Load(ParseConfig(json));
}

void LoadConfigFile(const std::string &path) {
    std::ifstream in(path);
    if (!in)
        throw std::invalid_argument("simcam config: cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    LoadConfigText(text.str());
}

void LoadDefaultConfig() {
    LoadConfigText(DefaultConfigJson());
}
std::string DefaultConfigText() {
    return DefaultConfigJson();
}
void Reset() {
    Sim::Get().Reset();
}

std::vector<UsbDevice> UsbDevices() {
    return Sim::Get().UsbDevices();
}

std::vector<TraceEntry> Trace() {
    return Sim::Get().Trace();
}

std::vector<TraceEntry> TraceOf(Call call) {
    std::vector<TraceEntry> out;
    for (TraceEntry &e : Sim::Get().Trace())
        if (e.call == call)
            out.push_back(std::move(e));
    return out;
}

void ClearTrace() {
    Sim::Get().ClearTrace();
}

void FailOpen(const std::string &path, int err) {
    Node(path)->FailOpen(err);
}
void FailCall(const std::string &path, Call call, int err, int times, int after) {
    Node(path)->FailCall(call, err, times, after);
}
void GrantBuffers(const std::string &path, uint32_t n) {
    Node(path)->GrantBuffers(n);
}
void FailXu(const std::string &path, uint8_t unit, uint8_t selector, int err) {
    Node(path)->FailXu(unit, selector, err);
}
void FailControl(const std::string &path, uint32_t id, int err) {
    Node(path)->FailControl(id, err);
}
void SetIdentityAnswered(const std::string &path, bool answered) {
    Node(path)->SetIdentityAnswered(answered);
}
void Unplug(const std::string &path) {
    Node(path)->Unplug();
    Sim::Get().HangUp(path);
}
void CorruptFrames(const std::string &path, int n) {
    Node(path)->CorruptFrames(n);
}
void SetStalled(const std::string &path, bool stalled) {
    Node(path)->SetStalled(stalled);
}
void SetClock(const std::string &path, Clock clock) {
    Node(path)->SetClock(clock);
}
int ReleaseFrames(const std::string &path, int n) {
    return Node(path)->ReleaseFrames(n);
}
EncoderSettings GetEncoder(const std::string &path) {
    return Node(path)->GetEncoder();
}
std::vector<Frame> DeliveredFrames(const std::string &path) {
    return Node(path)->DeliveredFrames();
}
void ClearFrames(const std::string &path) {
    Node(path)->ClearFrames();
}
uint64_t DroppedFrames(const std::string &path) {
    return Node(path)->DroppedFrames();
}
void SetOsdStatus(const std::string &path, uint8_t status) {
    Node(path)->SetOsdStatus(status);
}
void SetHdmiInput(const std::string &path, uint8_t state) {
    Node(path)->SetHdmiInput(state);
}
int LastOsdCommand(const std::string &path) {
    return Node(path)->LastOsdCommand();
}
int32_t ControlValue(const std::string &path, uint32_t id) {
    return Node(path)->ControlValue(id);
}

}  // namespace simcam
