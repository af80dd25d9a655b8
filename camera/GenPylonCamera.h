#pragma once
// One camera reached through the camera SDK: opened by index or serial number,
// its trigger and line nodes bound, its pixel format selected, and a grab thread
// that converts every grabbed frame and hands it to OnNewImage. The grab thread
// calls the virtual hooks, so a class that overrides them releases the device
// in its own destructor.
#include <atomic>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/FrameConverter.h"
#include "camera/GrabBuffer.h"
#include "camera/IPropertyHost.h"
#include "camera/PylonProperties.h"
#include "pylon/NodePointer.h"
#include "pylon/PylonDevice.h"
#include "pylon/WaitObject.h"

class TiXmlElement;

class CGenPylonCamera : public CPylonProperties, public IPropertyHost {
 public:
  CGenPylonCamera();
  ~CGenPylonCamera() override;
  CGenPylonCamera(const CGenPylonCamera&) = delete;
  CGenPylonCamera& operator=(const CGenPylonCamera&) = delete;

  void GetProperties(CPropertyList& list) override;
  bool OnPropertyChanged(PropertyId id, const PropertyValue& newValue) override;
  bool IsPropertyEnabled(PropertyId id) override;
  void SetPropertyObserver(Observer observer) override;
  // A converted frame; the default releases it as the ownership says.
  virtual void OnNewImage(IplImage* image, ImageOwnership ownership);
  virtual void OnDeviceRemoved();
  virtual void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual void OnPrepareGrab();
  // Runs on the grab thread before OnNewImage.
  virtual void ProcessImage(IplImage* image);
  virtual bool OnCustomPropertyChanged(PropertyId id, const PropertyValue& newValue, bool& result);
  virtual bool IsCustomPropertyEnabled(PropertyId id, bool& result);
  virtual void AddCustomProperties(CPropertyList& list);
  virtual bool LoadCustomProperties(TiXmlElement* element);
  virtual bool SaveCustomProperties(TiXmlElement* element);

  bool OpenByIndex(int index);
  bool OpenBySerial(const std::string& serial);
  void ReleaseDevice();
  void Close();
  bool PrepareGrab(int bufferCount);
  void StopGrab();

  // The camera settings file: "PylonCamera" below the element `parent` (the
  // document itself when empty) holds the writable features, then the custom
  // properties. Saving keeps every other element of the file and refuses a
  // file that does not parse; loading needs the file, `parent` and
  // "PylonCamera", and applies every feature the camera accepts.
  bool SaveCameraSettings(const std::string& path, const std::string& parent);
  bool LoadCameraSettings(const std::string& path, const std::string& parent);

  void SetRequestedPixelType(Pylon::EPixelType type) { m_requestedPixelType = type; }
  void SetOutputPixelType(Pylon::EPixelType type) { m_outputPixelType = type; }
  Pylon::EPixelType GetCameraPixelType() const { return m_cameraPixelType; }
  void SetFrameDivider(int divider);
  int GetFrameDivider() const { return m_frameDivider; }

  bool IsOpen() const { return m_device != nullptr; }
  bool IsAcquisitionRunning() const { return m_acquisitionRunning; }
  Pylon::IPylonDevice* GetDevice() const { return m_device; }
  GenApi::INodeMap* GetNodeMap() const { return m_nodeMap; }
  CFrameConverter& GetConverter() { return m_converter; }

  static void ReleaseImage(IplImage* image, ImageOwnership ownership);

