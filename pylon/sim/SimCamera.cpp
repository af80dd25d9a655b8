#include "pylon/sim/SimCamera.h"

#include <cmath>
#include <utility>

#include "platform/ThreadName.h"
#include "pylon/DeviceBase.h"
#include "pylon/GenericException.h"

namespace Pylon {

using namespace GenApi;

namespace {

enum TriggerSourceValue : int64_t { kLine1 = 0, kLine2 = 1, kSoftware = 2 };
enum LineSourceValue : int64_t { kSourceOff = 0, kExposureActive = 1, kUserOutput = 2 };
constexpr int kLineCount = 4;  // Line1, Line2 (inputs), Out1, Out2 (outputs)
constexpr const char* kLineNames[kLineCount] = {"Line1", "Line2", "Out1", "Out2"};

int LineIndex(const std::string& name) {
  for (int i = 0; i < kLineCount; ++i)
    if (name == kLineNames[i]) return i;
  throw GenICam::InvalidArgumentException(("Unknown line '" + name + "'").c_str(), __FILE__, __LINE__);
}

// The names a user reads, as a GenICam camera's description gives them, and
// the units of the sizes (times carry theirs where they are made).
struct SFeatureName {
  const char* feature;
  const char* displayName;
  const char* unit;
};
constexpr SFeatureName kFeatureNames[] = {
    {"DeviceInformation", "Device Information", ""},
    {"DeviceVendorName", "Vendor Name", ""},
    {"DeviceModelName", "Model Name", ""},
    {"DeviceSerialNumber", "Serial Number", ""},
    {"DeviceFirmwareVersion", "Firmware Version", ""},
    {"DeviceUserID", "User ID", ""},
    {"ImageFormatControls", "Image Format Controls", ""},
    {"PixelFormat", "Pixel Format", ""},
    {"SensorWidth", "Sensor Width", "px"},
    {"SensorHeight", "Sensor Height", "px"},
    {"Width", "Width", "px"},
    {"Height", "Height", "px"},
    {"OffsetX", "Offset X", "px"},
    {"OffsetY", "Offset Y", "px"},
    {"AcquisitionTrigger", "Acquisition and Trigger Controls", ""},
    {"AcquisitionMode", "Acquisition Mode", ""},
    {"TriggerMode", "Trigger Mode", ""},
    {"TriggerSource", "Trigger Source", ""},
    {"TriggerActivation", "Trigger Activation", ""},
    {"TriggerDelayAbs", "Trigger Delay", ""},
    {"ExposureTimeRaw", "Exposure Time (Raw)", ""},
    {"ExposureTimeAbs", "Exposure Time", ""},
    {"AnalogControls", "Analog Controls", ""},
    {"GainRaw", "Gain (Raw)", ""},
    {"BalanceRatioAbs", "Balance Ratio", ""},
    {"LUTControls", "LUT Controls", ""},
    {"LUTEnable", "LUT Enable", ""},
    {"DigitalIO", "Digital I/O Controls", ""},
    {"LineMode", "Line Mode", ""},
    {"LineSource", "Line Source", ""},
    {"LineInverter", "Line Inverter", ""},
    {"LineDebouncerTimeAbs", "Line Debouncer Time", ""},
    {"LineStatus", "Line Status", ""},
    {"LineStatusAll", "Line Status All", ""},
    {"UserOutputValue", "User Output Value", ""},
    {"UserOutputValueAll", "User Output Value All", ""},
    {"TransportLayer", "Transport Layer", ""},
    {"PayloadSize", "Payload Size", "B"},
    {"ChunkDataStreams", "Chunk Data Streams", ""},
    {"ChunkModeActive", "Chunk Mode Active", ""},
};

void NameFeatures(CNodeMapBase& nodes) {
  for (const SFeatureName& name : kFeatureNames) {
    CNodeBase* node = nodes.Find(name.feature);
    node->SetDisplayName(name.displayName);
    if (*name.unit) dynamic_cast<CMemoryInteger&>(*node).SetUnit(name.unit);
  }
}

// Gain in raw steps of 0.0359 dB.
double GainFactor(int64_t gainRaw) { return std::pow(10.0, 0.0359 * double(gainRaw) / 20.0); }

}  // namespace

struct CSimCamera::FrameSettings {
  EPixelType format = PixelType_Undefined;
  SFrameGeometry geometry;
  SExposure exposure;
  std::vector<uint16_t> lut;
  int64_t payloadSize = 0;
  bool singleFrame = false;
};

CSimCamera::CSimCamera(SSimCameraConfig config)
    : m_config(std::move(config)),
      m_nodes("sim://" + m_config.serial),
      m_grabber("sim://" + m_config.serial),
      m_lutValues(512) {
  for (size_t i = 0; i < m_lutValues.size(); ++i) m_lutValues[i] = uint16_t(i * 8);
  m_outputSource = {kUserOutput, kUserOutput};
  BuildFeatures();
}

CSimCamera::~CSimCamera() { StopFrameThread(); }

CDeviceInfo CSimCamera::Info() const {
  CDeviceInfo info;
  info.SetSerialNumber(m_config.serial);
  info.SetModelName("Simulated Camera " + std::to_string(m_config.sensorWidth) + "x" +
                    std::to_string(m_config.sensorHeight));
  info.SetVendorName("Tarvo Simulation");
  info.SetFullName("sim://" + m_config.serial);
  info.SetFriendlyName(info.GetModelName() + " (" + m_config.serial + ")");
  info.SetDeviceClass("sim");
  return info;
}

void CSimCamera::BuildFeatures() {
  auto& root = m_nodes.Add<CMemoryCategory>("Root");
  root.Describe("All features of the camera");
  BuildDeviceInformation(root);
  BuildImageFormat(root);
  BuildAcquisition(root);
  BuildAnalog(root);
  BuildLut(root);
  BuildLines(root);
  BuildTransport(root);
  GuardWrites();
  NameFeatures(m_nodes);
}

void CSimCamera::BuildDeviceInformation(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("DeviceInformation");
  category.Describe("Identity of the camera");
  root.Add(category);
  const CDeviceInfo info = Info();
  auto addText = [&](const char* name, const std::string& value, const char* description,
                     EAccessMode access) {
    auto& node = m_nodes.Add<CMemoryString>(name, value);
    node.Describe(description);
    node.SetAccess(access);
    category.Add(node);
  };
  addText("DeviceVendorName", info.GetVendorName(), "Name of the camera's maker", RO);
  addText("DeviceModelName", info.GetModelName(), "Model of the camera", RO);
  addText("DeviceSerialNumber", m_config.serial, "Serial number of the camera", RO);
  addText("DeviceFirmwareVersion", "1.0", "Firmware version of the camera", RO);
  addText("DeviceUserID", "", "A name the user gives the camera", RW);
}

void CSimCamera::BuildImageFormat(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("ImageFormatControls");
  category.Describe("Format and area of the delivered frames");
  root.Add(category);
  const auto locked = [this] { return LockedWhileAcquiring(); };

  m_pixelFormat = &m_nodes.Add<CMemoryEnumeration>("PixelFormat");
  m_pixelFormat->Describe("Format of the pixels in a frame");
  for (EPixelType type :
       {PixelType_Mono8, PixelType_Mono12, PixelType_BayerGR8, PixelType_BayerRG8, PixelType_BayerGB8,
        PixelType_BayerBG8, PixelType_YUV422packed, PixelType_YUV444packed, PixelType_BGR8packed})
    m_pixelFormat->AddEntry(PixelTypeName(type), type);
  m_pixelFormat->SetInitial(PixelType_BayerBG8);
  m_pixelFormat->SetAccessRule(locked);
  category.Add(*m_pixelFormat);

  const int64_t sensorWidth = m_config.sensorWidth, sensorHeight = m_config.sensorHeight;
  auto& widthMax = m_nodes.Add<CMemoryInteger>("SensorWidth", sensorWidth, sensorWidth, sensorWidth);
  widthMax.Describe("Width of the sensor in pixels");
  widthMax.SetAccess(RO);
  auto& heightMax = m_nodes.Add<CMemoryInteger>("SensorHeight", sensorHeight, sensorHeight, sensorHeight);
  heightMax.Describe("Height of the sensor in pixels");
  heightMax.SetAccess(RO);
  category.Add(widthMax);
  category.Add(heightMax);

  m_width = &m_nodes.Add<CMemoryInteger>("Width", 16, sensorWidth, sensorWidth, 4);
  m_width->Describe("Width of the frame in pixels");
  m_height = &m_nodes.Add<CMemoryInteger>("Height", 16, sensorHeight, sensorHeight, 2);
  m_height->Describe("Height of the frame in pixels");
  m_offsetX = &m_nodes.Add<CMemoryInteger>("OffsetX", 0, sensorWidth - 16, 0, 2);
  m_offsetX->Describe("Horizontal offset of the frame on the sensor", Expert);
  m_offsetY = &m_nodes.Add<CMemoryInteger>("OffsetY", 0, sensorHeight - 16, 0, 2);
  m_offsetY->Describe("Vertical offset of the frame on the sensor", Expert);
  m_width->SetMaxRule([this, sensorWidth] { return sensorWidth - m_offsetX->Stored(); });
  m_height->SetMaxRule([this, sensorHeight] { return sensorHeight - m_offsetY->Stored(); });
  m_offsetX->SetMaxRule([this, sensorWidth] { return sensorWidth - m_width->Stored(); });
  m_offsetY->SetMaxRule([this, sensorHeight] { return sensorHeight - m_height->Stored(); });
  for (CMemoryInteger* node : {m_width, m_height, m_offsetX, m_offsetY}) {
    node->SetAccessRule(locked);
    category.Add(*node);
  }
}

void CSimCamera::BuildAcquisition(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("AcquisitionTrigger");
  category.Describe("Acquisition, triggering and exposure");
  root.Add(category);

  m_acquisitionMode = &m_nodes.Add<CMemoryEnumeration>("AcquisitionMode");
  m_acquisitionMode->Describe("Single frame or continuous acquisition");
  m_acquisitionMode->AddEntry("SingleFrame", 0);
  m_acquisitionMode->AddEntry("Continuous", 1);
  m_acquisitionMode->SetInitial(1);
  category.Add(*m_acquisitionMode);
  auto& start = m_nodes.Add<CMemoryCommand>("AcquisitionStart");
  start.Describe("Starts acquiring frames");
  start.OnWritten([this] { StartAcquisition(); });
  auto& stop = m_nodes.Add<CMemoryCommand>("AcquisitionStop");
  stop.Describe("Stops acquiring frames");
  stop.OnWritten([this] { StopAcquisition(); });
  category.Add(start);
  category.Add(stop);
  // Starting and stopping change whether the frame format may be written.
  for (CMemoryNode* locked :
       std::initializer_list<CMemoryNode*>{m_pixelFormat, m_width, m_height, m_offsetX, m_offsetY}) {
    start.AddInvalidated(*locked);
    stop.AddInvalidated(*locked);
  }

  auto& implementation = m_nodes.Add<CMemoryEnumeration>("TriggerControlImplementation");
  implementation.Describe("Set of trigger features in use; each keeps its own trigger settings", Expert);
  implementation.AddEntry("Legacy", 0);
  implementation.AddEntry("Standard", 1);
  category.Add(implementation);

  m_triggerMode = &m_nodes.Add<CMemoryEnumeration>("TriggerMode");
  m_triggerMode->Describe("On: every frame waits for a trigger; Off: the camera runs free");
  m_triggerMode->AddEntry("Off", 0);
  m_triggerMode->AddEntry("On", 1);
  m_triggerSource = &m_nodes.Add<CMemoryEnumeration>("TriggerSource");
  m_triggerSource->Describe("Signal that triggers a frame");
  m_triggerSource->AddEntry("Line1", kLine1);
  m_triggerSource->AddEntry("Line2", kLine2);
  m_triggerSource->AddEntry("Software", kSoftware);
  m_triggerActivation = &m_nodes.Add<CMemoryEnumeration>("TriggerActivation");
  m_triggerActivation->Describe("Edge of the trigger line that triggers a frame");
  m_triggerActivation->AddEntry("RisingEdge", 0);
  m_triggerActivation->AddEntry("FallingEdge", 1);
  m_triggerDelay = &m_nodes.Add<CMemoryFloat>("TriggerDelayAbs", 0.0, 1000000.0, 0.0);
  m_triggerDelay->Describe("Delay from the trigger to the start of the exposure");
  m_triggerDelay->SetUnit("us");
  for (CMemoryNode* node : std::initializer_list<CMemoryNode*>{m_triggerMode, m_triggerSource,
                                                               m_triggerActivation, m_triggerDelay}) {
    implementation.AddSelected(*node);
    node->OnWritten([this] { OnTriggerSettingsChanged(); });
    category.Add(*node);
  }
  implementation.OnWritten([this] { OnTriggerSettingsChanged(); });
  auto& software = m_nodes.Add<CMemoryCommand>("TriggerSoftware");
  software.Describe("Triggers one frame when the trigger source is Software");
  software.OnWritten([this] { SoftwareTrigger(); });
  category.Add(software);

  m_exposure = &m_nodes.Add<CMemoryInteger>("ExposureTimeRaw", 1, 4095, kNominalExposure);
  m_exposure->Describe("Exposure time in steps of 20 microseconds");
  auto& exposureAbs = m_nodes.Add<CMemoryFloat>("ExposureTimeAbs", 20.0, 81900.0, 10000.0);
  exposureAbs.Describe("Exposure time in microseconds", Expert);
  exposureAbs.SetUnit("us");
  exposureAbs.SetAccess(RO);
  exposureAbs.SetGetter([this] { return 20.0 * double(m_exposure->Stored()); });
  m_exposure->AddInvalidated(exposureAbs);
  category.Add(*m_exposure);
  category.Add(exposureAbs);
}

void CSimCamera::BuildAnalog(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("AnalogControls");
  category.Describe("Gain and white balance");
  root.Add(category);
  auto& gainSelector = m_nodes.Add<CMemoryEnumeration>("GainSelector");
  gainSelector.Describe("Gain that GainRaw shows");
  gainSelector.AddEntry("All", 0);
  m_gain = &m_nodes.Add<CMemoryInteger>("GainRaw", 0, 1023, 0);
  m_gain->Describe("Gain in steps of 0.0359 dB");
  gainSelector.AddSelected(*m_gain);
  auto& balanceSelector = m_nodes.Add<CMemoryEnumeration>("BalanceRatioSelector");
  balanceSelector.Describe("Colour channel that BalanceRatioAbs shows");
  balanceSelector.AddEntry("Red", 0);
  balanceSelector.AddEntry("Green", 1);
  balanceSelector.AddEntry("Blue", 2);
  m_balance = &m_nodes.Add<CMemoryFloat>("BalanceRatioAbs", 0.0, 3.98438, 1.0);
  m_balance->Describe("Amplification of the selected colour channel");
  balanceSelector.AddSelected(*m_balance);
  for (CMemoryNode* node :
       std::initializer_list<CMemoryNode*>{&gainSelector, m_gain, &balanceSelector, m_balance})
    category.Add(*node);
}

void CSimCamera::BuildLut(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("LUTControls");
  category.Describe("Lookup table applied to the 12-bit pixel values", Expert);
  root.Add(category);
  auto& selector = m_nodes.Add<CMemoryEnumeration>("LUTSelector");
  selector.Describe("Lookup table to configure", Expert);
  selector.AddEntry("Luminance", 0);
  m_lutEnable = &m_nodes.Add<CMemoryBoolean>("LUTEnable", false);
  m_lutEnable->Describe("Applies the lookup table", Expert);
  auto& index = m_nodes.Add<CMemoryInteger>("LUTIndex", 0, 4095, 0, 8);
  index.Describe("Input value whose output LUTValue shows", Guru);
  auto& value = m_nodes.Add<CMemoryInteger>("LUTValue", 0, 4095, 0);
  value.Describe("Output value for the input value LUTIndex", Guru);
  value.SetGetter([this, &index] {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int64_t(m_lutValues[size_t(index.Stored() / 8)]);
  });
  value.OnWritten([this, &index, &value] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lutValues[size_t(index.Stored() / 8)] = uint16_t(value.Stored());
  });
  selector.AddSelected(*m_lutEnable);
  selector.AddSelected(index);
  selector.AddSelected(value);
  index.AddSelected(value);
  for (CMemoryNode* node : std::initializer_list<CMemoryNode*>{&selector, m_lutEnable, &index, &value})
    category.Add(*node);
}

