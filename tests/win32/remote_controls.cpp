#include "tests/win32/remote_controls.h"

namespace qx::test {

RemoteBlock::RemoteBlock(HWND window, std::size_t size) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
  if (process_ != nullptr) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBlock::~RemoteBlock() {
  if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  if (process_ != nullptr) CloseHandle(process_);
}

bool RemoteBlock::Write(std::size_t offset, const void* data, std::size_t size) const {
  SIZE_T done = 0;
  return WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

bool RemoteBlock::Read(std::size_t offset, void* data, std::size_t size) const {
  SIZE_T done = 0;
  return ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

namespace {

constexpr std::size_t kTextOffset = 512;
constexpr std::size_t kTextSize = 1024;

void CollectTree(HWND tree, const RemoteBlock& block, HTREEITEM item, int depth, std::vector<TreeEntry>& out) {
  for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    TVITEMA query{};
    query.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    query.hItem = item;
    query.pszText = block.at(kTextOffset);
    query.cchTextMax = static_cast<int>(kTextSize);
    TreeEntry entry;
    entry.item = item;
    entry.depth = depth;
    char text[kTextSize] = "";
    if (block.Write(0, &query, sizeof query) &&
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.at(0))) && block.Read(0, &query, sizeof query) &&
        block.Read(kTextOffset, text, sizeof text)) {
      text[kTextSize - 1] = '\0';
      entry.text = text;
      entry.image = query.iImage;
      entry.selectedImage = query.iSelectedImage;
      entry.hasData = query.lParam != 0;
    }
    out.push_back(entry);
    CollectTree(tree, block, TreeView_GetChild(tree, item), depth + 1, out);
  }
}

std::string ListText(HWND list, const RemoteBlock& block, int index, int subItem) {
  LVITEMA query{};
  query.iSubItem = subItem;
  query.pszText = block.at(kTextOffset);
  query.cchTextMax = static_cast<int>(kTextSize);
  char text[kTextSize] = "";
  if (!block.Write(0, &query, sizeof query)) return {};
  SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(block.at(0)));
  if (!block.Read(kTextOffset, text, sizeof text)) return {};
  text[kTextSize - 1] = '\0';
  return text;
}

}  // namespace

std::vector<TreeEntry> ReadTree(HWND tree) {
  std::vector<TreeEntry> out;
  RemoteBlock block(tree, kTextOffset + kTextSize);
  if (block.ok()) CollectTree(tree, block, TreeView_GetRoot(tree), 0, out);
  return out;
}

std::vector<ListLine> ReadList(HWND list) {
  std::vector<ListLine> out;
  RemoteBlock block(list, kTextOffset + kTextSize);
  if (!block.ok()) return out;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) out.push_back({ListText(list, block, i, 0), ListText(list, block, i, 1)});
  return out;
}

std::vector<std::string> ReadListColumns(HWND list) {
  std::vector<std::string> out;
  RemoteBlock block(list, kTextOffset + kTextSize);
  if (!block.ok()) return out;
  for (int i = 0;; ++i) {
    LVCOLUMNA query{};
    query.mask = LVCF_TEXT;
    query.pszText = block.at(kTextOffset);
    query.cchTextMax = static_cast<int>(kTextSize);
    char text[kTextSize] = "";
    if (!block.Write(0, &query, sizeof query) ||
        !SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(block.at(0))) ||
        !block.Read(kTextOffset, text, sizeof text)) {
      break;
    }
    text[kTextSize - 1] = '\0';
    out.push_back(text);
  }
  return out;
}

std::vector<ToolbarButton> ReadToolbar(HWND toolbar) {
  std::vector<ToolbarButton> out;
  RemoteBlock block(toolbar, sizeof(TBBUTTON));
  if (!block.ok()) return out;
  int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    if (!SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(block.at(0))) ||
        !block.Read(0, &button, sizeof button)) {
      break;
    }
    bool separator = (button.fsStyle & TBSTYLE_SEP) != 0;
    out.push_back({separator ? -1 : button.iBitmap, separator ? 0 : button.idCommand, separator,
                   (button.fsState & TBSTATE_ENABLED) != 0});
  }
  return out;
}

std::string ReadTooltipText(HWND tooltip) {
  RemoteBlock block(tooltip, kTextOffset + kTextSize);
  if (!block.ok()) return {};
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  if (!block.Write(0, &tool, sizeof tool) ||
      !SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(block.at(0))) ||
      !block.Read(0, &tool, sizeof tool)) {
    return {};
  }
  tool.lpszText = block.at(kTextOffset);
  char text[kTextSize] = "";
  if (!block.Write(0, &tool, sizeof tool)) return {};
  SendMessageA(tooltip, TTM_GETTEXTA, kTextSize, reinterpret_cast<LPARAM>(block.at(0)));
  if (!block.Read(kTextOffset, text, sizeof text)) return {};
  text[kTextSize - 1] = '\0';
  return text;
}

}  // namespace qx::test