  // "TriggerMode" Off (the camera runs free) or On (each frame waits for a trigger).
  void SetFreeRunning(bool freeRun);
  // One software trigger through "TriggerSource" and "TriggerSoftware"; false
  // when the camera lacks them.
  bool ExecuteSoftwareTrigger();
  // Mask 0: one software trigger; otherwise the user outputs in the mask go
  // high and low again (nothing when the camera has no "UserOutputValueAll").
  void FireOutputs(int mask);
  // Trigger and line operations; each is a no-op when a node it needs is
  // missing, and none lets an SDK exception escape (a failure is traced).
  // "TriggerMode" On, "TriggerSource" the line (fromLine) or "Software", the edge;
  // false when a node is missing or the camera refuses a value.
  bool ConfigureTrigger(bool fromLine, bool risingEdge, const std::string& line);
  // True when "TriggerSource" reads anything but "Software".
  bool IsHardwareTriggerSource();
  void SetTriggerDelay(double microseconds);
  // Sets the line's debouncer; "LineSelector" shows its previous line afterwards.
  void SetLineDebounce(double microseconds, const std::string& line);
  // "LineStatusAll": bit 0 is the first line; 0 when unavailable.
  int64_t ReadLineStatus();
  // The output line follows the exposure, or the user output values.
  void SetOutputSource(bool exposureActive, const std::string& line);

 protected:
  // Holds off open, close, grab start and stop and the removal of the device,
  // so that the nodes stay valid while it is held.
  std::unique_lock<std::recursive_mutex> LockLifecycle() { return std::unique_lock(m_lifecycle); }
  // Called under the lifecycle lock with the node map after every open, and
  // with null once the device's nodes are gone (close, release, removal).
  virtual void BindCustomNodes(GenApi::INodeMap* nodeMap);

  // Waits for a removal being handled (OnDeviceRemoved included) to end: a
  // derived class calls it in its destructor once it released the device.
  void WaitForRemovalHandler();

  // True once StopGrab has asked the grab thread to end.
  bool IsTerminationRequested() const { return m_terminate.Wait(0); }

  GenApi::CCommandPtr m_triggerSoftware;
  GenApi::CEnumerationPtr m_triggerMode;
  GenApi::CEnumerationPtr m_triggerSource;
  GenApi::CEnumerationPtr m_triggerActivation;
  GenApi::CEnumerationPtr m_lineSelector;
  GenApi::CEnumerationPtr m_lineSource;
  GenApi::CIntegerPtr m_lineStatusAll;
  GenApi::CIntegerPtr m_userOutputValueAll;
  GenApi::CFloatPtr m_lineDebouncerTimeAbs;
  GenApi::CFloatPtr m_triggerDelayAbs;
  std::string m_triggerLine;
  bool m_triggerFromLine = false;

 private:
  template <class Pick>
  bool Open(Pick pick);
  void OpenDevice(const Pylon::CDeviceInfo& info);
  void BindNodes();
  void ClearNodes();
  void SelectPixelFormat();
  void AllocateBuffers(int bufferCount, size_t payloadSize);
  void StartAcquisition();
  void StopAcquisition();
  void ReleaseBuffers();
  Pylon::IPylonDevice* DetachDevice();
  void OnRemoval(Pylon::IPylonDevice* device);
  void GrabLoop();
  void WaitForFrames();
  void RestartContinuousAcquisition();
  void HandleResult(const Pylon::GrabResult& result);
  void DeliverFrame(const Pylon::GrabResult& result);

  CFrameConverter m_converter;
  Pylon::IPylonDevice* m_device = nullptr;
  Pylon::IStreamGrabber* m_streamGrabber = nullptr;
  Pylon::DeviceCallbackHandle m_removalCallback = nullptr;
  GenApi::INodeMap* m_nodeMap = nullptr;
  GenApi::INodeMap* m_grabberNodeMap = nullptr;
  std::vector<std::unique_ptr<CGrabBuffer>> m_buffers;
  Pylon::WaitObjects m_waitObjects;
  std::thread m_grabThread;
  Pylon::AlertableWaitObject m_terminate;
  Pylon::EPixelType m_requestedPixelType = Pylon::PixelType_Mono8;
  Pylon::EPixelType m_cameraPixelType = Pylon::PixelType_Undefined;
  Pylon::EPixelType m_outputPixelType = Pylon::PixelType_BGR8packed;
  std::atomic<bool> m_acquisitionRunning{false};
  // Set from the caller's thread, read by the grab thread.
  std::atomic<int> m_frameDivider{1};
  std::atomic<int> m_frameCountdown{1};
  // Serialises open, close, grab start and stop against the SDK's removal thread.
  std::recursive_mutex m_lifecycle;
  // Held while a removal is handled.
  std::mutex m_removal;
};
