// What a driver package needs beyond the model's own files: the package-aware form on the
// PostScript core driver, signing and upgrade entries, names no other model's package shares,
// a PPD that names the model as the INF does, and binaries that carry the INF's version.
#pragma once

#include <string>
#include <vector>

#include "tools/kvcheck/model_check.h"

namespace kvcheck {

// The PostScript core driver's GUID, which a package-aware PostScript package depends on.
inline constexpr wchar_t kPostScriptCore[] = L"{D20EA372-DD35-4950-9ED8-A6335AFE79F1}";

struct PackageFacts {
  std::wstring folder;     // with a trailing backslash
  std::wstring inf_name;   // the INF's file name in the folder
  std::wstring data_file;  // the PPD's file name
  // Each architecture's models section decoration read ("NTamd64"), its install section and
  // model name, the names of the files the INF copies for it, and the binaries the package
  // holds for it (paths within the folder).
  struct Architecture {
    std::wstring decoration, install_section, model_name;
    std::vector<std::wstring> copied, binaries;
  };
  std::vector<Architecture> architectures;
};

std::vector<Finding> CheckPackage(const PackageFacts& facts);

}  // namespace kvcheck
