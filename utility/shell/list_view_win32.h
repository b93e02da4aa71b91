#pragma once

#include <windows.h>
#include <commctrl.h>

#include "utility/nodes/row.h"

namespace qx {

// The Item/Value list in the right pane.
class CListView {
 public:
  explicit CListView(HWND control) : control_(control) {}
  virtual ~CListView();
  CListView(const CListView&) = delete;
  CListView& operator=(const CListView&) = delete;

  // Attaches the image list (bitmap 162), full-row select and the columns "Item" and "Value".
  void Prepare(HINSTANCE instance);
  // Replaces the items with the rows, an empty value shown as "none".
  void Fill(const RowList& rows);
  // Sizes the "Value" column to its contents and header.
  void FitValueColumn();

  HWND Control() const { return control_; }

 private:
  HWND control_;
  HIMAGELIST images_ = nullptr;
};

}  // namespace qx
