// The simulator's scenarios of the companion network library: the SNMP decoder fuzzed.
#pragma once

namespace hostsim {

// fuzz-snmp N SEED: N responses, valid and mangled, through the companion's decoder.
int VerbFuzzSnmp(unsigned long runs, unsigned long seed);

}  // namespace hostsim