void CSimCamera::BuildLines(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("DigitalIO");
  category.Describe("Input and output lines");
  root.Add(category);
  m_lineSelector = &m_nodes.Add<CMemoryEnumeration>("LineSelector");
  m_lineSelector->Describe("Line that the line features show");
  for (int i = 0; i < kLineCount; ++i) m_lineSelector->AddEntry(kLineNames[i], i);
  category.Add(*m_lineSelector);
  const auto line = [this] { return m_lineSelector->Stored(); };

  auto& mode = m_nodes.Add<CMemoryEnumeration>("LineMode");
  mode.Describe("Whether the line is an input or an output");
  mode.AddEntry("Input", 0);
  mode.AddEntry("Output", 1);
  mode.SetAccess(RO);
  m_lineSource = &m_nodes.Add<CMemoryEnumeration>("LineSource");
  m_lineSource->Describe("Signal that drives the output line");
  m_lineSource->AddEntry("Off", kSourceOff);
  m_lineSource->AddEntry("ExposureActive", kExposureActive);
  m_lineSource->AddEntry("UserOutput", kUserOutput);
  m_lineSource->SetAccessRule([line] { return line() >= 2 ? RW : NA; });
  m_lineSource->OnWritten([this, line] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputSource[size_t(line() - 2)] = m_lineSource->Stored();
    UpdateOutputs();
  });
  m_lineInverter = &m_nodes.Add<CMemoryBoolean>("LineInverter", false);
  m_lineInverter->Describe("Inverts the line's signal", Expert);
  m_lineInverter->OnWritten([this, line] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inverted[size_t(line())] = m_lineInverter->Stored();
    UpdateOutputs();
  });
  m_lineDebouncer = &m_nodes.Add<CMemoryFloat>("LineDebouncerTimeAbs", 0.0, 1000000.0, 0.0);
  m_lineDebouncer->Describe("Shortest level change of the input line that is accepted");
  m_lineDebouncer->SetUnit("us");
  m_lineDebouncer->SetAccessRule([line] { return line() < 2 ? RW : NA; });
  m_lineDebouncer->OnWritten([this, line] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_debounceUs[size_t(line())] = m_lineDebouncer->Stored();
  });
  auto& status = m_nodes.Add<CMemoryBoolean>("LineStatus", false);
  status.Describe("Current level of the line");
  status.SetAccess(RO);
  status.SetGetter([this, line] { return ((LineStatusAll() >> line()) & 1) != 0; });
  for (CMemoryNode* node :
       std::initializer_list<CMemoryNode*>{&mode, m_lineSource, m_lineInverter, m_lineDebouncer, &status}) {
    m_lineSelector->AddSelected(*node);
    category.Add(*node);
  }
  for (int i = 0; i < kLineCount; ++i) {
    m_lineSelector->Store(i);
    mode.Store(i < 2 ? 0 : 1);
    if (i >= 2) m_lineSource->Store(kUserOutput);
  }
  m_lineSelector->Store(0);

  auto& statusAll = m_nodes.Add<CMemoryInteger>("LineStatusAll", 0, 15, 0);
  statusAll.Describe("Levels of all lines, bit 0 for Line1");
  statusAll.SetAccess(RO);
  statusAll.SetGetter([this] { return LineStatusAll(); });
  category.Add(statusAll);

  m_userOutputSelector = &m_nodes.Add<CMemoryEnumeration>("UserOutputSelector");
  m_userOutputSelector->Describe("User output that UserOutputValue shows");
  m_userOutputSelector->AddEntry("UserOutput1", 1);
  m_userOutputSelector->AddEntry("UserOutput2", 2);
  m_userOutputValueAll = &m_nodes.Add<CMemoryInteger>("UserOutputValueAll", 0, 15, 0);
  m_userOutputValueAll->Describe("Levels of all user outputs, bit n for UserOutput n");
  m_userOutputValueAll->OnWritten([this] {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_userOutputs = m_userOutputValueAll->Stored();
    UpdateOutputs();
  });
  auto& value = m_nodes.Add<CMemoryBoolean>("UserOutputValue", false);
  value.Describe("Level of the selected user output");
  value.SetGetter([this] {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ((m_userOutputs >> m_userOutputSelector->Stored()) & 1) != 0;
  });
  value.OnWritten([this, &value] {
    const int64_t bit = int64_t(1) << m_userOutputSelector->Stored();
    int64_t all;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_userOutputs = value.Stored() ? (m_userOutputs | bit) : (m_userOutputs & ~bit);
      all = m_userOutputs;
      UpdateOutputs();
    }
    m_userOutputValueAll->Store(all);
  });
  m_userOutputSelector->AddSelected(value);
  m_userOutputValueAll->AddInvalidated(value);
  value.AddInvalidated(*m_userOutputValueAll);
  for (CMemoryNode* node :
       std::initializer_list<CMemoryNode*>{m_userOutputSelector, &value, m_userOutputValueAll})
    category.Add(*node);
}

