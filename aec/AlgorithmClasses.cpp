#include "aec/AlgorithmClasses.h"

#include <mutex>

#include "aec/GlobalAEC.h"
#include "aec/MatrixAEC.h"
#include "aec/SpotAEC.h"
#include "platform/ClassFactoryRegistry.h"
#include "platform/MessageSink.h"

namespace AEC {

void RegisterAlgorithmClasses()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        auto& registry = bx::ClassFactoryRegistry::Instance();
        registry.Register<CGlobalAEC>("CGlobalAEC");
        registry.Register<CGlobalMeanAEC>("CGlobalMeanAEC");
        registry.Register<CGlobalMedianAEC>("CGlobalMedianAEC");
        registry.Register<CMatrixAEC>("CMatrixAEC");
        registry.Register<CMatrixMeanAEC>("CMatrixMeanAEC");
        registry.Register<CMatrixMedianAEC>("CMatrixMedianAEC");
        registry.Register<CSpotMeanAEC>("CSpotMeanAEC");
        registry.Register<CSpotMedianAEC>("CSpotMedianAEC");
    });
}

std::unique_ptr<CAutoExposure> CreateAlgorithm(const std::string& className)
{
    RegisterAlgorithmClasses();
    const auto& registry = bx::ClassFactoryRegistry::Instance();
    if (!registry.IsRegistered(className)) {
        bx::ShowMessage("Configuration error: Cannot find runtime class '" + className +
                        "'. Please add the file with this class to the project or add "
                        "DECLARE_SERIAL/IMPLEMENT_SERIAL to the class");
        return nullptr;
    }
    std::unique_ptr<bx::DynamicObject> object = registry.Create(className);
    if (auto* algorithm = dynamic_cast<CAutoExposure*>(object.get())) {
        object.release();
        return std::unique_ptr<CAutoExposure>(algorithm);
    }
    bx::ShowMessage("Internal error: Cannot instantiate object for runtime class '" + className + "'");
    return nullptr;
}

} // namespace AEC
