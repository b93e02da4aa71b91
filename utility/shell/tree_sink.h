#pragma once

namespace qx {

class CTreeNode;

// Where the document puts its tree items: the tree view of the main window, or nothing in batch
// mode. Each item carries its node (null for the two groups).
class TreeSink {
 public:
  using Item = void*;

  virtual ~TreeSink() = default;
  // Appends an item as the last child of `parent` (null: a new root); returns its handle.
  virtual Item InsertItem(Item parent, const char* text, int image, CTreeNode* node) = 0;
  // Deletes an item with all its children.
  virtual void DeleteItem(Item item) = 0;
};

}  // namespace qx
