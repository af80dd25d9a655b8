#pragma once

namespace bx {

// Names the calling thread (at most 15 characters are kept), so that tools such
// as top -H and the crash report tell the program's threads apart.
void NameThisThread(const char* name);

}  // namespace bx
