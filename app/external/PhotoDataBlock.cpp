#include "app/external/PhotoDataBlock.h"

#include <algorithm>
#include <cstring>

namespace bx::external {
namespace {

template <std::size_t Size>
void Put(char (&field)[Size], const std::string& text) {
  std::size_t length = std::min(text.size(), Size - 1);
  // Never split a UTF-8 sequence: back up over continuation bytes.
  while (length < text.size() && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

template <std::size_t Size>
std::string Get(const char (&field)[Size]) {
  return std::string(field, ::strnlen(field, Size));
}

}  // namespace

void FillPhotoData(const CFoto& photo, BxPhotoData& data) {
  const CProcessedImage::Parameters& p = photo.params;
  Put(data.fileName, photo.name);
  Put(data.resultText, p.text);
  Put(data.operatorName, photo.operatorName);
  data.date = photo.date.Value();
  data.dateValid = photo.date.IsValid() ? 1 : 0;
  data.film = photo.film;
  data.counter = photo.counter;
  data.position = photo.position;
  const auto& tags = photo.events.Tags();
  data.eventCount = static_cast<int>(std::min<std::size_t>(tags.size(), BX_PHOTO_MAX_EVENTS));
  for (int i = 0; i < data.eventCount; ++i) Put(data.events[i], tags[static_cast<std::size_t>(i)]);
  Put(data.foregroundImage, p.fgImageName);
  Put(data.backgroundImage, p.bgImageName);
  Put(data.iconImage, p.iconImageName);
  Put(data.fontName, p.fontName);
  Put(data.page, p.page);
  data.aspectRatio = p.aspectRatio;
  data.imageX = p.imageX;
  data.imageY = p.imageY;
  data.cropLeft = p.cropLeft;
  data.cropTop = p.cropTop;
  data.cropRight = p.cropRight;
  data.cropBottom = p.cropBottom;
  data.zoom = p.zoom;
  data.rotation = p.rotation;
  data.red = p.red;
  data.green = p.green;
  data.blue = p.blue;
  data.contrast = p.contrast;
  data.brightness = p.brightness;
  data.saturation = p.saturation;
  data.autoLevels = p.autoLevels ? 1 : 0;
  data.iconX = p.iconX;
  data.iconY = p.iconY;
  data.iconZoom = p.iconZoom;
  data.iconRotation = p.iconRotation;
  data.textX = p.textX;
  data.textY = p.textY;
  data.textZoom = p.textZoom;
  data.textRotation = p.textRotation;
  data.fontStyle = p.fontStyle;
  data.textAlign = p.textAlign;
  data.textColor = p.textColor;
}

void ReadPhotoData(const BxPhotoData& data, CFoto& photo) {
  CProcessedImage::Parameters& p = photo.params;
  photo.name = Get(data.fileName);
  p.text = Get(data.resultText);
  photo.operatorName = Get(data.operatorName);
  photo.date = data.dateValid ? bx::OleDateTime(data.date) : bx::OleDateTime::Null();
  photo.film = data.film;
  photo.counter = data.counter;
  photo.position = data.position;
  photo.events = CEventList();
  for (int i = 0; i < std::clamp(data.eventCount, 0, BX_PHOTO_MAX_EVENTS); ++i)
    photo.events.Add(Get(data.events[i]));
  p.fgImageName = Get(data.foregroundImage);
  p.bgImageName = Get(data.backgroundImage);
  p.iconImageName = Get(data.iconImage);
  p.fontName = Get(data.fontName);
  p.page = Get(data.page);
  p.aspectRatio = data.aspectRatio;
  p.imageX = data.imageX;
  p.imageY = data.imageY;
  p.cropLeft = data.cropLeft;
  p.cropTop = data.cropTop;
  p.cropRight = data.cropRight;
  p.cropBottom = data.cropBottom;
  p.zoom = data.zoom;
  p.rotation = data.rotation;
  p.red = data.red;
  p.green = data.green;
  p.blue = data.blue;
  p.contrast = data.contrast;
  p.brightness = data.brightness;
  p.saturation = data.saturation;
  p.autoLevels = data.autoLevels != 0;
  p.iconX = data.iconX;
  p.iconY = data.iconY;
  p.iconZoom = data.iconZoom;
  p.iconRotation = data.iconRotation;
  p.textX = data.textX;
  p.textY = data.textY;
  p.textZoom = data.textZoom;
  p.textRotation = data.textRotation;
  p.fontStyle = data.fontStyle;
  p.textAlign = data.textAlign;
  p.textColor = data.textColor;
}

}  // namespace bx::external
