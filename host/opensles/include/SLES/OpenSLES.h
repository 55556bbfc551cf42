/* OpenSL ES 1.0.1: the types, constants and interfaces of the API that this host library
 * implements (engine, output mix, buffer-queue audio player and audio recorder), declared with
 * the standard names, values and signatures so that code written for any conforming
 * implementation compiles unchanged. Interfaces the library does not implement are not declared;
 * objects refuse them with SL_RESULT_FEATURE_UNSUPPORTED. */
#ifndef OPENSL_ES_H_
#define OPENSL_ES_H_

#ifdef __cplusplus
extern "C" {
#endif

#include "OpenSLES_Platform.h"

/*---------------------------------------------------------------------------*/
/* Base types                                                                */
/*---------------------------------------------------------------------------*/

typedef sl_int8_t SLint8;
typedef sl_uint8_t SLuint8;
typedef sl_int16_t SLint16;
typedef sl_uint16_t SLuint16;
typedef sl_int32_t SLint32;
typedef sl_uint32_t SLuint32;
typedef sl_int64_t SLint64;
typedef sl_uint64_t SLuint64;

typedef SLuint32 SLboolean;
#define SL_BOOLEAN_FALSE ((SLboolean)0x00000000)
#define SL_BOOLEAN_TRUE ((SLboolean)0x00000001)

typedef SLuint8 SLchar;
typedef SLint16 SLmillibel;
typedef SLuint32 SLmillisecond;
typedef SLuint32 SLmilliHertz;
typedef SLint32 SLmillimeter;
typedef SLint32 SLmillidegree;
typedef SLint16 SLpermille;
typedef SLuint32 SLmicrosecond;
typedef SLuint32 SLresult;

#define SL_MILLIBEL_MAX ((SLmillibel)0x7FFF)
#define SL_MILLIBEL_MIN ((SLmillibel)(-SL_MILLIBEL_MAX - 1))
#define SL_MILLIHERTZ_MAX ((SLmilliHertz)0xFFFFFFFF)
#define SL_MILLIMETER_MAX ((SLmillimeter)0x7FFFFFFF)

/*---------------------------------------------------------------------------*/
/* Interface identifiers                                                     */
/*---------------------------------------------------------------------------*/

struct SLInterfaceID_ {
    SLuint32 time_low;
    SLuint16 time_mid;
    SLuint16 time_hi_and_version;
    SLuint16 clock_seq;
    SLuint8 node[6];
};
typedef const struct SLInterfaceID_ *SLInterfaceID;

extern SL_API const SLInterfaceID SL_IID_NULL;

/*---------------------------------------------------------------------------*/
/* Results                                                                   */
/*---------------------------------------------------------------------------*/

#define SL_RESULT_SUCCESS ((SLuint32)0x00000000)
#define SL_RESULT_PRECONDITIONS_VIOLATED ((SLuint32)0x00000001)
#define SL_RESULT_PARAMETER_INVALID ((SLuint32)0x00000002)
#define SL_RESULT_MEMORY_FAILURE ((SLuint32)0x00000003)
#define SL_RESULT_RESOURCE_ERROR ((SLuint32)0x00000004)
#define SL_RESULT_RESOURCE_LOST ((SLuint32)0x00000005)
#define SL_RESULT_IO_ERROR ((SLuint32)0x00000006)
#define SL_RESULT_BUFFER_INSUFFICIENT ((SLuint32)0x00000007)
#define SL_RESULT_CONTENT_CORRUPTED ((SLuint32)0x00000008)
#define SL_RESULT_CONTENT_UNSUPPORTED ((SLuint32)0x00000009)
#define SL_RESULT_CONTENT_NOT_FOUND ((SLuint32)0x0000000A)
#define SL_RESULT_PERMISSION_DENIED ((SLuint32)0x0000000B)
#define SL_RESULT_FEATURE_UNSUPPORTED ((SLuint32)0x0000000C)
#define SL_RESULT_INTERNAL_ERROR ((SLuint32)0x0000000D)
#define SL_RESULT_UNKNOWN_ERROR ((SLuint32)0x0000000E)
#define SL_RESULT_OPERATION_ABORTED ((SLuint32)0x0000000F)
#define SL_RESULT_CONTROL_LOST ((SLuint32)0x00000010)

/*---------------------------------------------------------------------------*/
/* Object identifiers, states and events                                     */
/*---------------------------------------------------------------------------*/

#define SL_OBJECTID_ENGINE ((SLuint32)0x00001001)
#define SL_OBJECTID_LEDDEVICE ((SLuint32)0x00001002)
#define SL_OBJECTID_VIBRADEVICE ((SLuint32)0x00001003)
#define SL_OBJECTID_AUDIOPLAYER ((SLuint32)0x00001004)
#define SL_OBJECTID_AUDIORECORDER ((SLuint32)0x00001005)
#define SL_OBJECTID_MIDIPLAYER ((SLuint32)0x00001006)
#define SL_OBJECTID_LISTENER ((SLuint32)0x00001007)
#define SL_OBJECTID_3DGROUP ((SLuint32)0x00001008)
#define SL_OBJECTID_OUTPUTMIX ((SLuint32)0x00001009)
#define SL_OBJECTID_METADATAEXTRACTOR ((SLuint32)0x0000100A)

#define SL_OBJECT_STATE_UNREALIZED ((SLuint32)0x00000001)
#define SL_OBJECT_STATE_REALIZED ((SLuint32)0x00000002)
#define SL_OBJECT_STATE_SUSPENDED ((SLuint32)0x00000003)

#define SL_OBJECT_EVENT_RUNTIME_ERROR ((SLuint32)0x00000001)
#define SL_OBJECT_EVENT_ASYNC_TERMINATION ((SLuint32)0x00000002)
#define SL_OBJECT_EVENT_RESOURCES_LOST ((SLuint32)0x00000003)
#define SL_OBJECT_EVENT_RESOURCES_AVAILABLE ((SLuint32)0x00000004)
#define SL_OBJECT_EVENT_ITF_CONTROL_TAKEN ((SLuint32)0x00000005)
#define SL_OBJECT_EVENT_ITF_CONTROL_RETURNED ((SLuint32)0x00000006)
#define SL_OBJECT_EVENT_ITF_PARAMETERS_CHANGED ((SLuint32)0x00000007)

#define SL_PRIORITY_LOWEST ((SLint32)(-0x7FFFFFFF - 1))
#define SL_PRIORITY_VERYLOW ((SLint32)-0x60000000)
#define SL_PRIORITY_LOW ((SLint32)-0x40000000)
#define SL_PRIORITY_BELOWNORMAL ((SLint32)-0x20000000)
#define SL_PRIORITY_NORMAL ((SLint32)0x00000000)
#define SL_PRIORITY_ABOVENORMAL ((SLint32)0x20000000)
#define SL_PRIORITY_HIGH ((SLint32)0x40000000)
#define SL_PRIORITY_VERYHIGH ((SLint32)0x60000000)
#define SL_PRIORITY_HIGHEST ((SLint32)0x7FFFFFFF)

/*---------------------------------------------------------------------------*/
/* Data sources and sinks                                                    */
/*---------------------------------------------------------------------------*/

#define SL_DATALOCATOR_URI ((SLuint32)0x00000001)
#define SL_DATALOCATOR_ADDRESS ((SLuint32)0x00000002)
#define SL_DATALOCATOR_IODEVICE ((SLuint32)0x00000003)
#define SL_DATALOCATOR_OUTPUTMIX ((SLuint32)0x00000004)
#define SL_DATALOCATOR_RESERVED5 ((SLuint32)0x00000005)
#define SL_DATALOCATOR_BUFFERQUEUE ((SLuint32)0x00000006)
#define SL_DATALOCATOR_MIDIBUFFERQUEUE ((SLuint32)0x00000007)
#define SL_DATALOCATOR_RESERVED8 ((SLuint32)0x00000008)

#define SL_IODEVICE_AUDIOINPUT ((SLuint32)0x00000001)
#define SL_IODEVICE_LEDARRAY ((SLuint32)0x00000002)
#define SL_IODEVICE_VIBRA ((SLuint32)0x00000003)
#define SL_IODEVICE_RESERVED4 ((SLuint32)0x00000004)
#define SL_IODEVICE_RESERVED5 ((SLuint32)0x00000005)

#define SL_DEFAULTDEVICEID_AUDIOINPUT ((SLuint32)0xFFFFFFFF)
#define SL_DEFAULTDEVICEID_AUDIOOUTPUT ((SLuint32)0xFFFFFFFE)
#define SL_DEFAULTDEVICEID_LED ((SLuint32)0xFFFFFFFD)
#define SL_DEFAULTDEVICEID_VIBRA ((SLuint32)0xFFFFFFFC)

typedef struct SLDataLocator_URI_ {
    SLuint32 locatorType;
    SLchar *URI;
} SLDataLocator_URI;

typedef struct SLDataLocator_Address_ {
    SLuint32 locatorType;
    void *pAddress;
    SLuint32 length;
} SLDataLocator_Address;

typedef struct SLDataLocator_BufferQueue {
    SLuint32 locatorType;
    SLuint32 numBuffers;
} SLDataLocator_BufferQueue;

typedef struct SLDataLocator_MIDIBufferQueue {
    SLuint32 locatorType;
    SLuint32 tpqn;
    SLuint32 numBuffers;
} SLDataLocator_MIDIBufferQueue;

#define SL_DATAFORMAT_MIME ((SLuint32)0x00000001)
#define SL_DATAFORMAT_PCM ((SLuint32)0x00000002)
#define SL_DATAFORMAT_RESERVED3 ((SLuint32)0x00000003)

typedef struct SLDataFormat_MIME_ {
    SLuint32 formatType;
    SLchar *mimeType;
    SLuint32 containerType;
} SLDataFormat_MIME;

#define SL_CONTAINERTYPE_UNSPECIFIED ((SLuint32)0x00000001)
#define SL_CONTAINERTYPE_RAW ((SLuint32)0x00000002)
#define SL_CONTAINERTYPE_WAV ((SLuint32)0x00000014)

#define SL_BYTEORDER_BIGENDIAN ((SLuint32)0x00000001)
#define SL_BYTEORDER_LITTLEENDIAN ((SLuint32)0x00000002)

#define SL_SAMPLINGRATE_8 ((SLuint32)8000000)
#define SL_SAMPLINGRATE_11_025 ((SLuint32)11025000)
#define SL_SAMPLINGRATE_12 ((SLuint32)12000000)
#define SL_SAMPLINGRATE_16 ((SLuint32)16000000)
#define SL_SAMPLINGRATE_22_05 ((SLuint32)22050000)
#define SL_SAMPLINGRATE_24 ((SLuint32)24000000)
#define SL_SAMPLINGRATE_32 ((SLuint32)32000000)
#define SL_SAMPLINGRATE_44_1 ((SLuint32)44100000)
#define SL_SAMPLINGRATE_48 ((SLuint32)48000000)
#define SL_SAMPLINGRATE_64 ((SLuint32)64000000)
#define SL_SAMPLINGRATE_88_2 ((SLuint32)88200000)
#define SL_SAMPLINGRATE_96 ((SLuint32)96000000)
#define SL_SAMPLINGRATE_192 ((SLuint32)192000000)

#define SL_SPEAKER_FRONT_LEFT ((SLuint32)0x00000001)
#define SL_SPEAKER_FRONT_RIGHT ((SLuint32)0x00000002)
#define SL_SPEAKER_FRONT_CENTER ((SLuint32)0x00000004)
#define SL_SPEAKER_LOW_FREQUENCY ((SLuint32)0x00000008)
#define SL_SPEAKER_BACK_LEFT ((SLuint32)0x00000010)
#define SL_SPEAKER_BACK_RIGHT ((SLuint32)0x00000020)
#define SL_SPEAKER_FRONT_LEFT_OF_CENTER ((SLuint32)0x00000040)
#define SL_SPEAKER_FRONT_RIGHT_OF_CENTER ((SLuint32)0x00000080)
#define SL_SPEAKER_BACK_CENTER ((SLuint32)0x00000100)
#define SL_SPEAKER_SIDE_LEFT ((SLuint32)0x00000200)
#define SL_SPEAKER_SIDE_RIGHT ((SLuint32)0x00000400)
#define SL_SPEAKER_TOP_CENTER ((SLuint32)0x00000800)
#define SL_SPEAKER_TOP_FRONT_LEFT ((SLuint32)0x00001000)
#define SL_SPEAKER_TOP_FRONT_CENTER ((SLuint32)0x00002000)
#define SL_SPEAKER_TOP_FRONT_RIGHT ((SLuint32)0x00004000)
#define SL_SPEAKER_TOP_BACK_LEFT ((SLuint32)0x00008000)
#define SL_SPEAKER_TOP_BACK_CENTER ((SLuint32)0x00010000)
#define SL_SPEAKER_TOP_BACK_RIGHT ((SLuint32)0x00020000)

#define SL_PCMSAMPLEFORMAT_FIXED_8 ((SLuint16)0x0008)
#define SL_PCMSAMPLEFORMAT_FIXED_16 ((SLuint16)0x0010)
#define SL_PCMSAMPLEFORMAT_FIXED_20 ((SLuint16)0x0014)
#define SL_PCMSAMPLEFORMAT_FIXED_24 ((SLuint16)0x0018)
#define SL_PCMSAMPLEFORMAT_FIXED_28 ((SLuint16)0x001C)
#define SL_PCMSAMPLEFORMAT_FIXED_32 ((SLuint16)0x0020)

typedef struct SLDataFormat_PCM_ {
    SLuint32 formatType;
    SLuint32 numChannels;
    SLuint32 samplesPerSec;
    SLuint32 bitsPerSample;
    SLuint32 containerSize;
    SLuint32 channelMask;
    SLuint32 endianness;
} SLDataFormat_PCM;

typedef struct SLDataSource_ {
    void *pLocator;
    void *pFormat;
} SLDataSource;

typedef struct SLDataSink_ {
    void *pLocator;
    void *pFormat;
} SLDataSink;

/*---------------------------------------------------------------------------*/
/* Object interface                                                          */
/*---------------------------------------------------------------------------*/

extern SL_API const SLInterfaceID SL_IID_OBJECT;

struct SLObjectItf_;
typedef const struct SLObjectItf_ *const *SLObjectItf;

typedef void(SLAPIENTRY *slObjectCallback)(SLObjectItf caller, const void *pContext, SLuint32 event,
                                           SLresult result, SLuint32 param, void *pInterface);

struct SLObjectItf_ {
    SLresult (*Realize)(SLObjectItf self, SLboolean async);
    SLresult (*Resume)(SLObjectItf self, SLboolean async);
    SLresult (*GetState)(SLObjectItf self, SLuint32 *pState);
    SLresult (*GetInterface)(SLObjectItf self, const SLInterfaceID iid, void *pInterface);
    SLresult (*RegisterCallback)(SLObjectItf self, slObjectCallback callback, void *pContext);
    void (*AbortAsyncOperation)(SLObjectItf self);
    void (*Destroy)(SLObjectItf self);
    SLresult (*SetPriority)(SLObjectItf self, SLint32 priority, SLboolean preemptable);
    SLresult (*GetPriority)(SLObjectItf self, SLint32 *pPriority, SLboolean *pPreemptable);
    SLresult (*SetLossOfControlInterfaces)(SLObjectItf self, SLint16 numInterfaces,
                                           SLInterfaceID *pInterfaceIDs, SLboolean enabled);
};

/*---------------------------------------------------------------------------*/
/* I/O device data locator and output mix locator                            */
/*---------------------------------------------------------------------------*/

typedef struct SLDataLocator_IODevice_ {
    SLuint32 locatorType;
    SLuint32 deviceType;
    SLuint32 deviceID;
    SLObjectItf device;
} SLDataLocator_IODevice;

typedef struct SLDataLocator_OutputMix {
    SLuint32 locatorType;
    SLObjectItf outputMix;
} SLDataLocator_OutputMix;

/*---------------------------------------------------------------------------*/
/* Play interface                                                            */
/*---------------------------------------------------------------------------*/

#define SL_PLAYSTATE_STOPPED ((SLuint32)0x00000001)
#define SL_PLAYSTATE_PAUSED ((SLuint32)0x00000002)
#define SL_PLAYSTATE_PLAYING ((SLuint32)0x00000003)

#define SL_PLAYEVENT_HEADATEND ((SLuint32)0x00000001)
#define SL_PLAYEVENT_HEADATMARKER ((SLuint32)0x00000002)
#define SL_PLAYEVENT_HEADATNEWPOS ((SLuint32)0x00000004)
#define SL_PLAYEVENT_HEADMOVING ((SLuint32)0x00000008)
#define SL_PLAYEVENT_HEADSTALLED ((SLuint32)0x00000010)

#define SL_TIME_UNKNOWN ((SLuint32)0xFFFFFFFF)

extern SL_API const SLInterfaceID SL_IID_PLAY;

struct SLPlayItf_;
typedef const struct SLPlayItf_ *const *SLPlayItf;

typedef void(SLAPIENTRY *slPlayCallback)(SLPlayItf caller, void *pContext, SLuint32 event);

struct SLPlayItf_ {
    SLresult (*SetPlayState)(SLPlayItf self, SLuint32 state);
    SLresult (*GetPlayState)(SLPlayItf self, SLuint32 *pState);
    SLresult (*GetDuration)(SLPlayItf self, SLmillisecond *pMsec);
    SLresult (*GetPosition)(SLPlayItf self, SLmillisecond *pMsec);
    SLresult (*RegisterCallback)(SLPlayItf self, slPlayCallback callback, void *pContext);
    SLresult (*SetCallbackEventsMask)(SLPlayItf self, SLuint32 eventFlags);
    SLresult (*GetCallbackEventsMask)(SLPlayItf self, SLuint32 *pEventFlags);
    SLresult (*SetMarkerPosition)(SLPlayItf self, SLmillisecond mSec);
    SLresult (*ClearMarkerPosition)(SLPlayItf self);
    SLresult (*GetMarkerPosition)(SLPlayItf self, SLmillisecond *pMsec);
    SLresult (*SetPositionUpdatePeriod)(SLPlayItf self, SLmillisecond mSec);
    SLresult (*GetPositionUpdatePeriod)(SLPlayItf self, SLmillisecond *pMsec);
};

/*---------------------------------------------------------------------------*/
/* Buffer queue interface                                                    */
/*---------------------------------------------------------------------------*/

extern SL_API const SLInterfaceID SL_IID_BUFFERQUEUE;

struct SLBufferQueueItf_;
typedef const struct SLBufferQueueItf_ *const *SLBufferQueueItf;

typedef void(SLAPIENTRY *slBufferQueueCallback)(SLBufferQueueItf caller, void *pContext);

typedef struct SLBufferQueueState_ {
    SLuint32 count;
    SLuint32 playIndex;
} SLBufferQueueState;

struct SLBufferQueueItf_ {
    SLresult (*Enqueue)(SLBufferQueueItf self, const void *pBuffer, SLuint32 size);
    SLresult (*Clear)(SLBufferQueueItf self);
    SLresult (*GetState)(SLBufferQueueItf self, SLBufferQueueState *pState);
    SLresult (*RegisterCallback)(SLBufferQueueItf self, slBufferQueueCallback callback,
                                 void *pContext);
};

/*---------------------------------------------------------------------------*/
/* Record interface                                                          */
/*---------------------------------------------------------------------------*/

#define SL_RECORDSTATE_STOPPED ((SLuint32)0x00000001)
#define SL_RECORDSTATE_PAUSED ((SLuint32)0x00000002)
#define SL_RECORDSTATE_RECORDING ((SLuint32)0x00000003)

#define SL_RECORDEVENT_HEADATLIMIT ((SLuint32)0x00000001)
#define SL_RECORDEVENT_HEADATMARKER ((SLuint32)0x00000002)
#define SL_RECORDEVENT_HEADATNEWPOS ((SLuint32)0x00000004)
#define SL_RECORDEVENT_HEADMOVING ((SLuint32)0x00000008)
#define SL_RECORDEVENT_HEADSTALLED ((SLuint32)0x00000010)
#define SL_RECORDEVENT_BUFFER_FULL ((SLuint32)0x00000020)

extern SL_API const SLInterfaceID SL_IID_RECORD;

struct SLRecordItf_;
typedef const struct SLRecordItf_ *const *SLRecordItf;

typedef void(SLAPIENTRY *slRecordCallback)(SLRecordItf caller, void *pContext, SLuint32 event);

struct SLRecordItf_ {
    SLresult (*SetRecordState)(SLRecordItf self, SLuint32 state);
    SLresult (*GetRecordState)(SLRecordItf self, SLuint32 *pState);
    SLresult (*SetDurationLimit)(SLRecordItf self, SLmillisecond msec);
    SLresult (*GetPosition)(SLRecordItf self, SLmillisecond *pMsec);
    SLresult (*RegisterCallback)(SLRecordItf self, slRecordCallback callback, void *pContext);
    SLresult (*SetCallbackEventsMask)(SLRecordItf self, SLuint32 eventFlags);
    SLresult (*GetCallbackEventsMask)(SLRecordItf self, SLuint32 *pEventFlags);
    SLresult (*SetMarkerPosition)(SLRecordItf self, SLmillisecond mSec);
    SLresult (*ClearMarkerPosition)(SLRecordItf self);
    SLresult (*GetMarkerPosition)(SLRecordItf self, SLmillisecond *pMsec);
    SLresult (*SetPositionUpdatePeriod)(SLRecordItf self, SLmillisecond mSec);
    SLresult (*GetPositionUpdatePeriod)(SLRecordItf self, SLmillisecond *pMsec);
};

/*---------------------------------------------------------------------------*/
/*---------------------------------------------------------------------------*/
/* Engine                                                                    */
/*---------------------------------------------------------------------------*/

#define SL_ENGINEOPTION_THREADSAFE ((SLuint32)0x00000001)
#define SL_ENGINEOPTION_LOSSOFCONTROL ((SLuint32)0x00000002)

typedef struct SLEngineOption_ {
    SLuint32 feature;
    SLuint32 data;
} SLEngineOption;

extern SL_API const SLInterfaceID SL_IID_ENGINE;

struct SLEngineItf_;
typedef const struct SLEngineItf_ *const *SLEngineItf;

struct SLEngineItf_ {
    SLresult (*CreateLEDDevice)(SLEngineItf self, SLObjectItf *pDevice, SLuint32 deviceID,
                                SLuint32 numInterfaces, const SLInterfaceID *pInterfaceIds,
                                const SLboolean *pInterfaceRequired);
    SLresult (*CreateVibraDevice)(SLEngineItf self, SLObjectItf *pDevice, SLuint32 deviceID,
                                  SLuint32 numInterfaces, const SLInterfaceID *pInterfaceIds,
                                  const SLboolean *pInterfaceRequired);
    SLresult (*CreateAudioPlayer)(SLEngineItf self, SLObjectItf *pPlayer, SLDataSource *pAudioSrc,
                                  SLDataSink *pAudioSnk, SLuint32 numInterfaces,
                                  const SLInterfaceID *pInterfaceIds,
                                  const SLboolean *pInterfaceRequired);
    SLresult (*CreateAudioRecorder)(SLEngineItf self, SLObjectItf *pRecorder,
                                    SLDataSource *pAudioSrc, SLDataSink *pAudioSnk,
                                    SLuint32 numInterfaces, const SLInterfaceID *pInterfaceIds,
                                    const SLboolean *pInterfaceRequired);
    SLresult (*CreateMidiPlayer)(SLEngineItf self, SLObjectItf *pPlayer, SLDataSource *pMIDISrc,
                                 SLDataSource *pBankSrc, SLDataSink *pAudioOutput,
                                 SLDataSink *pVibra, SLDataSink *pLEDArray, SLuint32 numInterfaces,
                                 const SLInterfaceID *pInterfaceIds,
                                 const SLboolean *pInterfaceRequired);
    SLresult (*CreateListener)(SLEngineItf self, SLObjectItf *pListener, SLuint32 numInterfaces,
                               const SLInterfaceID *pInterfaceIds,
                               const SLboolean *pInterfaceRequired);
    SLresult (*Create3DGroup)(SLEngineItf self, SLObjectItf *pGroup, SLuint32 numInterfaces,
                              const SLInterfaceID *pInterfaceIds,
                              const SLboolean *pInterfaceRequired);
    SLresult (*CreateOutputMix)(SLEngineItf self, SLObjectItf *pMix, SLuint32 numInterfaces,
                                const SLInterfaceID *pInterfaceIds,
                                const SLboolean *pInterfaceRequired);
    SLresult (*CreateMetadataExtractor)(SLEngineItf self, SLObjectItf *pMetadataExtractor,
                                        SLDataSource *pDataSource, SLuint32 numInterfaces,
                                        const SLInterfaceID *pInterfaceIds,
                                        const SLboolean *pInterfaceRequired);
    SLresult (*CreateExtensionObject)(SLEngineItf self, SLObjectItf *pObject, void *pParameters,
                                      SLuint32 objectID, SLuint32 numInterfaces,
                                      const SLInterfaceID *pInterfaceIds,
                                      const SLboolean *pInterfaceRequired);
    SLresult (*QueryNumSupportedInterfaces)(SLEngineItf self, SLuint32 objectID,
                                            SLuint32 *pNumSupportedInterfaces);
    SLresult (*QuerySupportedInterfaces)(SLEngineItf self, SLuint32 objectID, SLuint32 index,
                                         SLInterfaceID *pInterfaceId);
    SLresult (*QueryNumSupportedExtensions)(SLEngineItf self, SLuint32 *pNumExtensions);
    SLresult (*QuerySupportedExtension)(SLEngineItf self, SLuint32 index, SLchar *pExtensionName,
                                        SLint16 *pNameLength);
    SLresult (*IsExtensionSupported)(SLEngineItf self, const SLchar *pExtensionName,
                                     SLboolean *pSupported);
};

/*---------------------------------------------------------------------------*/
/* Global entry points                                                       */
/*---------------------------------------------------------------------------*/

/* Creates an engine object (unrealized). Several engines may exist at once in this library. */
SL_API SLresult SLAPIENTRY slCreateEngine(SLObjectItf *pEngine, SLuint32 numOptions,
                                          const SLEngineOption *pEngineOptions,
                                          SLuint32 numInterfaces,
                                          const SLInterfaceID *pInterfaceIds,
                                          const SLboolean *pInterfaceRequired);

SL_API SLresult SLAPIENTRY slQueryNumSupportedEngineInterfaces(SLuint32 *pNumSupportedInterfaces);

SL_API SLresult SLAPIENTRY slQuerySupportedEngineInterfaces(SLuint32 index,
                                                            SLInterfaceID *pInterfaceId);

#ifdef __cplusplus
}
#endif

#endif /* OPENSL_ES_H_ */
