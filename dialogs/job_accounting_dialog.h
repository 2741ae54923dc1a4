// Job Accounting: the user ID and password under which the printer accounts the jobs.
// Opened from the "Job Accounting" push button of the printer settings.
#pragma once

#include "host/host_abi.h"

namespace kv {

LONG APIENTRY JobAccountingPushed(PCPSUICBPARAM cb);

}  // namespace kv
