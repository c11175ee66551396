// Binds the C++ classes of the windows and controls to their catalogue classes, so that a
// designed form (and any form file) creates them. Call once before reading a window.
#pragma once

namespace vcl {

void RegisterControlClasses();

}  // namespace vcl
