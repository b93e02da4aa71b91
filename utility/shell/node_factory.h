#pragma once

#include <memory>

#include "utility/nodes/tree_node.h"
#include "utility/shell/node_class.h"

namespace qx {

// A new node of the class, sending through the port index `port` points at (null for a node that
// is only filled from a setting file); null for kNone and values outside the enumeration.
std::unique_ptr<CTreeNode> CreateNode(NodeClass node, const int* port);

}  // namespace qx
