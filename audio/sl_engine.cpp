// The shared OpenSL ES engine and audio utilities (being built).
#include "sonora_log.h"
