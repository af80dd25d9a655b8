#pragma once
// The outside denoiser: a shared library exporting GreyCRestore, loaded with
// dlopen on first use. Without it, denoising is skipped (and logged once).
#include "ipl/IplTypes.h"
#include "platform/DynamicLibrary.h"

#include <mutex>
#include <string>
#include <vector>

class CxImage;

// GreyCRestore(input, output, amplitude, sharpness, anisotropy, alpha, sigma,
// reserved, reserved): anisotropic smoothing of an 8-bit image; input and
// output may be the same image. Non-zero on success.
using GreyCRestoreFunction = int(IplImage*, IplImage*, float, float, float, float, float, int, int);

struct SDenoiseParameters {
  float amplitude, sharpness, anisotropy, alpha, sigma;
};

class CDenoiser {
 public:
  // Where the library is looked for: $BX_DENOISER_LIBRARY when set, else
  // "libbxdenoiser.so" beside the program, in the "lib" folder beside the
  // program's folder, then on the system's library path.
  static std::vector<std::string> DefaultLibraryPaths();
  // The process-wide denoiser over the first default library that loads.
  static CDenoiser& Default();

  explicit CDenoiser(std::vector<std::string> libraryPaths);
  explicit CDenoiser(const std::string& libraryPath) : CDenoiser(std::vector<std::string>{libraryPath}) {}
  CDenoiser(const CDenoiser&) = delete;
  CDenoiser& operator=(const CDenoiser&) = delete;

  // Denoises the image in place; false when the library is missing or fails.
  bool Restore(CxImage& image, const SDenoiseParameters& parameters);
  bool IsAvailable();

 private:
  GreyCRestoreFunction* Function();

  std::vector<std::string> m_paths;
  std::once_flag m_loaded;
  bx::DynamicLibrary m_library;
  GreyCRestoreFunction* m_function = nullptr;
};
