// Brings the host's installable options (trays, duplex unit, hard disk, finisher) in line
// with what the printer reports through the companion network library.
#pragma once

#include "host/host_abi.h"

namespace kv {

void UpdateInstallableOptions(POEMCUIPPARAM param, IPrintOemDriverUI* driver_ui);

}  // namespace kv
