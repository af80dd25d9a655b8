#include "aec/AlgorithmClasses.h"

#include <mutex>

#include "aec/GlobalAEC.h"
#include "aec/MatrixAEC.h"
#include "aec/SpotAEC.h"
#include "platform/ClassFactoryRegistry.h"
#include "platform/ObjectFactory.h"

namespace AEC {

void RegisterAlgorithmClasses() {
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

std::unique_ptr<CAutoExposure> CreateAlgorithm(const std::string& className) {
  RegisterAlgorithmClasses();
  std::unique_ptr<bx::DynamicObject> object;
  if (!CreateObjectByName(className, object)) return nullptr;
  if (auto* algorithm = dynamic_cast<CAutoExposure*>(object.get())) {
    object.release();
    return std::unique_ptr<CAutoExposure>(algorithm);
  }
  ReportUncreatableClass(className);
  return nullptr;
}

}  // namespace AEC
