#include "platform/proj_calls.h"

namespace velkaro {

// The libraries the program was built against (their names come from the
// build).
VELKARO_DEFINE_CALLS_LOADER(ProjCalls, LoadProj, "PROJ", VELKARO_PROJ_CALLS, VELKARO_PROJ_SONAME)

}  // namespace velkaro
