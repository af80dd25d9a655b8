#include "color/Denoiser.h"

#include "platform/FileUtilities.h"
#include "platform/LogTrace.h"
#include "pixlib/core/CxImage.h"

#include <cstdlib>

namespace {

constexpr const char* kLibraryName = "libbxdenoiser.so";

}  // namespace

std::vector<std::string> CDenoiser::DefaultLibraryPaths() {
  if (const char* configured = std::getenv("BX_DENOISER_LIBRARY"); configured && *configured)
    return {configured};
  // A sanitizer's dlopen does not search the program's own library path, so
  // the build and install layouts (bin/ beside lib/) are named explicitly.
  const std::string folder = ExecutableFolder();
  return {folder + kLibraryName, folder + "../lib/" + kLibraryName, kLibraryName};
}

CDenoiser& CDenoiser::Default() {
  static CDenoiser denoiser(DefaultLibraryPaths());
  return denoiser;
}

CDenoiser::CDenoiser(std::vector<std::string> libraryPaths) : m_paths(std::move(libraryPaths)) {}

GreyCRestoreFunction* CDenoiser::Function() {
  std::call_once(m_loaded, [this] {
    for (const std::string& path : m_paths) {
      if (m_library.Open(path)) {
        m_function = m_library.Find<GreyCRestoreFunction>("GreyCRestore");
        break;
      }
    }
    if (!m_function)
      TheLog().WriteFormat("Denoiser not available, denoising skipped: %s",
                           m_library.IsOpen() ? "no GreyCRestore" : m_library.Error().c_str());
  });
  return m_function;
}

bool CDenoiser::IsAvailable() { return Function() != nullptr; }

bool CDenoiser::Restore(CxImage& image, const SDenoiseParameters& p) {
  GreyCRestoreFunction* restore = Function();
  if (!restore || !image.IsValid()) return false;
  image.SetCOI(0);
  return restore(image, image, p.amplitude, p.sharpness, p.anisotropy, p.alpha, p.sigma, 0, 0) != 0;
}
