// The program's release and version, both from the build (CMake's project version), so the
// package, --version and the window always agree. Constants only: any thread.
#pragma once

namespace tarvel {

// Shown in the control panel and the about box: the release, "Tarvel 1.0".
constexpr const char* kReleaseLabel = "Tarvel " TARVEL_RELEASE;

// Printed by --version: the whole version, the one the package carries, "Tarvel 1.0.0".
constexpr const char* kVersionLabel = "Tarvel " TARVEL_VERSION;

}  // namespace tarvel
