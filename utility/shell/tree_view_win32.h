#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "utility/nodes/row.h"
#include "utility/shell/info_document.h"
#include "utility/shell/run_mode.h"
#include "utility/shell/tree_sink.h"

namespace qx {

// The category tree in the left pane. Owns the document whose items it shows; each item carries
// its node in its data.
class CTreeView : public TreeSink {
 public:
  CTreeView(HWND control, RunMode mode);
  virtual ~CTreeView();
  CTreeView(const CTreeView&) = delete;
  CTreeView& operator=(const CTreeView&) = delete;

  // Attaches the image list (bitmap 161) and builds the device tree.
  void Prepare(HINSTANCE instance);

  Item InsertItem(Item parent, const char* text, int image, CTreeNode* node) override;
  void DeleteItem(Item item) override;

  // The rows of the selected item in the run mode; none for a group or no selection.
  RowList SelectedRows() const;
  // Clears the selection and selects the first root again, which refreshes the list.
  void SelectFirstRoot();

  HWND Control() const { return control_; }
  InfoDocument& Document() { return *document_; }

 private:
  HWND control_;
  RunMode mode_;
  HIMAGELIST images_ = nullptr;
  std::unique_ptr<InfoDocument> document_;
};

// The image list of a pane's control: 16 by 16 images from a bitmap, magenta transparent. Null,
// after the message box, when it cannot be made.
HIMAGELIST LoadPaneImages(HINSTANCE instance, int bitmapId);

}  // namespace qx