void CSimCamera::BuildTransport(CMemoryCategory& root) {
  auto& category = m_nodes.Add<CMemoryCategory>("TransportLayer");
  category.Describe("Transfer of the frames");
  root.Add(category);
  auto& payload = m_nodes.Add<CMemoryInteger>("PayloadSize", 0, int64_t(1) << 31, 0);
  payload.Describe("Bytes of one frame, padding included");
  payload.SetAccess(RO);
  payload.SetGetter([this] { return PayloadSize(); });
  for (CMemoryNode* node : std::initializer_list<CMemoryNode*>{m_pixelFormat, m_width, m_height})
    node->AddInvalidated(payload);
  category.Add(payload);

  auto& chunks = m_nodes.Add<CMemoryCategory>("ChunkDataStreams");
  chunks.Describe("Data appended to the frames", Guru);
  root.Add(chunks);
  auto& chunkMode = m_nodes.Add<CMemoryBoolean>("ChunkModeActive", false);
  chunkMode.Describe("Appends chunk data to the frames (not used by the simulation)", Guru);
  chunks.Add(chunkMode);
}

void CSimCamera::GuardWrites() {
  NodeList_t nodes;
  m_nodes.GetNodes(nodes);
  for (INode* node : nodes) {
    auto* memoryNode = dynamic_cast<CMemoryNode*>(node);
    const std::string name = node->GetName();
    memoryNode->BeforeWrite([this, name] {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_refused.count(name))
        throw GenICam::AccessException(("The camera refused the value of '" + name + "'").c_str(), __FILE__,
                                       __LINE__);
    });
  }
}

