#include "camera/GenPylonCamera.h"

#include <algorithm>

#include "pylon/TlFactory.h"

using namespace Pylon;

CGenPylonCamera::CGenPylonCamera() = default;

// A removal handled on the SDK's thread may still be ending (its lock let go)
// after OnDeviceRemoved told the owner: the camera waits for it before it goes.
CGenPylonCamera::~CGenPylonCamera() {
  ReleaseDevice();
  WaitForRemovalHandler();
}

void CGenPylonCamera::GetProperties(CPropertyList& list) {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    Build(this, m_device ? m_nodeMap : nullptr, list);
  }
  AddCustomProperties(list);
}

// The mirrored camera features are offered the id first; an id nobody owns is
// accepted.
bool CGenPylonCamera::OnPropertyChanged(PropertyId id, const PropertyValue& newValue) {
  bool result = true;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    if (CPylonProperties::OnPropertyChanged(id, newValue, result)) return result;
  }
  return OnCustomPropertyChanged(id, newValue, result) ? result : true;
}

// An id nobody owns is disabled.
bool CGenPylonCamera::IsPropertyEnabled(PropertyId id) {
  bool result = false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    if (CPylonProperties::IsPropertyEnabled(id, result)) return result;
  }
  return IsCustomPropertyEnabled(id, result) ? result : false;
}

void CGenPylonCamera::SetPropertyObserver(Observer observer) { SetObserver(std::move(observer)); }

void CGenPylonCamera::OnNewImage(IplImage* image, ImageOwnership ownership) {
  ReleaseImage(image, ownership);
}

void CGenPylonCamera::ReleaseImage(IplImage* image, ImageOwnership ownership) {
  if (!image) return;
  if (ownership == OwnershipHeaderOnly)
    iplDeallocate(image, IPL_IMAGE_HEADER);
  else if (ownership == OwnershipHeaderAndData)
    iplDeallocate(image, IPL_IMAGE_ALL);
}

void CGenPylonCamera::OnDeviceRemoved() {}
void CGenPylonCamera::Trace(const char*, ...) {}
void CGenPylonCamera::OnPrepareGrab() {}
void CGenPylonCamera::ProcessImage(IplImage*) {}
bool CGenPylonCamera::OnCustomPropertyChanged(PropertyId, const PropertyValue&, bool&) { return false; }
bool CGenPylonCamera::IsCustomPropertyEnabled(PropertyId, bool&) { return false; }
void CGenPylonCamera::AddCustomProperties(CPropertyList&) {}
void CGenPylonCamera::BindCustomNodes(GenApi::INodeMap*) {}
bool CGenPylonCamera::LoadCustomProperties(TiXmlElement*) { return true; }
bool CGenPylonCamera::SaveCustomProperties(TiXmlElement*) { return true; }

void CGenPylonCamera::SetFrameDivider(int divider) {
  m_frameDivider = std::clamp(divider, 1, 100);
  m_frameCountdown = m_frameDivider.load();
}

bool CGenPylonCamera::OpenByIndex(int index) {
  return Open([index](const DeviceInfoList& devices, CGenPylonCamera&) -> const CDeviceInfo* {
    return index >= 0 && size_t(index) < devices.size() ? &devices[size_t(index)] : nullptr;
  });
}

bool CGenPylonCamera::OpenBySerial(const std::string& serial) {
  return Open([&serial](const DeviceInfoList& devices, CGenPylonCamera& camera) -> const CDeviceInfo* {
    for (const CDeviceInfo& info : devices) {
      camera.Trace("Device id %s\n", info.GetSerialNumber().c_str());
      if (info.GetSerialNumber() == serial) return &info;
    }
    return nullptr;
  });
}

template <class Pick>
bool CGenPylonCamera::Open(Pick pick) {
  ReleaseDevice();
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  DeviceInfoList devices;
  CTlFactory::GetInstance().EnumerateDevices(devices);
  if (const CDeviceInfo* info = pick(devices, *this)) OpenDevice(*info);
  return m_device != nullptr;
}

void CGenPylonCamera::OpenDevice(const CDeviceInfo& info) {
  CTlFactory& factory = CTlFactory::GetInstance();
  try {
    m_device = factory.CreateDevice(info);
    if (!m_device) return;
    m_device->Open(Control | Stream | Event);
    m_removalCallback = RegisterRemovalCallback(m_device, *this, &CGenPylonCamera::OnRemoval);
    m_nodeMap = m_device->GetNodeMap();
    BindNodes();
    NotifyRebuild();
  } catch (const GenICam::GenericException&) {
    IPylonDevice* device = DetachDevice();
    if (device) factory.DestroyDevice(device);
  }
}

