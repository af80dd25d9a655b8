#include "pylon/aravis/ArvStreamGrabber.h"

#include "pylon/GenericException.h"

namespace Pylon {

namespace {

// A buffer cut short (the camera went away) may carry no image part to describe.
bool HasImagePart(ArvBuffer* buffer) {
  if (arv_buffer_get_payload_type(buffer) != ARV_BUFFER_PAYLOAD_TYPE_IMAGE ||
      arv_buffer_get_n_parts(buffer) == 0)
    return false;
  const ArvBufferPartDataType type = arv_buffer_get_part_data_type(buffer, 0);
  return type >= ARV_BUFFER_PART_DATA_TYPE_2D_IMAGE && type <= ARV_BUFFER_PART_DATA_TYPE_3D_PLANE_QUADPLANAR;
}

}  // namespace

CArvStreamGrabber::CArvStreamGrabber(ArvCamera* camera, const std::string& deviceName)
    : CStreamGrabberBase(deviceName), m_camera(camera) {}

CArvStreamGrabber::~CArvStreamGrabber() { Close(); }

void CArvStreamGrabber::Open() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_stream) BX_THROW(RuntimeException, "The stream grabber is already open");
  GError* error = nullptr;
  m_stream = arv_camera_create_stream(m_camera, nullptr, nullptr, &error);
  m_streamRunning = m_stream != nullptr;
  if (!m_stream) {
    const std::string text = error ? error->message : "no stream";
    g_clear_error(&error);
    throw GenICam::RuntimeException(("Cannot open the stream: " + text).c_str(), __FILE__, __LINE__);
  }
}

void CArvStreamGrabber::Close() {
  StopPump();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_stream) return;
  // Releasing the stream stops its receiving thread, which must be running then.
  if (!m_streamRunning) arv_stream_start_thread(m_stream);
  m_streamRunning = false;
  g_object_unref(m_stream);
  m_stream = nullptr;
  m_prepared = false;
  m_buffers.clear();
  m_output.clear();
  UpdateSignal();
}

bool CArvStreamGrabber::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_stream != nullptr;
}

const void* CArvStreamGrabber::DeregisterBuffer(StreamBufferHandle handle) {
  bool inStream;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_buffers.find(handle);
    if (it == m_buffers.end()) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
    inStream = it->second.inStream;
  }
  // The memory may be freed next: a buffer still in the stream is taken back first.
  if (inStream) CancelGrab();
  std::lock_guard<std::mutex> lock(m_mutex);
  return ForgetBuffer(handle);
}

void CArvStreamGrabber::PrepareGrab() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_stream) BX_THROW(LogicalErrorException, "The stream grabber is not open");
    m_prepared = true;
  }
  StartPump();
}

void CArvStreamGrabber::FinishGrab() {
  StopPump();
  std::lock_guard<std::mutex> lock(m_mutex);
  CancelLocked(true);
  m_output.clear();
  UpdateSignal();
  m_prepared = false;
}

void CArvStreamGrabber::QueueBuffer(StreamBufferHandle handle, const void* context) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_prepared) BX_THROW(LogicalErrorException, "QueueBuffer before PrepareGrab");
  auto it = m_buffers.find(handle);
  if (it == m_buffers.end()) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
  if (it->second.inStream) BX_THROW(LogicalErrorException, "The buffer is queued already");
  it->second.inStream = true;
  it->second.context = context;
  arv_stream_push_buffer(m_stream, arv_buffer_new_full(it->second.size, it->second.data, handle, nullptr));
}

void CArvStreamGrabber::CancelGrab() {
  const bool pumping = m_pumping;
  StopPump();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    CancelLocked(true);
  }
  if (pumping) StartPump();
}

void CArvStreamGrabber::CancelLocked(bool restartStream) {
  if (!m_stream) return;
  while (ArvBuffer* buffer = arv_stream_try_pop_buffer(m_stream)) Collect(buffer);
  // Buffers still waiting in the stream are dropped by Aravis; the memory is ours.
  if (m_streamRunning) arv_stream_stop_thread(m_stream, TRUE);
  for (auto& [handle, buffer] : m_buffers) {
    if (!buffer.inStream) continue;
    buffer.inStream = false;
    PushCanceled(handle);
  }
  m_streamRunning = restartStream;
  if (restartStream) arv_stream_start_thread(m_stream);
  UpdateSignal();
}

void CArvStreamGrabber::StartPump() {
  if (m_pumping.exchange(true)) return;
  m_pump = std::thread(&CArvStreamGrabber::Pump, this);
}

void CArvStreamGrabber::StopPump() {
  m_pumping = false;
  if (m_pump.joinable()) m_pump.join();
}

void CArvStreamGrabber::Pump() {
  while (m_pumping) {
    ArvBuffer* buffer = arv_stream_timeout_pop_buffer(m_stream, 50000);
    if (!buffer) continue;
    std::lock_guard<std::mutex> lock(m_mutex);
    Collect(buffer);
    UpdateSignal();
  }
}

// Turns a filled Aravis buffer into a result (m_mutex held) and releases it.
void CArvStreamGrabber::Collect(ArvBuffer* buffer) {
  auto handle = const_cast<void*>(arv_buffer_get_user_data(buffer));
  auto it = m_buffers.find(handle);
  if (it != m_buffers.end() && it->second.inStream) {
    it->second.inStream = false;
    GrabResult result;
    result.m_handle = handle;
    result.m_context = it->second.context;
    result.m_buffer = it->second.data;
    const ArvBufferStatus status = arv_buffer_get_status(buffer);
    result.m_status = status == ARV_BUFFER_STATUS_SUCCESS ? Grabbed : Failed;
    result.m_errorCode = uint32_t(status);
    if (status != ARV_BUFFER_STATUS_SUCCESS)
      result.m_errorDescription =
          "Frame not received completely (status " + std::to_string(int(status)) + ")";
    if (HasImagePart(buffer)) {
      result.m_pixelType = EPixelType(arv_buffer_get_image_pixel_format(buffer));
      result.m_sizeX = arv_buffer_get_image_width(buffer);
      result.m_sizeY = arv_buffer_get_image_height(buffer);
      result.m_offsetX = arv_buffer_get_image_x(buffer);
      result.m_offsetY = arv_buffer_get_image_y(buffer);
      gint paddingX = 0, paddingY = 0;
      arv_buffer_get_image_padding(buffer, &paddingX, &paddingY);
      result.m_paddingX = paddingX;
      result.m_paddingY = paddingY;
    }
    size_t size = 0;
    arv_buffer_get_data(buffer, &size);
    result.m_payloadSize = int64_t(size);
    result.m_timeStamp = arv_buffer_get_timestamp(buffer);
    result.m_blockId = arv_buffer_get_frame_id(buffer);
    m_output.push_back(std::move(result));
  }
  g_object_unref(buffer);
}

}  // namespace Pylon
