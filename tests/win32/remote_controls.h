#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// Reads the common controls of another process. Their messages carry pointers, which must point
// into the target's own memory: each read borrows a block there (VirtualAllocEx), lets the control
// fill it and copies it back. The driver and the target have the same bitness.
namespace qx::test {

class RemoteBlock {
 public:
  RemoteBlock(HWND window, std::size_t size);
  ~RemoteBlock();
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t size) const;
  bool Read(std::size_t offset, void* data, std::size_t size) const;

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

struct TreeEntry {
  HTREEITEM item = nullptr;
  std::string text;
  int image = -1;
  int selectedImage = -1;
  bool hasData = false;  // a node behind it
  int depth = 0;
};

// Every item of a tree view, depth first in display order.
std::vector<TreeEntry> ReadTree(HWND tree);

struct ListLine {
  std::string item;
  std::string value;
};

std::vector<ListLine> ReadList(HWND list);
std::vector<std::string> ReadListColumns(HWND list);

struct ToolbarButton {
  int image;
  int command;
  bool separator;
  bool enabled;
};

std::vector<ToolbarButton> ReadToolbar(HWND toolbar);

// The text a tooltip control shows for its current tool, empty when none.
std::string ReadTooltipText(HWND tooltip);

}  // namespace qx::test
