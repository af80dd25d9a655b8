#include "color/Denoiser.h"

#include "app/LogTrace.h"
#include "pixlib/core/CxImage.h"

#include <cstdlib>

std::string CDenoiser::DefaultLibraryPath()
{
    const char* configured = std::getenv("BX_DENOISER_LIBRARY");
    return configured && *configured ? configured : "libbxdenoiser.so";
}

CDenoiser& CDenoiser::Default()
{
    static CDenoiser denoiser(DefaultLibraryPath());
    return denoiser;
}

CDenoiser::CDenoiser(std::string libraryPath) : m_path(std::move(libraryPath)) {}

GreyCRestoreFunction* CDenoiser::Function()
{
    std::call_once(m_loaded, [this] {
        if (m_library.Open(m_path))
            m_function = m_library.Find<GreyCRestoreFunction>("GreyCRestore");
        if (!m_function)
            TheLog().WriteFormat("Denoiser not available, denoising skipped: %s",
                                 m_library.IsOpen() ? "no GreyCRestore" : m_library.Error().c_str());
    });
    return m_function;
}

bool CDenoiser::IsAvailable() { return Function() != nullptr; }

bool CDenoiser::Restore(CxImage& image, const SDenoiseParameters& p)
{
    GreyCRestoreFunction* restore = Function();
    if (!restore || !image.IsValid())
        return false;
    image.SetCOI(0);
    return restore(image, image, p.amplitude, p.sharpness, p.anisotropy, p.alpha, p.sigma, 0, 0) != 0;
}