void CSimCamera::OnTriggerSettingsChanged() {
  const bool on = m_triggerMode->Stored() == 1;
  const int64_t source = m_triggerSource->Stored();
  const bool rising = m_triggerActivation->Stored() == 0;
  const double delay = m_triggerDelay->Stored();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_triggerOn = on;
  m_triggerSourceValue = source;
  m_risingEdge = rising;
  m_triggerDelayUs = delay;
  Notify();
}

void CSimCamera::StartAcquisition() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_acquiring) return;
  m_acquiring = true;
  m_nextFreeRunFrame = Clock::now();
  Notify();
}

void CSimCamera::StopAcquisition() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_acquiring = false;
  m_frameTriggers.clear();
  Notify();
}

void CSimCamera::SoftwareTrigger() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_acquiring || !m_triggerOn || m_triggerSourceValue != kSoftware) return;
  m_frameTriggers.push_back(Clock::now() + std::chrono::microseconds(std::llround(m_triggerDelayUs)));
  Notify();
}

EAccessMode CSimCamera::LockedWhileAcquiring() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_acquiring ? RO : RW;
}

int64_t CSimCamera::PayloadSize() const {
  const int64_t bytesPerPixel = BitPerPixel(EPixelType(m_pixelFormat->Stored())) / 8;
  std::lock_guard<std::mutex> lock(m_mutex);
  return (m_width->Stored() * bytesPerPixel + m_paddingX) * m_height->Stored();
}

