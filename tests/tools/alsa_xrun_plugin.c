/* A test ALSA playback device (type orvxrun): it takes audio at once, a period per look at its
 * position, like a sound card that is never late, and reports one underrun once `xrun_after`
 * frames have played, so a test can check that the underrun is recovered and the audio goes
 * on. Loaded by alsa-lib from a `pcm_type.orvxrun { lib "<path of this module>" }` entry. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef struct {
    snd_pcm_ioplug_t io;
    snd_pcm_uframes_t written; /* since the last prepare */
    snd_pcm_uframes_t played;  /* since the last prepare */
    snd_pcm_uframes_t total;   /* since the device opened */
    long xrun_after;
    int xrun_done;
} orvxrun_t;

static int orvxrun_start(snd_pcm_ioplug_t *io) {
    (void)io;
    return 0;
}

static int orvxrun_stop(snd_pcm_ioplug_t *io) {
    (void)io;
    return 0;
}

static int orvxrun_prepare(snd_pcm_ioplug_t *io) {
    orvxrun_t *x = io->private_data;
    x->written = x->played = 0;
    return 0;
}

static snd_pcm_sframes_t orvxrun_pointer(snd_pcm_ioplug_t *io) {
    orvxrun_t *x = io->private_data;
    if (!x->xrun_done && x->xrun_after >= 0 && x->total >= (snd_pcm_uframes_t)x->xrun_after) {
        x->xrun_done = 1;
        return -EPIPE;
    }
    snd_pcm_uframes_t step = x->written - x->played;
    if (step > io->period_size)
        step = io->period_size;
    x->played += step;
    x->total += step;
    return (snd_pcm_sframes_t)(x->played % io->buffer_size);
}

static snd_pcm_sframes_t orvxrun_transfer(snd_pcm_ioplug_t *io, const snd_pcm_channel_area_t *areas,
                                          snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
    orvxrun_t *x = io->private_data;
    (void)areas;
    (void)offset;
    x->written += size;
    return (snd_pcm_sframes_t)size;
}

static int orvxrun_close(snd_pcm_ioplug_t *io) {
    orvxrun_t *x = io->private_data;
    close(io->poll_fd);
    free(x);
    return 0;
}

static const snd_pcm_ioplug_callback_t orvxrun_callbacks = {
    .start = orvxrun_start,
    .stop = orvxrun_stop,
    .pointer = orvxrun_pointer,
    .transfer = orvxrun_transfer,
    .close = orvxrun_close,
    .prepare = orvxrun_prepare,
};

static int orvxrun_constrain(snd_pcm_ioplug_t *io) {
    static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    static const unsigned int formats[] = {SND_PCM_FORMAT_S16_LE, SND_PCM_FORMAT_FLOAT_LE};
    int err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 2, formats);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 8);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, 8000, 192000);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64);
    return err;
}

SND_PCM_PLUGIN_DEFINE_FUNC(orvxrun) {
    long xrun_after = -1;
    snd_config_iterator_t i, next;
    (void)root;
    snd_config_for_each(i, next, conf) {
        snd_config_t *n = snd_config_iterator_entry(i);
        const char *id;
        if (snd_config_get_id(n, &id) < 0 || strcmp(id, "comment") == 0 ||
            strcmp(id, "type") == 0 || strcmp(id, "hint") == 0)
            continue;
        if (strcmp(id, "xrun_after") == 0 && snd_config_get_integer(n, &xrun_after) >= 0)
            continue;
        SNDERR("orvxrun: unknown field %s", id);
        return -EINVAL;
    }
    if (stream != SND_PCM_STREAM_PLAYBACK)
        return -EINVAL;
    orvxrun_t *x = calloc(1, sizeof *x);
    if (x == NULL)
        return -ENOMEM;
    x->xrun_after = xrun_after;
    x->io.version = SND_PCM_IOPLUG_VERSION;
    x->io.name = "orv underrun test device";
    x->io.callback = &orvxrun_callbacks;
    x->io.private_data = x;
    x->io.poll_fd = open("/dev/null", O_WRONLY | O_CLOEXEC); /* always writable */
    x->io.poll_events = POLLOUT;
    int err = x->io.poll_fd < 0 ? -errno : snd_pcm_ioplug_create(&x->io, name, stream, mode);
    if (err < 0) {
        if (x->io.poll_fd >= 0)
            close(x->io.poll_fd);
        free(x);
        return err;
    }
    err = orvxrun_constrain(&x->io);
    if (err < 0) {
        snd_pcm_ioplug_delete(&x->io);
        return err;
    }
    *pcmp = x->io.pcm;
    return 0;
}

SND_PCM_PLUGIN_SYMBOL(orvxrun);
