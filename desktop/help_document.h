#pragma once

#include <string>

namespace kestrin::desktop {

// The help to open: "Kestrin.chm" in the program's folder when someone put one there,
// otherwise the user manual shipped with the program (beside the executable in a build
// tree, under share/doc once installed). Empty when there is none.
std::string HelpDocumentPath(const std::string& programFolder, const std::string& executablePath);

}  // namespace kestrin::desktop