int64_t CSimCamera::LineStatusAll() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  int64_t bits = 0;
  for (int i = 0; i < 2; ++i) {
    if (m_inputLevel[size_t(i)] != m_inverted[size_t(i)]) bits |= int64_t(1) << i;
    if (m_outputLevel[size_t(i)]) bits |= int64_t(1) << (i + 2);
  }
  return bits;
}

void CSimCamera::ApplyLineLevel(int input, bool level, Clock::time_point now) {
  const bool previous = m_inputLevel[size_t(input)] != m_inverted[size_t(input)];
  m_inputLevel[size_t(input)] = level;
  const bool current = level != m_inverted[size_t(input)];
  if (previous == current || !m_acquiring || !m_triggerOn || m_triggerSourceValue != input) return;
  if (current == m_risingEdge)
    m_frameTriggers.push_back(now + std::chrono::microseconds(std::llround(m_triggerDelayUs)));
}

bool CSimCamera::OutputLevel(int output) const {
  const int64_t source = m_outputSource[size_t(output)];
  bool level = false;
  if (source == kExposureActive) level = m_exposing;
  if (source == kUserOutput) level = ((m_userOutputs >> (output + 1)) & 1) != 0;
  return level != m_inverted[size_t(output + 2)];
}

void CSimCamera::UpdateOutputs() {
  for (int i = 0; i < 2; ++i) {
    const bool level = OutputLevel(i);
    if (level && !m_outputLevel[size_t(i)]) ++m_outputPulses[size_t(i)];
    m_outputLevel[size_t(i)] = level;
  }
}

