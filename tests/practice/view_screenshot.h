#pragma once
// The Qt view of what tavik sees over a snapshot of the live screen, written as a PNG, for the
// documentation: a practice test calls it when TAVIK_SCREENSHOTS names a folder.

#include <string>

#include "app/page_view.h"

namespace tavik::testing {

// The folder TAVIK_SCREENSHOTS names, or "" when it is not set.
std::string ScreenshotFolder();
// Draws `seen` in the view's window and writes it to `path`; false when it cannot.
bool SaveViewScreenshot(const SeenPage& seen, const std::string& path);

}  // namespace tavik::testing
