/* Test control of the host OpenSL ES library: which back end new players and recorders use, a
 * manual clock that makes playback and capture deterministic, fault injection per operation and
 * object kind, and a view of the live objects. Host builds only; nothing here exists on a phone.
 *
 * Every function is thread-safe and may be called at any time. Settings are process-wide and stay
 * until changed: a test that changes them restores them (slhost_reset()) when it ends. */
#ifndef OPENSLES_HOST_TEST_CONTROL_H_
#define OPENSLES_HOST_TEST_CONTROL_H_

#include <SLES/OpenSLES.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds of object, to aim faults and queries. */
typedef enum slhost_kind {
    SLHOST_KIND_ANY = 0,
    SLHOST_KIND_ENGINE = 1,
    SLHOST_KIND_OUTPUT_MIX = 2,
    SLHOST_KIND_PLAYER = 3,
    SLHOST_KIND_RECORDER = 4
} slhost_kind;

/*---------------------------------------------------------------------------*/
/* Back ends and capture content                                             */
/*---------------------------------------------------------------------------*/

/* Back end of the players and recorders created from now on (objects keep the one they were
 * created with): "null" (real-time paced, playback discarded, capture from the capture source),
 * "wav" (real-time paced, playback written to a WAV file, capture read from one) or "manual"
 * (time moves only through slhost_manual_*). NULL restores the choice of the environment
 * variable ORV_OPENSLES_BACKEND (unset: "null"). Returns 0, or -1 for an unknown name (nothing
 * changes). */
SL_API int slhost_set_backend(const char *name);

/* What recorders of the null and manual back ends capture, for recorders realized from now on:
 * "silence" (zero bytes), "sine:<hertz>" (a sine at half of full scale, on every channel) or
 * "counter" (byte n of the recording, counted from 0 when the recorder is realized, is n & 0xFF,
 * whatever the sample format). NULL restores ORV_OPENSLES_CAPTURE (unset: "silence").
 * Returns 0, or -1 for a spec it cannot read (nothing changes). */
SL_API int slhost_set_capture_source(const char *spec);

/*---------------------------------------------------------------------------*/
/* Manual clock (objects of the "manual" back end)                           */
/*---------------------------------------------------------------------------*/

/* Lets `ms` milliseconds pass on the manual clock. Every manual player that is playing consumes,
 * and every manual recorder that is recording fills, that much audio from its queued buffers at
 * the rate of its format (a part of a buffer counts toward the position); each buffer that
 * becomes complete is reported by one callback on the object's own thread, in enqueue order.
 * Buffers enqueued by a callback are served from the time left. Time that finds the queue
 * empty, or the object paused or stopped, is lost, as on a sound card.
 * Returns once every callback it caused has returned; the result is how many callbacks ran.
 * Never call it while holding a lock that a callback takes: it would wait for that callback. */
SL_API unsigned slhost_manual_advance(SLuint32 ms);

/* As slhost_manual_advance, but returns at once; slhost_manual_wait_idle() waits for the end. */
SL_API void slhost_manual_advance_async(SLuint32 ms);

/* Completes the oldest queued buffer of `object` (a manual player that is playing or a manual
 * recorder that is recording) at once, whatever part of it was consumed, and runs its callback on
 * the object's thread. Returns 1 once that callback has returned, 0 when there was nothing to
 * complete (queue empty, or not playing or recording), -1 when `object` is not a live manual
 * player or recorder. */
SL_API int slhost_manual_complete_next(SLObjectItf object);

/* As slhost_manual_complete_next, but returns as soon as the buffer is completed, without
 * waiting for its callback (which may then block, for instance on the test's lock). */
SL_API int slhost_manual_complete_next_async(SLObjectItf object);

/* Waits until every manual object has used the time given to it and no callback caused by the
 * manual clock is running or due. */
SL_API void slhost_manual_wait_idle(void);

/*---------------------------------------------------------------------------*/
/* Fault injection                                                           */
/*---------------------------------------------------------------------------*/

/* Operations that can be made to fail. A failing call returns the chosen result and has no
 * other effect (a refused Enqueue queues nothing; a refused create gives no object). */
