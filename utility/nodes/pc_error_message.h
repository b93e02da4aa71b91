#pragma once

// The error boxes of the System branch's reads (caption "Error", error icon, no owner), shown
// from the reading thread. Tests install a sink of their own to see the texts instead.
namespace qx {

using PcErrorSink = void (*)(const char* text);

// nullptr restores the error box.
void SetPcErrorSink(PcErrorSink sink);

void ShowPcError(const char* text);

}  // namespace qx
