// Audio players (buffer queue to output mix) and audio recorders (audio input to Android simple
// buffer queue): the objects and their play or record, buffer-queue and configuration
// interfaces.
#pragma once

#include "media_core.h"
#include "object.h"
#include "settings.h"

#include <memory>
#include <mutex>

namespace slhost {

class MediaObject : public Object {
  public:
    // `format` and `num_buffers` are checked already; `granted` as resolve_interfaces gives it.
    MediaObject(Direction direction, const PcmFormat &format, SLuint32 num_buffers,
                std::vector<SLInterfaceID> granted);

    static const std::vector<InterfaceOffer> &player_offers();
    static const std::vector<InterfaceOffer> &recorder_offers();

    MediaCore &core() { return *core_; }
    Direction direction() const { return direction_; }
    void fill_info(slhost_object_info &info) const override;

    SLresult set_configuration(const SLchar *key, const void *value, SLuint32 size);
    SLresult get_configuration(const SLchar *key, SLuint32 *size, void *value);

  protected:
    SLresult on_realize() override;
    ItfSlot *slot_for(SLInterfaceID iid) override;
    bool usable_unrealized(SLInterfaceID iid) const override;
    void on_destroy() override;

  private:
    const Direction direction_;
    const PcmFormat format_;
    const Backend backend_;
    const unsigned serial_;
    std::shared_ptr<MediaCore> core_;
    ItfSlot state_slot_;  // SLPlayItf or SLRecordItf
    ItfSlot queue_slot_;  // SLBufferQueueItf or SLAndroidSimpleBufferQueueItf
    ItfSlot config_slot_;
    std::mutex config_mutex_;
    SLuint32 recording_preset_ = 1;  // SL_ANDROID_RECORDING_PRESET_GENERIC
    SLint32 stream_type_ = 3;        // SL_ANDROID_STREAM_MEDIA
    SLuint32 performance_mode_ = 1;  // SL_ANDROID_PERFORMANCE_LATENCY
};

}  // namespace slhost
