#pragma once

#include <cstdint>
#include <string>

#include "layout/CProcessedImage.h"
#include "platform/OleDateTime.h"
#include "records/CEventList.h"

// One shot: its identity in the photo table and the layout parameters it is to be
// composed with. The name of a new shot is its bare file name ("img%d.jpg").
class CFoto : public CProcessedImage {
 public:
  using CProcessedImage::CProcessedImage;

  std::int32_t id = 0;
  std::string operatorName;
  CEventList events;
  bx::OleDateTime date;
  std::int32_t film = 0;
  std::int32_t counter = 0;
  std::int32_t position = 0;
};
