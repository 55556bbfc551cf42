/* The host OpenSL ES library's ALSA back end (ORV_OPENSLES_BACKEND=alsa): what it reports to
 * tools and tests. Host builds only. */
#ifndef OPENSLES_HOST_ALSA_H_
#define OPENSLES_HOST_ALSA_H_

#include <SLES/OpenSLES.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when the library was built with the ALSA back end, else 0. */
SL_API int slhost_alsa_available(void);

/* Underruns (players) and overruns (recorders) that ALSA reported and the back end recovered
 * from, since the process started, counted over every player and recorder. */
SL_API SLuint32 slhost_alsa_xruns(void);

#ifdef __cplusplus
}
#endif

#endif /* OPENSLES_HOST_ALSA_H_ */
