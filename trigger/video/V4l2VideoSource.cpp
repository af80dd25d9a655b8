#include "trigger/video/V4l2VideoSource.h"

#include "platform/ThreadName.h"
#include "trigger/video/FrameDecoding.h"
#include "trigger/video/V4l2Devices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

namespace {

constexpr unsigned kBufferCount = 4;

int Ioctl(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ::ioctl(fd, request, argument);
  } while (result < 0 && errno == EINTR);
  return result;
}

std::string ErrorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// A capture buffer mapped from the driver, as the buffer ioctls take it.
v4l2_buffer MappedBuffer(unsigned index = 0) {
  v4l2_buffer buffer{};
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  buffer.index = index;
  return buffer;
}

}  // namespace

V4l2VideoSource::~V4l2VideoSource() { Close(); }

bool V4l2VideoSource::Open(int index, std::string& error) {
  Close();
  const std::vector<V4l2DeviceInfo> devices = ListV4l2CaptureDevices(m_folder);
  if (index < 0 || index >= static_cast<int>(devices.size())) {
    error = "no video capture device at position " + std::to_string(index) + " (" +
            std::to_string(devices.size()) + " found)";
    return false;
  }
  m_path = devices[static_cast<size_t>(index)].path;
  m_fd = ::open(m_path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) {
    error = ErrorText(m_path.c_str());
    return false;
  }
  if (ChooseFormat(error) && MapBuffers(error)) return true;
  Close();
  return false;
}

bool V4l2VideoSource::ChooseFormat(std::string& error) {
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Ioctl(m_fd, VIDIOC_G_FMT, &format) < 0) {
    error = ErrorText("VIDIOC_G_FMT");
    return false;
  }
  // The device's current size in the first format it accepts.
  for (uint32_t wanted : {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG}) {
    v4l2_format trial = format;
    trial.fmt.pix.pixelformat = wanted;
    trial.fmt.pix.field = V4L2_FIELD_NONE;
    if (Ioctl(m_fd, VIDIOC_S_FMT, &trial) == 0 && trial.fmt.pix.pixelformat == wanted) {
      m_format = wanted;
      m_width = static_cast<int>(trial.fmt.pix.width);
      m_height = static_cast<int>(trial.fmt.pix.height);
      m_stride = static_cast<int>(trial.fmt.pix.bytesperline);
      if (m_stride == 0) m_stride = m_width * 2;
      return true;
    }
  }
  error = m_path + " offers neither YUYV nor MJPEG";
  return false;
}

bool V4l2VideoSource::MapBuffers(std::string& error) {
  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (Ioctl(m_fd, VIDIOC_REQBUFS, &request) < 0 || request.count == 0) {
    error = m_path + " does not stream through mapped buffers";
    return false;
  }
  for (unsigned i = 0; i < request.count; ++i) {
    v4l2_buffer buffer = MappedBuffer(i);
    if (Ioctl(m_fd, VIDIOC_QUERYBUF, &buffer) < 0) {
      error = ErrorText("VIDIOC_QUERYBUF");
      return false;
    }
    void* start = ::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, buffer.m.offset);
    if (start == MAP_FAILED) {
      error = ErrorText("mmap");
      return false;
    }
    m_buffers.push_back({start, buffer.length});
  }
  return true;
}

bool V4l2VideoSource::Run(FrameCallback callback, std::string& error) {
  if (m_fd < 0) {
    error = "the device is not open";
    return false;
  }
  Stop();
  for (unsigned i = 0; i < m_buffers.size(); ++i) {
    v4l2_buffer buffer = MappedBuffer(i);
    if (Ioctl(m_fd, VIDIOC_QBUF, &buffer) < 0) {
      error = ErrorText("VIDIOC_QBUF");
      return false;
    }
  }
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Ioctl(m_fd, VIDIOC_STREAMON, &type) < 0) {
    error = ErrorText("VIDIOC_STREAMON");
    return false;
  }
  m_stopFd = ::eventfd(0, EFD_CLOEXEC);
  if (m_stopFd < 0) {
    error = ErrorText("eventfd");
    Ioctl(m_fd, VIDIOC_STREAMOFF, &type);
    return false;
  }
  m_thread = std::thread([this, callback = std::move(callback)] { StreamFrames(callback); });
  return true;
}

void V4l2VideoSource::StreamFrames(const FrameCallback& callback) {
  bx::NameThisThread("bx-video");
  VideoFrame frame;
  pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
  for (;;) {
    if (::poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (waits[1].revents != 0 || (waits[0].revents & (POLLERR | POLLHUP)) != 0) return;
    if ((waits[0].revents & POLLIN) != 0 && !DeliverOne(callback, frame)) return;
  }
}

bool V4l2VideoSource::DeliverOne(const FrameCallback& callback, VideoFrame& frame) {
  v4l2_buffer buffer = MappedBuffer();
  if (Ioctl(m_fd, VIDIOC_DQBUF, &buffer) < 0) return errno == EAGAIN;
  if (buffer.index >= m_buffers.size()) return false;
  const auto* data = static_cast<const uint8_t*>(m_buffers[buffer.index].start);
  const size_t used = std::min<size_t>(buffer.bytesused, m_buffers[buffer.index].length);
  // A frame the driver marked bad, or that does not decode, is skipped.
  const bool decoded =
      (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0 &&
      (m_format == V4L2_PIX_FMT_YUYV ? DecodeYuyv(data, used, m_width, m_height, m_stride, frame)
                                     : DecodeMjpeg(data, used, m_width, m_height, frame));
  if (decoded) callback(frame.View());
  return Ioctl(m_fd, VIDIOC_QBUF, &buffer) == 0;
}

void V4l2VideoSource::Stop() {
  if (m_thread.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
    m_thread.join();
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(m_fd, VIDIOC_STREAMOFF, &type);
  }
  if (m_stopFd >= 0) {
    ::close(m_stopFd);
    m_stopFd = -1;
  }
}

void V4l2VideoSource::Close() {
  Stop();
  for (const Buffer& buffer : m_buffers) ::munmap(buffer.start, buffer.length);
  m_buffers.clear();
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

std::string V4l2VideoSource::FormatName() const {
  return m_format == V4L2_PIX_FMT_YUYV ? "YUYV" : m_format == V4L2_PIX_FMT_MJPEG ? "MJPG" : "";
}

std::string V4l2VideoSource::Properties() const {
  if (m_fd < 0) return "not available";
  std::ostringstream list;
  v4l2_queryctrl control{};
  control.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (Ioctl(m_fd, VIDIOC_QUERYCTRL, &control) == 0) {
    if ((control.flags & V4L2_CTRL_FLAG_DISABLED) == 0 && control.type != V4L2_CTRL_TYPE_CTRL_CLASS) {
      v4l2_control value{};
      value.id = control.id;
      list << reinterpret_cast<const char*>(control.name) << " [" << control.minimum << ".."
           << control.maximum << "]";
      if (Ioctl(m_fd, VIDIOC_G_CTRL, &value) == 0) list << " = " << value.value;
      list << '\n';
    }
    control.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  const std::string text = list.str();
  return text.empty() ? "not available" : text;
}