void CSimCamera::Notify() {
  m_dirty = true;
  m_wake.notify_all();
}

void CSimCamera::Track(CDeviceBase* device) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_devices.insert(device);
}

void CSimCamera::Untrack(CDeviceBase* device) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_devices.erase(device);
}

void CSimCamera::Open(CDeviceBase* device) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_plugged) BX_THROW(RuntimeException, "The device has been removed");
  if (m_owner && m_owner != device) BX_THROW(RuntimeException, "The device is opened by another application");
  m_owner = device;
  if (!m_frameThread.joinable()) {
    m_stop = false;
    m_frameThread = std::thread(&CSimCamera::RunFrames, this);
  }
}

void CSimCamera::Close(CDeviceBase* device) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_owner != device) return;
    m_owner = nullptr;
    m_acquiring = false;
    m_frameTriggers.clear();
  }
  StopFrameThread();
  m_grabber.Close();
}

bool CSimCamera::IsPlugged() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_plugged;
}

void CSimCamera::Unplug() {
  std::set<CDeviceBase*> devices;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_plugged) return;
    m_plugged = false;
    m_acquiring = false;
    m_frameTriggers.clear();
    devices = m_devices;
  }
  m_nodes.SetOnline(false);
  StopFrameThread();
  for (CDeviceBase* device : devices) device->ReportRemoval();
}

