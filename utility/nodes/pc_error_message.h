#pragma once

// The error boxes of the System branch's reads (caption "Error", error icon, no owner), shown
// from the reading thread. Tests install a sink of their own to see the texts instead.
namespace qx {

using PcErrorSink = void (*)(const char* text);

// nullptr restores the error box.
void SetPcErrorSink(PcErrorSink sink);

// Whether someone is there to dismiss a box. In RunMode Batch nobody is: a box would hold the
// export forever, so the failure only ends the node's read, with neither box nor sink.
void SetPcErrorBoxesShown(bool shown);

void ShowPcError(const char* text);

}  // namespace qx
