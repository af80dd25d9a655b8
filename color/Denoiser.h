#pragma once
// The outside denoiser: a shared library exporting GreyCRestore, loaded with
// dlopen on first use. Without it, denoising is skipped (and logged once).
#include "ipl/IplTypes.h"
#include "platform/DynamicLibrary.h"

#include <atomic>
#include <mutex>
#include <string>

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
    // The library's file: $BX_DENOISER_LIBRARY when set, else "libbxdenoiser.so"
    // on the program's library path.
    static std::string DefaultLibraryPath();
    // The process-wide denoiser over the default library.
    static CDenoiser& Default();

    explicit CDenoiser(std::string libraryPath);
    CDenoiser(const CDenoiser&) = delete;
    CDenoiser& operator=(const CDenoiser&) = delete;

    // Denoises the image in place; false when the library is missing or fails.
    bool Restore(CxImage& image, const SDenoiseParameters& parameters);
    bool IsAvailable();

private:
    GreyCRestoreFunction* Function();

    std::string m_path;
    std::once_flag m_loaded;
    bx::DynamicLibrary m_library;
    GreyCRestoreFunction* m_function = nullptr;
};
