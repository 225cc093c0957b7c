// Builds the outline of a line list: the first key line becomes the single root item, later key
// lines nest beneath it by their level numbers, and the first later key line whose level number is
// below 2 ends the build.
#pragma once

#include "string_list.h"
#include "tree_nodes.h"

namespace qel {

// Replaces the items of nodes with the outline of lines and removes from lines the lines that
// became items; the rest stay in file order. A key line of a level number greater than 2 that
// comes before any level-2 item nests under the root item.
//
// On an error (EOutOfMemory, or "Unable to insert an item") the items added so far stay and the
// unconsumed lines stay in the list; the error passes on unchanged.
void BuildOutline(TStringList& lines, TTreeNodes& nodes);

} // namespace qel