void CSimCamera::Replug() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_plugged) return;
    m_plugged = true;
    m_owner = nullptr;
  }
  m_grabber.Close();
  m_nodes.SetOnline(true);
}

void CSimCamera::SetLineLevel(int inputLine, bool high) {
  if (inputLine < 1 || inputLine > 2) BX_THROW(InvalidArgumentException, "Input lines are 1 and 2");
  const size_t input = size_t(inputLine - 1);
  std::lock_guard<std::mutex> lock(m_mutex);
  const Clock::time_point now = Clock::now();
  if (m_debounceUs[input] <= 0.0 || !m_frameThread.joinable()) {
    m_pendingLevel[input].reset();
    ApplyLineLevel(int(input), high, now);
  } else if (high == m_inputLevel[input]) {
    m_pendingLevel[input].reset();  // a glitch shorter than the debouncer time
  } else {
    m_pendingLevel[input] =
        PendingLevel{now + std::chrono::microseconds(std::llround(m_debounceUs[input])), high};
  }
  Notify();
}

bool CSimCamera::LineLevel(const std::string& line) const {
  return ((LineStatusAll() >> LineIndex(line)) & 1) != 0;
}

unsigned CSimCamera::OutputPulses(const std::string& line) const {
  const int index = LineIndex(line);
  if (index < 2) BX_THROW(InvalidArgumentException, "Pulses are counted on Out1 and Out2");
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_outputPulses[size_t(index - 2)];
}

void CSimCamera::DeliverInvalidFrame() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_invalidNext = true;
}

void CSimCamera::RefuseValue(const std::string& feature, bool refuse) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (refuse)
    m_refused.insert(feature);
  else
    m_refused.erase(feature);
}

void CSimCamera::SetPaddingX(uint32_t bytes) {
  auto nodeLock = m_nodes.Lock();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paddingX = bytes;
  }
  if (CNodeBase* payload = m_nodes.Find("PayloadSize")) m_nodes.NotifyChanged(*payload);
}

uint64_t CSimCamera::FramesLost() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_framesLost;
}

