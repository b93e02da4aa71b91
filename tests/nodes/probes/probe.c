/* A library that exists only to be found and have its version resource read. */
__declspec(dllexport) int ProbeValue(void) { return 7; }
