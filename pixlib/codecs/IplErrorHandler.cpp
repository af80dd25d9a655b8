#include "pixlib/codecs/IplErrorHandler.h"

#include "ipl/Ipl.h"

namespace {

[[maybe_unused]] const bool g_installed = (iplRedirectError(IPLErrorHandler), true);

}  // namespace

IPLStatus IPLErrorHandler(IPLStatus status, const char*, const char*, const char*, int) {
  iplSetErrStatus(status == IPL_StsNoMem ? IPL_StsError : IPL_StsOk);
  return IPL_StsError;
}
