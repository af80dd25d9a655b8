// A stand-in denoiser library that records its calls instead of smoothing.
#include "ipl/IplTypes.h"

namespace {
int g_calls = 0;
float g_lastAmplitude = 0.0f;
int g_lastReserved = -1;
bool g_inPlace = false;
}  // namespace

extern "C" {
__attribute__((visibility("default"))) int GreyCRestore(IplImage* input, IplImage* output, float amplitude,
                                                        float, float, float, float, int reserved1,
                                                        int reserved2) {
  ++g_calls;
  g_lastAmplitude = amplitude;
  g_lastReserved = reserved1 | reserved2;
  g_inPlace = input == output;
  return 1;
}
__attribute__((visibility("default"))) int DenoiserCalls() { return g_calls; }
__attribute__((visibility("default"))) float DenoiserLastAmplitude() { return g_lastAmplitude; }
__attribute__((visibility("default"))) int DenoiserLastReserved() { return g_lastReserved; }
__attribute__((visibility("default"))) bool DenoiserInPlace() { return g_inPlace; }
}
