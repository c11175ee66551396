// Action links: a component whose Action names an action takes the action's caption, hint,
// shortcut, check mark, enabled and visible state and image where it keeps its own default,
// as the framework's link does when a form is read.
#pragma once

#include "host/vcl/Classes.h"

namespace vcl {

// Applies the link of client's Action, if it names an action; reading a form calls it once
// the references are resolved, so what it gives is what the form shows, not an edit.
void ApplyActionLink(TComponent& client);

}  // namespace vcl
