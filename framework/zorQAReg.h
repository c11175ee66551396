// What the package tells the form designer when it is loaded.
#pragma once

namespace tavrin {

// Puts the QA component on the palette page "Tavrin", registers the nine property editors
// of its tool properties and its component editor. Registering twice adds nothing.
void Register();

}  // namespace tavrin
