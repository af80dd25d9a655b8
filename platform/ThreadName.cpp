#include "platform/ThreadName.h"

#include <pthread.h>

#include <string>

namespace bx {

void NameThisThread(const char* name) {
  constexpr size_t kMaxNameLength = 15;
  pthread_setname_np(pthread_self(), std::string(name).substr(0, kMaxNameLength).c_str());
}

}  // namespace bx
