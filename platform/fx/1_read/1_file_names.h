// Stage 1: file names as the effect's author wrote them (platform/fx
// internal). Effects come from a file system that ignores case:
// "#include "Common.fxh"" finds common.fxh there, and a ResourceName of
// "Textures\Rock.DDS" finds textures/rock.dds.
#pragma once

#include <string>

namespace fx {

// path itself when it names a file or folder; otherwise the path whose
// components match path's ignoring ASCII case, each looked up in the folder
// the previous one found (the first match in name order where several do);
// path itself again when no such file exists. Only a name not found as
// written costs more than one stat.
std::string FindIgnoringCase(const std::string& path);

}  // namespace fx
