// Color Copies Setting: the document's copies split into colour and grayscale copies.
// Opened from the "Copies" push button of the document settings.
#pragma once

#include "host/host_abi.h"

namespace kv {

LONG APIENTRY CopiesPushed(PCPSUICBPARAM cb);

}  // namespace kv
