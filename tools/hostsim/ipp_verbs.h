// The simulator's scenarios of the companion's IPP side: its response decoder and the answers
// taken from the printer attributes, fuzzed.
#pragma once

namespace hostsim {

// fuzz-ipp N SEED: N Get-Printer-Attributes responses, whole and mangled, through the decoder
// and the answers; last line "fuzz-ipp: N runs, F faults". Run i of "fuzz-ipp N SEED" is run 0
// of "fuzz-ipp 1 SEED+i", so a failing run is replayed on its own.
int VerbFuzzIpp(unsigned long runs, unsigned long seed);

}  // namespace hostsim
