#pragma once

// CPU time the whole process has used so far (all threads, user and kernel), in milliseconds.
namespace qx::bench {

double ProcessCpuMilliseconds();

}  // namespace qx::bench
