#include "ipl/Ipl.h"

#include <atomic>
#include <cstdio>

namespace {

// Reports the error on standard error; the status stays set for the caller.
IPLStatus defaultHandler(IPLStatus status, const char* funcName, const char* context, const char*, int) {
  std::fprintf(stderr, "ipl: %s: %s (status %d)\n", funcName ? funcName : "?", context ? context : "",
               status);
  return status;
}

std::atomic<IPLErrorCallBack> g_handler{defaultHandler};
// The status belongs to the thread that called the failing operation, so
// images processed on different threads do not see each other's failures.
thread_local IPLStatus t_status = IPL_StsOk;

}  // namespace

extern "C" {

IPLErrorCallBack iplRedirectError(IPLErrorCallBack handler) {
  return g_handler.exchange(handler ? handler : defaultHandler);
}

IPLStatus iplGetErrStatus(void) { return t_status; }

void iplSetErrStatus(IPLStatus status) { t_status = status; }

void iplError(IPLStatus status, const char* funcName, const char* context, const char* file, int line) {
  t_status = status;
  g_handler.load()(status, funcName, context, file, line);
}

}  // extern "C"
