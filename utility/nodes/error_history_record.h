#pragma once

#include <cstddef>
#include <cstdint>

// Record of the error history node: ten entries, newest first, zero while unread.
namespace qx {

inline constexpr std::size_t kHistoryEntries = 10;
inline constexpr std::size_t kHistoryTextSize = 11;  // 10 characters and NUL
inline constexpr std::size_t kHistoryCodeSize = 5;   // four code bytes and NUL

#pragma pack(push, 1)

struct ErrorHistoryEntry {
  char text[kHistoryTextSize];
  char code[kHistoryCodeSize];
};

struct ErrorHistoryRecord {
  ErrorHistoryEntry entry[kHistoryEntries];
};

#pragma pack(pop)

static_assert(sizeof(ErrorHistoryEntry) == 16);
static_assert(offsetof(ErrorHistoryEntry, text) == 0);
static_assert(offsetof(ErrorHistoryEntry, code) == 11);
static_assert(sizeof(ErrorHistoryRecord) == 160);
static_assert(offsetof(ErrorHistoryRecord, entry) == 0);

}  // namespace qx
