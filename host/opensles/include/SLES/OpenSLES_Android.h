/* Android's extensions to OpenSL ES that this host library implements: the simple buffer queue,
 * the extended PCM format (floating-point samples) and the configuration interface. */
#ifndef OPENSL_ES_ANDROID_H_
#define OPENSL_ES_ANDROID_H_

#include "OpenSLES.h"
#include "OpenSLES_AndroidConfiguration.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef sl_int64_t SLAint64;
typedef sl_uint64_t SLAuint64;

/*---------------------------------------------------------------------------*/
/* Extended PCM data format                                                  */
/*---------------------------------------------------------------------------*/

#define SL_ANDROID_DATAFORMAT_PCM_EX ((SLuint32)0x4)

#define SL_ANDROID_PCM_REPRESENTATION_SIGNED_INT ((SLuint32)0x1)
#define SL_ANDROID_PCM_REPRESENTATION_UNSIGNED_INT ((SLuint32)0x2)
#define SL_ANDROID_PCM_REPRESENTATION_FLOAT ((SLuint32)0x3)

typedef struct SLAndroidDataFormat_PCM_EX_ {
    SLuint32 formatType;
    SLuint32 numChannels;
    SLuint32 sampleRate;
    SLuint32 bitsPerSample;
    SLuint32 containerSize;
    SLuint32 channelMask;
    SLuint32 endianness;
    SLuint32 representation;
} SLAndroidDataFormat_PCM_EX;

/* Channel masks: 0 lets the implementation choose the positional mask for the channel count;
 * an indexed mask names channels by number instead of by speaker. */
#define SL_ANDROID_SPEAKER_NON_POSITIONAL ((SLuint32)0x80000000)
#define SL_ANDROID_MAKE_INDEXED_CHANNEL_MASK(bitfield) \
    ((bitfield) | SL_ANDROID_SPEAKER_NON_POSITIONAL)
#define SL_ANDROID_SPEAKER_USE_DEFAULT ((SLuint32)0)
#define SL_ANDROID_SPEAKER_STEREO (SL_SPEAKER_FRONT_LEFT | SL_SPEAKER_FRONT_RIGHT)
#define SL_ANDROID_SPEAKER_QUAD \
    (SL_ANDROID_SPEAKER_STEREO | SL_SPEAKER_BACK_LEFT | SL_SPEAKER_BACK_RIGHT)
#define SL_ANDROID_SPEAKER_5DOT1 \
    (SL_ANDROID_SPEAKER_QUAD | SL_SPEAKER_FRONT_CENTER | SL_SPEAKER_LOW_FREQUENCY)
#define SL_ANDROID_SPEAKER_7DOT1 \
    (SL_ANDROID_SPEAKER_5DOT1 | SL_SPEAKER_SIDE_LEFT | SL_SPEAKER_SIDE_RIGHT)

/*---------------------------------------------------------------------------*/
/* Android simple buffer queue                                               */
/*---------------------------------------------------------------------------*/

#define SL_DATALOCATOR_ANDROIDSIMPLEBUFFERQUEUE ((SLuint32)0x800007BD)

typedef struct SLDataLocator_AndroidSimpleBufferQueue {
    SLuint32 locatorType;
    SLuint32 numBuffers;
} SLDataLocator_AndroidSimpleBufferQueue;

extern SL_API const SLInterfaceID SL_IID_ANDROIDSIMPLEBUFFERQUEUE;

struct SLAndroidSimpleBufferQueueItf_;
typedef const struct SLAndroidSimpleBufferQueueItf_ *const *SLAndroidSimpleBufferQueueItf;

typedef void(SLAPIENTRY *slAndroidSimpleBufferQueueCallback)(SLAndroidSimpleBufferQueueItf caller,
                                                             void *pContext);

typedef struct SLAndroidSimpleBufferQueueState_ {
    SLuint32 count;
    SLuint32 index;
} SLAndroidSimpleBufferQueueState;

struct SLAndroidSimpleBufferQueueItf_ {
    SLresult (*Enqueue)(SLAndroidSimpleBufferQueueItf self, const void *pBuffer, SLuint32 size);
    SLresult (*Clear)(SLAndroidSimpleBufferQueueItf self);
    SLresult (*GetState)(SLAndroidSimpleBufferQueueItf self,
                         SLAndroidSimpleBufferQueueState *pState);
    SLresult (*RegisterCallback)(SLAndroidSimpleBufferQueueItf self,
                                 slAndroidSimpleBufferQueueCallback callback, void *pContext);
};

/*---------------------------------------------------------------------------*/
/* Android configuration interface                                           */
/*---------------------------------------------------------------------------*/

extern SL_API const SLInterfaceID SL_IID_ANDROIDCONFIGURATION;

struct SLAndroidConfigurationItf_;
typedef const struct SLAndroidConfigurationItf_ *const *SLAndroidConfigurationItf;

struct SLAndroidConfigurationItf_ {
    SLresult (*SetConfiguration)(SLAndroidConfigurationItf self, const SLchar *configKey,
                                 const void *pConfigValue, SLuint32 valueSize);
    SLresult (*GetConfiguration)(SLAndroidConfigurationItf self, const SLchar *configKey,
                                 SLuint32 *pValueSize, void *pConfigValue);
};

#ifdef __cplusplus
}
#endif

#endif /* OPENSL_ES_ANDROID_H_ */
