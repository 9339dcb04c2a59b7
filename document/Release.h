#pragma once

namespace tarvel {

// Shown in the control panel and the about box.
constexpr const char* kReleaseLabel = "Tarvel 1.0";

}  // namespace tarvel
