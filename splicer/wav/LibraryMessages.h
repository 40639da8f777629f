#pragma once
// What the audio libraries have to say goes into the joiner's own error texts, never to the
// terminal: their messages are caught for the whole process (the splicer has no other use
// for them), the last error of each thread is kept and everything else is dropped.

#include <string>

namespace LibraryMessages {

// Starts catching; harmless to call again.
void capture();
// The last error message of the calling thread since the previous call, or "".
std::string take();

} // namespace LibraryMessages
