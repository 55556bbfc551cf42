/* Android's configuration keys and values for OpenSL ES objects, set through
 * SLAndroidConfigurationItf (OpenSLES_Android.h) before the object is realized. */
#ifndef OPENSL_ES_ANDROIDCONFIGURATION_H_
#define OPENSL_ES_ANDROIDCONFIGURATION_H_

#ifdef __cplusplus
extern "C" {
#endif

/* Audio recorder: the recording preset (SLuint32). */
#define SL_ANDROID_KEY_RECORDING_PRESET ((const SLchar *)"androidRecordingPreset")

#define SL_ANDROID_RECORDING_PRESET_NONE ((SLuint32)0x00000000)
#define SL_ANDROID_RECORDING_PRESET_GENERIC ((SLuint32)0x00000001)
#define SL_ANDROID_RECORDING_PRESET_CAMCORDER ((SLuint32)0x00000002)
#define SL_ANDROID_RECORDING_PRESET_VOICE_RECOGNITION ((SLuint32)0x00000003)
#define SL_ANDROID_RECORDING_PRESET_VOICE_COMMUNICATION ((SLuint32)0x00000004)
#define SL_ANDROID_RECORDING_PRESET_UNPROCESSED ((SLuint32)0x00000005)

/* Audio player: the stream type (SLint32). */
#define SL_ANDROID_KEY_STREAM_TYPE ((const SLchar *)"androidPlaybackStreamType")

#define SL_ANDROID_STREAM_VOICE ((SLint32)0x00000000)
#define SL_ANDROID_STREAM_SYSTEM ((SLint32)0x00000001)
#define SL_ANDROID_STREAM_RING ((SLint32)0x00000002)
#define SL_ANDROID_STREAM_MEDIA ((SLint32)0x00000003)
#define SL_ANDROID_STREAM_ALARM ((SLint32)0x00000004)
#define SL_ANDROID_STREAM_NOTIFICATION ((SLint32)0x00000005)

/* Audio player and recorder: the performance mode (SLuint32). */
#define SL_ANDROID_KEY_PERFORMANCE_MODE ((const SLchar *)"androidPerformanceMode")

#define SL_ANDROID_PERFORMANCE_NONE ((SLuint32)0x00000000)
#define SL_ANDROID_PERFORMANCE_LATENCY ((SLuint32)0x00000001)
#define SL_ANDROID_PERFORMANCE_LATENCY_EFFECTS ((SLuint32)0x00000002)
#define SL_ANDROID_PERFORMANCE_POWER_SAVING ((SLuint32)0x00000003)

#ifdef __cplusplus
}
#endif

#endif /* OPENSL_ES_ANDROIDCONFIGURATION_H_ */
