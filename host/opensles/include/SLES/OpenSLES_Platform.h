/* Platform settings for the OpenSL ES headers on Linux: the export attribute of the library's
 * symbols, the calling convention of the interface functions and the fixed-width base types. */
#ifndef OPENSLES_PLATFORM_H_
#define OPENSLES_PLATFORM_H_

#include <stdint.h>

#ifndef SL_API
#if defined(__GNUC__)
#define SL_API __attribute__((visibility("default")))
#else
#define SL_API
#endif
#endif

#ifndef SLAPIENTRY
#define SLAPIENTRY
#endif

typedef int8_t sl_int8_t;
typedef uint8_t sl_uint8_t;
typedef int16_t sl_int16_t;
typedef uint16_t sl_uint16_t;
typedef int32_t sl_int32_t;
typedef uint32_t sl_uint32_t;
typedef int64_t sl_int64_t;
typedef uint64_t sl_uint64_t;

#endif /* OPENSLES_PLATFORM_H_ */
