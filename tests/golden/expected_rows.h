#pragma once

#include <string>
#include <vector>

#include "utility/nodes/row.h"

// The hand-written expected rows of tests/golden/expected/*.txt. A file holds sections
// "[NodeName]" or "[NodeName rows=N]" or "[NodeName each]"; each line below is Item TAB Value (a
// line holding only a tab is a separator row), ";;" starts a comment line, empty lines are skipped.
namespace qx::golden {

enum class SectionKind {
  kExact,    // the node's rows, all of them, in order
  kSampled,  // a row count and some rows, each checked at the position its Item numbers (1-based)
  kEach,     // any number of rows, every one matching the single row given
};

struct Section {
  std::string node;
  SectionKind kind = SectionKind::kExact;
  std::size_t rowCount = 0;  // kSampled only
  RowList rows;
};

// The sections of a file; false with a reason when it cannot be read or parsed.
bool ReadExpectedFile(const std::string& path, std::vector<Section>* sections, std::string* why);

// A value "*" in an expected row stands for a value that depends on the host.
bool RowMatches(const Row& expected, const Row& actual);

}  // namespace qx::golden
