#pragma once

namespace qx {

// The text of a string of the utility's string table as compiled into the program, or null for
// an id the table does not have. Windows code loads the same strings from the resource instead.
const char* UtilityStringText(int id);

}  // namespace qx