typedef enum slhost_op {
    SLHOST_OP_CREATE_ENGINE = 1,     /* slCreateEngine (kind: engine) */
    SLHOST_OP_REALIZE,               /* Object::Realize */
    SLHOST_OP_GET_INTERFACE,         /* Object::GetInterface */
    SLHOST_OP_CREATE_OUTPUT_MIX,     /* Engine::CreateOutputMix (kind: output mix) */
    SLHOST_OP_CREATE_AUDIO_PLAYER,   /* Engine::CreateAudioPlayer (kind: player) */
    SLHOST_OP_CREATE_AUDIO_RECORDER, /* Engine::CreateAudioRecorder (kind: recorder) */
    SLHOST_OP_REGISTER_CALLBACK,     /* BufferQueue::RegisterCallback */
    SLHOST_OP_ENQUEUE,               /* BufferQueue::Enqueue */
    SLHOST_OP_CLEAR,                 /* BufferQueue::Clear */
    SLHOST_OP_GET_STATE,             /* BufferQueue::GetState */
    SLHOST_OP_SET_STATE,             /* Play::SetPlayState, Record::SetRecordState */
    SLHOST_OP_GET_POSITION           /* Play::GetPosition, Record::GetPosition */
} slhost_op;

typedef struct slhost_fault {
    slhost_op op;
    slhost_kind kind; /* kind of object the call is made on, or creates; ANY for every kind */
    SLresult result;  /* returned instead of doing the work; never SL_RESULT_SUCCESS */
    SLuint32 state;   /* SLHOST_OP_SET_STATE only: the requested state it applies to (1 stopped,
                         2 paused, 3 playing or recording); 0 for every state */
    SLuint32 skip;    /* matching calls that still succeed before the first failure */
    SLint32 count;    /* matching calls that fail after those; negative: every one from then */
} slhost_fault;

/* Adds a fault rule. Rules are checked in the order added; a call is refused by the first rule
 * that matches and still has failures to give. Returns 0, or -1 for an invalid rule. */
SL_API int slhost_fault_add(const slhost_fault *fault);

/* Removes every fault rule, including those read from ORV_OPENSLES_FAULTS. */
SL_API void slhost_fault_clear(void);

/* How many calls the fault rules have refused since the last slhost_fault_clear(). */
SL_API unsigned slhost_fault_hits(void);

/*---------------------------------------------------------------------------*/
/* Live objects                                                              */
/*---------------------------------------------------------------------------*/

/* The most recently created object of `kind` that is not destroyed yet, or NULL. Lets a test
 * reach the player or recorder that the code under test created. */
SL_API SLObjectItf slhost_last_object(slhost_kind kind);

/* How many objects of `kind` exist (created and not destroyed). */
SL_API unsigned slhost_live_objects(slhost_kind kind);

typedef struct slhost_object_info {
    slhost_kind kind;
    SLuint32 objectState;     /* SL_OBJECT_STATE_* */
    SLuint32 state;           /* SL_PLAYSTATE_* or SL_RECORDSTATE_*; 0 for other kinds */
    SLuint32 queued;          /* buffers in the queue (not counting one whose callback runs) */
    SLuint32 callbackRunning; /* 1 while a buffer-queue callback of the object runs */
    SLuint64 completed;       /* buffers completed since creation */
    SLuint64 bytes;           /* bytes played or recorded since creation */
} slhost_object_info;

/* Fills `info` for a live object. Returns 0, or -1 when `object` is not a live object. */
SL_API int slhost_object_info_get(SLObjectItf object, slhost_object_info *info);

/*---------------------------------------------------------------------------*/
/* Dropped buffers                                                           */
/*---------------------------------------------------------------------------*/

/* Android leaves it open whether buffers dropped by Clear or by a stop are reported. Nonzero:
 * from now on, Clear and a change of a paused or playing (recording) object to stopped drop every
 * queued buffer and report each one by a callback on the object's thread after the call returns
 * (callbacks of completions not yet started are then kept too); a dropped buffer never counts as
 * completed. Zero (the default): Clear drops buffers and pending callbacks silently, and a stopped
 * object keeps its buffers. slhost_reset() turns it off. */
SL_API void slhost_report_dropped_buffers(int on);

/* Back to the environment's back end and capture source, no fault rules (not even those of
 * ORV_OPENSLES_FAULTS), no reports of dropped buffers, manual clock untouched. */
SL_API void slhost_reset(void);

#ifdef __cplusplus
}
#endif

#endif /* OPENSLES_HOST_TEST_CONTROL_H_ */
