// Writes the setting file of a made-up unit, for tests that drive the programs from a script:
//   write_unit_file OUT.qxr SEED [--dip PIXEL] [--hostile]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/qxr/unit_file_generator.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_unit_file OUT.qxr SEED [--dip PIXEL] [--hostile]\n");
    return 2;
  }
  qx::qxrtest::UnitOptions options;
  options.seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dip") == 0 && i + 1 < argc) {
      options.dipAt = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--hostile") == 0) {
      options.hostile = true;
    } else {
      std::fprintf(stderr, "write_unit_file: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  return qx::qxrtest::WriteBytes(argv[1], qx::qxrtest::MakeUnitFile(options)) ? 0 : 1;
}
