// A model's driver INF read as Windows' printer class installer reads it, through the system's
// own INF parser: the model it lists for one architecture, its data file and the files its
// install section copies. The simulator installs from it, and the model checker compares it
// with the folder, so that what is shipped and what is tested cannot drift apart.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "emuhost/model_install.h"
#include "platform/handles.h"

namespace emuhost {

// An open INF; SetupOpenInfFileW answers INVALID_HANDLE_VALUE when it opens none.
struct InfTraits {
  using type = HINF;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type inf) noexcept { SetupCloseInfFile(inf); }
};
using unique_hinf = kv::unique_any<InfTraits>;

// The decorations of a [Manufacturer] entry's models sections.
inline constexpr wchar_t kInfAmd64[] = L"NTamd64";
inline constexpr wchar_t kInfX86[] = L"NTx86";
// The one this program runs as.
inline constexpr const wchar_t* kInfArchitecture = sizeof(void*) == 8 ? kInfAmd64 : kInfX86;

// The binaries the build makes, which a model's package carries under names of the model's
// own: the plug-in, which the model profile names to the driver as its configuration file
// ([OEMFiles] OEMConfigFile1), and its companion library, named from the plug-in's name less
// its last five characters ("I.DLL") with "N.DLL".
inline constexpr wchar_t kBuiltPlugin[] = L"kvpsui.dll";
inline constexpr wchar_t kBuiltCompanion[] = L"kvpsuN.dll";

// The plug-in the model profile names; empty when it names none.
std::wstring PluginOfProfile(const std::wstring& profile);
// The companion library of a plug-in's file name, as the plug-in finds it.
std::wstring CompanionOf(const std::wstring& plugin);
// The companion's settings file of a plug-in's file name: the companion's name with ".ini".
std::wstring CompanionSettingsOf(const std::wstring& plugin);

// A file the model's install section copies, and where it lies in the package: its name, or
// the folder its source disk names for the architecture and the name ("amd64\\X.DLL").
struct CopiedFile {
  std::wstring name;
  std::wstring from;
};

struct ModelInf {
  // source_dir (the INF's folder), data_file, files (every other file copied from the INF's
  // own folder) and paths (those copied from a disk's folder, by full path), which the class
  // installer makes the driver's dependent files, and driver_name (the model's description);
  // the printer name and port are left to the caller.
  ModelPackage package;
  std::vector<CopiedFile> copied;  // in the order the install section copies them
  std::wstring install_section;
  std::wstring error;  // empty when the INF gave a model
};

// Field `index` of an INF line with its strings substituted; empty when there is none.
std::wstring InfField(INFCONTEXT& line, DWORD index);

// The first model of the first manufacturer listed for `architecture` (kInfAmd64 or kInfX86).
ModelInf ReadModelInf(const std::wstring& path, const wchar_t* architecture);

}  // namespace emuhost
