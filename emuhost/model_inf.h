// A model's driver INF read as Windows' printer class installer reads it, through the system's
// own INF parser: the model it lists for one architecture, its data file and the files its
// install section copies. The simulator installs from it, and the model checker compares it
// with the folder, so that what is shipped and what is tested cannot drift apart.
#pragma once

#include <string>

#include "emuhost/model_install.h"

namespace emuhost {

// The decorations of a [Manufacturer] entry's models sections.
inline constexpr wchar_t kInfAmd64[] = L"NTamd64";
inline constexpr wchar_t kInfX86[] = L"NTx86";
// The one this program runs as.
inline constexpr const wchar_t* kInfArchitecture = sizeof(void*) == 8 ? kInfAmd64 : kInfX86;

// The binaries the build makes, which a model's INF copies with the model's files: the
// plug-in, which the model profile names to the driver as its configuration file, and its
// companion library.
inline constexpr wchar_t kPluginFile[] = L"kvpsui.dll";
inline constexpr wchar_t kCompanionFile[] = L"kvpsuN.dll";

struct ModelInf {
  // source_dir (the INF's folder), data_file, files (every other file copied, which the
  // class installer makes the driver's dependent files) and driver_name (the model's
  // description); the printer name and port are left to the caller.
  ModelPackage package;
  std::wstring install_section;
  std::wstring error;  // empty when the INF gave a model
};

// The first model of the first manufacturer listed for `architecture` (kInfAmd64 or kInfX86).
ModelInf ReadModelInf(const std::wstring& path, const wchar_t* architecture);

}  // namespace emuhost
