#pragma once
// The station's camera: the generic camera plus the exposure controller, which
// runs on every delivered frame, a post-gamma lookup table in the camera, the
// picture rotation and the name of the flash output line.
#include <string>

#include "aec/AutoExposureCtrl.h"
#include "camera/GenPylonCamera.h"
#include "platform/ProfileStore.h"

class CPylonCamera : public CGenPylonCamera, public AEC::CAutoExposureCtrl {
 public:
  // Settings ("Camera Settings"/"Use Post Gamma") are read from the profile of
  // the given application name.
  explicit CPylonCamera(std::string applicationName = "BXGrabber");
  // Grabbing stops before the exposure controller goes.
  ~CPylonCamera() override;

  using CGenPylonCamera::GetProperties;
  using CGenPylonCamera::IsPropertyEnabled;
  using CGenPylonCamera::OnPropertyChanged;

  void Trace(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  void OnPrepareGrab() override;
  void ProcessImage(IplImage* image) override;
  bool OnCustomPropertyChanged(PropertyId id, const PropertyValue& newValue, bool& result) override;
  bool IsCustomPropertyEnabled(PropertyId id, bool& result) override;
  void AddCustomProperties(CPropertyList& list) override;
  bool LoadCustomProperties(TiXmlElement* element) override;
  bool SaveCustomProperties(TiXmlElement* element) override;

  float GetPostGamma() const { return m_postGamma; }
  // Stores the value and reprograms the camera's gamma table when it is in use.
  void SetPostGamma(float gamma);
  int GetRotation() const { return m_rotation; }
  void SetRotation(int tenthsOfDegree) { m_rotation = tenthsOfDegree; }
  // The property ids of the camera's own settings.
  PropertyId RotationId() const { return &m_rotation; }
  PropertyId PostGammaId() const { return &m_postGamma; }
  const std::string& GetOutputLine() const { return m_outputLine; }
  bool UsePostGamma() const;

 protected:
  // The exposure controller follows the camera's nodes: bound after every
  // open, unbound before the device goes.
  void BindCustomNodes(GenApi::INodeMap* nodeMap) override;

  float m_postGamma = 1.0f;
  int m_rotation = 0;
  std::string m_outputLine = "Out1";

 private:
  static constexpr int kMinRotation = -1800;
  static constexpr int kMaxRotation = 1800;

  void ProgramGammaTable();
  void LoadPostGamma(float gamma);

  mutable bx::ProfileStore m_profile;  // an absent setting is written back on reading
};