void CSimCamera::RunFrames() {
  bx::NameThisThread("sim-camera");
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stop) {
    m_dirty = false;
    const Clock::time_point now = Clock::now();
    for (size_t i = 0; i < m_pendingLevel.size(); ++i) {
      if (m_pendingLevel[i] && m_pendingLevel[i]->due <= now) {
        ApplyLineLevel(int(i), m_pendingLevel[i]->level, now);
        m_pendingLevel[i].reset();
      }
    }
    bool due = false;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / m_config.framesPerSecond));
    if (m_acquiring && !m_triggerOn && now >= m_nextFreeRunFrame) {
      due = true;
      m_nextFreeRunFrame = std::max(m_nextFreeRunFrame + period, now);
    } else if (m_acquiring && m_triggerOn && !m_frameTriggers.empty() && m_frameTriggers.front() <= now) {
      due = true;
      m_frameTriggers.pop_front();
    }
    if (due) {
      m_exposing = true;
      UpdateOutputs();
      lock.unlock();
      // Settings are read after the trigger was seen, so writes made before it count.
      const FrameSettings settings = Snapshot();
      ExposeFrame(settings);
      lock.lock();
      m_exposing = false;
      UpdateOutputs();
      if (settings.singleFrame) m_acquiring = false;
      continue;
    }
    Clock::time_point wakeAt = Clock::now() + std::chrono::seconds(1);
    if (m_acquiring && !m_triggerOn) wakeAt = std::min(wakeAt, m_nextFreeRunFrame);
    if (m_acquiring && m_triggerOn && !m_frameTriggers.empty())
      wakeAt = std::min(wakeAt, m_frameTriggers.front());
    for (const auto& pending : m_pendingLevel)
      if (pending) wakeAt = std::min(wakeAt, pending->due);
    m_wake.wait_until(lock, wakeAt, [this] { return m_stop || m_dirty; });
  }
}

CSimCamera::FrameSettings CSimCamera::Snapshot() {
  FrameSettings settings;
  auto nodeLock = m_nodes.Lock();
  settings.format = EPixelType(m_pixelFormat->Stored());
  settings.geometry.width = uint32_t(m_width->Stored());
  settings.geometry.height = uint32_t(m_height->Stored());
  settings.geometry.offsetX = uint32_t(m_offsetX->Stored());
  settings.geometry.offsetY = uint32_t(m_offsetY->Stored());
  const double level = double(m_exposure->Stored()) / double(kNominalExposure) * GainFactor(m_gain->Stored());
  for (int64_t channel = 0; channel < 3; ++channel)
    settings.exposure.channelGain[size_t(channel)] = level * m_balance->StoredFor({channel});
  settings.singleFrame = m_acquisitionMode->Stored() == 0;
  settings.payloadSize = PayloadSize();
  const bool lutEnabled = m_lutEnable->Stored();
  std::lock_guard<std::mutex> lock(m_mutex);
  settings.geometry.paddingX = m_paddingX;
  if (lutEnabled) {
    settings.lut.resize(4096);
    for (size_t i = 0; i < settings.lut.size(); ++i) {
      const size_t j = i / 8;
      const double low = m_lutValues[j];
      const double high = j + 1 < m_lutValues.size() ? m_lutValues[j + 1] : low;
      settings.lut[i] = uint16_t(std::lround(low + (high - low) * double(i % 8) / 8.0));
    }
  }
  return settings;
}

void CSimCamera::ExposeFrame(const FrameSettings& settings) {
  bool invalid;
  uint64_t blockId;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    invalid = std::exchange(m_invalidNext, false);
    blockId = ++m_blockId;
  }
  SExposure exposure = settings.exposure;
  if (!settings.lut.empty()) exposure.lut = &settings.lut;
  const bool delivered = m_grabber.Deliver([&](GrabResult& result, uint8_t* buffer, size_t size) {
    result.m_pixelType = settings.format;
    result.m_sizeX = int32_t(settings.geometry.width);
    result.m_sizeY = int32_t(settings.geometry.height);
    result.m_offsetX = int32_t(settings.geometry.offsetX);
    result.m_offsetY = int32_t(settings.geometry.offsetY);
    result.m_paddingX = int32_t(settings.geometry.paddingX);
    result.m_payloadSize = settings.payloadSize;
    result.m_blockId = blockId;
    result.m_timeStamp = uint64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
    result.m_status = Failed;
    if (invalid) {
      result.m_errorCode = 0xE1000014;
      result.m_errorDescription = "The frame was not received completely";
    } else if (int64_t(size) < settings.payloadSize) {
      result.m_errorCode = 0xE1000015;
      result.m_errorDescription = "The buffer is smaller than the payload";
    } else {
      if (!m_scene) m_scene = CSimScene::ForSensor(m_config.sensorWidth, m_config.sensorHeight);
      m_frameCache.Render(*m_scene, settings.format, settings.geometry, exposure, buffer,
                          size_t(settings.payloadSize));
      result.m_status = Grabbed;
    }
  });
  if (!delivered) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_framesLost;
    m_invalidNext = m_invalidNext || invalid;
  }
}

void CSimCamera::StopFrameThread() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
    m_wake.notify_all();
  }
  if (m_frameThread.joinable()) m_frameThread.join();
}

}  // namespace Pylon
