// A window's state as text, one tab-separated record per line, its controls in creation
// order:
//   window  CLASSNAME  CAPTION
//   outline NAME  ITEMCOUNT        then per item:  item  INDEX  LEVEL  TEXT  (LEVEL 0 = top)
//   grid    NAME  COLS  ROWS       then per row:   row  R  CELL0  CELL1 ...  then: widths W0 W1 ...
//   memo    NAME  LINECOUNT        then per line:  line  TEXT
//   edit    NAME  TEXT
//   check   NAME  0|1
//   combo   NAME  ITEMINDEX  ITEM0|ITEM1|...
//   button  NAME  CAPTION  VISIBLE(0|1)   (the caption as shown: see vcl::StripHotkey)
// Other components (labels, panels, dialogs) give no record. In texts a backslash, tab,
// line feed and carriage return are written \\, \t, \n and \r, so that every record stays
// on one line and a text reads back as a script's TEXT does.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "host/vcl/Forms.h"

namespace ui {

void DumpWindow(const vcl::TCustomForm& form, std::ostream& out);
std::string DumpText(const vcl::TCustomForm& form);
std::string EscapeText(std::string_view text);

}  // namespace ui
