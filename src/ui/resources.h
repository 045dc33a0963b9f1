// The pictures of Korvane's windows (icon, logo, button pictures) are compiled into korvane_ui; a
// program that links it calls this once after creating its QApplication.
#pragma once

namespace korvane {

void initResources();

}  // namespace korvane