// Some cameras keep two trigger models; both are switched off so that the
// camera starts free of any trigger, and the legacy model stays selected.
void CGenPylonCamera::BindNodes() {
  if (!m_device || !m_nodeMap) return;
  GenApi::CEnumerationPtr implementation = m_nodeMap->GetNode("TriggerControlImplementation");
  if (implementation.IsValid()) {
    GenApi::CEnumerationPtr triggerMode = m_nodeMap->GetNode("TriggerMode");
    implementation->FromString("Standard");
    if (triggerMode.IsValid()) triggerMode->FromString("Off");
    implementation->FromString("Legacy");
    if (triggerMode.IsValid()) triggerMode->FromString("Off");
  }
  m_triggerSoftware = m_nodeMap->GetNode("TriggerSoftware");
  m_triggerMode = m_nodeMap->GetNode("TriggerMode");
  m_triggerSource = m_nodeMap->GetNode("TriggerSource");
  m_triggerActivation = m_nodeMap->GetNode("TriggerActivation");
  m_triggerDelayAbs = m_nodeMap->GetNode("TriggerDelayAbs");
  m_lineSelector = m_nodeMap->GetNode("LineSelector");
  m_lineSource = m_nodeMap->GetNode("LineSource");
  m_lineStatusAll = m_nodeMap->GetNode("LineStatusAll");
  m_userOutputValueAll = m_nodeMap->GetNode("UserOutputValueAll");
  m_lineDebouncerTimeAbs = m_nodeMap->GetNode("LineDebouncerTimeAbs");
  BindCustomNodes(m_nodeMap);
  // The settings file is loaded into the mirrored features, grid or not.
  CPropertyList features;
  Build(this, m_nodeMap, features);
}

void CGenPylonCamera::ClearNodes() {
  m_triggerSoftware = {};
  m_triggerMode = {};
  m_triggerSource = {};
  m_triggerActivation = {};
  m_triggerDelayAbs = {};
  m_lineSelector = {};
  m_lineSource = {};
  m_lineStatusAll = {};
  m_userOutputValueAll = {};
  m_lineDebouncerTimeAbs = {};
  BindCustomNodes(nullptr);
  Clear();
}

// Takes the device out of the camera; whoever takes it releases it.
IPylonDevice* CGenPylonCamera::DetachDevice() {
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  IPylonDevice* device = m_device;
  m_device = nullptr;
  m_nodeMap = nullptr;
  m_removalCallback = nullptr;
  ClearNodes();
  return device;
}

// The device is destroyed without holding the camera's lock: destroying waits
// for a removal callback of the device that may be running on the SDK's thread.
void CGenPylonCamera::ReleaseDevice() {
  StopGrab();
  if (IPylonDevice* device = DetachDevice()) CTlFactory::GetInstance().DestroyDevice(device);
}

void CGenPylonCamera::Close() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    if (m_device) {
      StopGrab();
      ClearNodes();
      try {
        if (m_removalCallback) m_device->DeregisterRemovalCallback(m_removalCallback);
        m_removalCallback = nullptr;
        m_device->Close();
      } catch (const GenICam::GenericException&) {
        // a device that cannot be closed any more is released all the same
      }
      // A closed device's node map is gone.
      m_nodeMap = nullptr;
    }
  }
  ReleaseDevice();
}

// Runs on the SDK's removal thread. The lost device is destroyed here, so that a
// reopen starts from a fresh device and nothing of the old one is left behind.
void CGenPylonCamera::OnRemoval(IPylonDevice* device) {
  std::lock_guard<std::mutex> removal(m_removal);
  std::string fullName;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    if (device != m_device) return;  // already released by the owner
    StopGrab();
    fullName = device->GetDeviceInfo().GetFullName();
    const DeviceCallbackHandle callback = m_removalCallback;
    // The nodes let go of the node map before closing frees it.
    DetachDevice();
    try {
      device->DeregisterRemovalCallback(callback);
      device->Close();
    } catch (const GenICam::GenericException&) {
      // the device is gone; closing it may fail
    }
  }
  CTlFactory::GetInstance().DestroyDevice(device);
  Trace("Member function callback for removal of device %s has been fired\n", fullName.c_str());
  OnDeviceRemoved();
}

void CGenPylonCamera::WaitForRemovalHandler() { std::lock_guard<std::mutex> removal(m_removal); }
