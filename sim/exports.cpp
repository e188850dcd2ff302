// The exported entry points of the simulator library, hostapi_vmi.dll: each
// forwards to the simulator. Which names are exported is decided by the
// export table the build generates from the same list.
#include "sim/simulator.h"

#define SIM_EXPORT_ENTRY(name, params, args) \
    extern "C" int32_t name params { return sim::name args; }
DEVICE_LIBRARY_ENTRY_POINTS(SIM_EXPORT_ENTRY)
#undef SIM_EXPORT_ENTRY
