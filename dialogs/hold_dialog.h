// Print and Hold: how the printer treats the job, with the user ID, job name, passcode and
// print-at time that go with it. Opened from the "Hold" push button of the document settings.
#pragma once

#include "host/host_abi.h"

namespace kv {

LONG APIENTRY HoldPushed(PCPSUICBPARAM cb);

}  // namespace kv
