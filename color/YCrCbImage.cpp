#include "color/YCrCbImage.h"

#include "color/RoiHelpers.h"
#include "ipl/Ipl.h"

void CopyColourChannels(CxImage& from, CxImage& to) {
  for (int channel = 1; channel <= 3; ++channel) {
    from.SetCOI(channel);
    to.SetCOI(channel);
    iplCopy(from, to);
  }
  from.SetCOI(0);
  to.SetCOI(0);
}

void CarryAlpha(CxImage& source, CxImage& target) {
  if (!target.HasAlphaChannel()) return;
  SelectChannel(target, target.HasAlphaChannel());
  if (source.HasAlphaChannel()) {
    SelectChannel(source, source.HasAlphaChannel());
    iplCopy(source, target);
    SelectChannel(source, 0);
  } else {
    iplSet(target, 255);
  }
  SelectChannel(target, 0);
}

bool CYCrCbImage::From(CxImage& rgb) {
  if (!rgb.IsValid() || rgb.SamplesPerPixel() < 3 || !m_ycc.Create(rgb.Width(), rgb.Height())) return false;
  rgb.SetCOI(0);
  CxImage* colour = &rgb;
  if (rgb.SamplesPerPixel() != 3) {
    if (!m_colour.Create(rgb.Width(), rgb.Height())) return false;
    CopyColourChannels(rgb, m_colour);
    colour = &m_colour;
  }
  iplRGB2YCrCb(*colour, m_ycc);
  return true;
}

bool CYCrCbImage::To(CxImage& rgb) {
  if (!m_ycc.IsValid() || rgb.Width() != m_ycc.Width() || rgb.Height() != m_ycc.Height() ||
      rgb.SamplesPerPixel() < 3)
    return false;
  m_ycc.SetCOI(0);
  rgb.SetCOI(0);
  if (rgb.SamplesPerPixel() == 3) {
    iplYCrCb2RGB(m_ycc, rgb);
    return true;
  }
  if (!m_colour.Create(rgb.Width(), rgb.Height())) return false;
  iplYCrCb2RGB(m_ycc, m_colour);
  CopyColourChannels(m_colour, rgb);
  return true;
}
