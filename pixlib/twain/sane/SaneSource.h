#pragma once
// A data source over one SANE device: the pixel type, bit depth,
// resolution and feeder capabilities and the scan area map to the device's
// options, and any
// other option is set by name through custom source data ("name=value"
// lines). A flatbed gives one picture per enable, a feeder until it runs
// empty.

#include <sane/sane.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "pixlib/twain/source/DataSource.h"

namespace twainsane {

class SaneSource : public twainsource::DataSource {
 protected:
  bool OpenDevice(const TW_IDENTITY& identity) override;
  void CloseDevice() override;
  PageResult NextPage(twainsource::ScannedPage& page, int index) override;
  TW_UINT16 DeviceCapability(TW_UINT16 msg, TW_CAPABILITY& cap) override;
  TW_UINT16 CustomData(TW_UINT16 msg, TW_CUSTOMDSDATA& data) override;
  TW_UINT16 Layout(TW_UINT16 msg, TW_IMAGELAYOUT& layout) override;

 private:
  TW_INT16 PixelType() const;
  bool SetPixelType(TW_INT16 type);
  bool SetBitDepth(TW_UINT32 depth);
  bool FeederEnabled() const;
  bool SetFeeder(bool enabled);
  // Reads the frames of one picture (one, or three for a three-pass
  // device) into page; false on a device error.
  bool ReadPicture(twainsource::ScannedPage& page);
  // sane_start, noting the threads the backend starts for reading.
  SANE_Status Start();
  bool ReadFrame(std::vector<SANE_Byte>& bytes, std::size_t expected);
  std::size_t ReadSize(std::size_t free, std::size_t used, std::size_t expected);

  SANE_Handle m_device = nullptr;
  bool m_scanning = false;
  std::vector<pid_t> m_readers;  // threads the last sane_start began
};

}  // namespace twainsane
