#pragma once

namespace kestrin::cli {

// Makes standard output carry bytes as they are, as on Linux: a data file written there keeps
// its CR LF.
void UseByteOutput();

// Waits until standard input has something to read; false when nothing came in time.
bool AnswerArrives(int timeoutMs);

}  // namespace kestrin::cli
