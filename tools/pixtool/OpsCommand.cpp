// pixtool ops STEP...: runs a pipeline of image-object operations, each step
// a word followed by a fixed number of arguments.

#include "tools/pixtool/PnmFile.h"
#include "tools/pixtool/Subcommand.h"

#include "color/ColorTransformer.h"
#include "ipl/IplTypes.h"
#include "pixlib/core/CannyFilter.h"
#include "pixlib/core/Lut.h"

#include <tinyxml.h>

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

struct Pipeline {
  std::unique_ptr<CxImage> image = std::make_unique<CxImage>();
};

using Args = std::span<const std::string>;

struct Step {
  size_t argCount;
  std::function<std::string(Pipeline&, Args)> run;  // returns an error text, empty on success
};

int toInt(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) throw std::invalid_argument("not an integer: " + s);
  return v;
}

float toFloat(const std::string& s) {
  size_t used = 0;
  const float v = std::stof(s, &used);
  if (used != s.size()) throw std::invalid_argument("not a number: " + s);
  return v;
}

std::string needImage(const Pipeline& p) { return p.image->IsValid() ? "" : "no image loaded"; }

std::string load(Pipeline& p, Args a) {
  std::string error;
  return LoadPnm(a[0], *p.image, error) ? "" : error;
}

std::string loadRaw(Pipeline& p, Args a) {
  std::string error;
  return LoadRaw(a[0], toInt(a[1]), toInt(a[2]), toInt(a[3]), *p.image, error) ? "" : error;
}

std::string resize(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  auto target = std::make_unique<CxImage>();
  if (!target->Create(toInt(a[0]), toInt(a[1]), p.image->HasAlphaChannel())) return "bad target size";
  if (!p.image->Resize(*target, IPL_INTER_CUBIC)) return "resize failed";
  p.image = std::move(target);
  return "";
}

std::string rotate90(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  const int degrees = toInt(a[0]);
  if (degrees != 90 && degrees != -90 && degrees != 180) return "rotate90 takes 90, -90 or 180";
  return p.image->Rotate90(degrees) ? "" : "rotation failed";
}

std::string mirror(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  return p.image->Mirror(toInt(a[0])) ? "" : "mirror takes 0, 1 or -1";
}

// Copies the float rectangle into a new W x H image, filling it.
std::string copy(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  const CFRect src(toFloat(a[0]), toFloat(a[1]), toFloat(a[2]), toFloat(a[3]));
  auto target = std::make_unique<CxImage>();
  if (!target->Create(toInt(a[4]), toInt(a[5]), p.image->HasAlphaChannel(), 1, 0)) return "bad target size";
  if (!p.image->Copy(src, CFRect(0.0f, 1.0f, target->FWidth(), 0.0f), *target))
    return "the rectangle lies outside the image";
  target->SetCOI(0);
  p.image = std::move(target);
  return "";
}

// Applies a 4x4 colour matrix given row by row (channels in stored B, G, R order).
std::string twist(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  float m[16];
  for (int i = 0; i < 16; ++i) m[i] = toFloat(a[i]);
  return p.image->ApplyColorTwist(m, *p.image) ? "" : "the matrix cannot be applied";
}

// The contrast curve with argument B (0.5 leaves the image as it is).
std::string contrast(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  CLut curve;
  ContrastLUT(toFloat(a[0]), curve);
  return p.image->ApplyColorTwist(identity, *p.image, curve) ? "" : "contrast failed";
}

// Automatic levels per colour channel.
std::string levels(Pipeline& p, Args) {
  if (auto e = needImage(p); !e.empty()) return e;
  auto target = std::make_unique<CxImage>();
  CColorTransformer().AutoLevels(*p.image, *target);
  if (!target->IsValid()) return "levels failed";
  p.image = std::move(target);
  return "";
}

// The whole colour transformer with the settings of an XML file: its
// "ColorTransformer" element at the top or below the root element.
std::string colour(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  TiXmlBase::SetCondenseWhiteSpace(true);
  TiXmlDocument document;
  if (!document.LoadFile(a[0].c_str())) return "cannot read " + a[0];
  CColorTransformer transformer;
  if (!transformer.Load(&document) && !transformer.Load(&document, document.RootElement()))
    return "no ColorTransformer element in " + a[0];
  auto target = std::make_unique<CxImage>();
  if (!target->Create(p.image->Width(), p.image->Height(), p.image->HasAlphaChannel(), 1, 0))
    return "out of memory";
  transformer.Transform(*p.image, *target, true);
  p.image = std::move(target);
  return "";
}

// Scales the ROI onto a new W x H image.
std::string warp(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  auto target = std::make_unique<CxImage>();
  if (!target->Create(toInt(a[0]), toInt(a[1]), p.image->HasAlphaChannel(), 1, 0)) return "bad target size";
  if (!p.image->Warp(*target)) return "warp failed";
  p.image = std::move(target);
  return "";
}

// Places the image by scale, angle (radians) and offset (target heights) on
// a new black W x H image.
std::string transform(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  double m[2][3];
  if (!CxImage::TransformMatrix(toFloat(a[0]), toFloat(a[1]), toFloat(a[2]), toFloat(a[3]), toFloat(a[4]), m))
    return "the matrix needs finite values";
  auto target = std::make_unique<CxImage>();
  if (!target->Create(toInt(a[5]), toInt(a[6]), p.image->HasAlphaChannel(), 1, 0)) return "bad target size";
  if (!p.image->Warp(m, *target)) return "the matrix cannot be inverted";
  p.image = std::move(target);
  return "";
}

std::string zoom(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  const CFRect r(toFloat(a[0]), toFloat(a[1]), toFloat(a[2]), toFloat(a[3]));
  auto target = std::make_unique<CxImage>();
  if (!p.image->Zoom(r, toFloat(a[4]), *target)) return "the rectangle or scale gives no image";
  p.image = std::move(target);
  return "";
}

std::string canny(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  auto edges = std::make_unique<CxImage>();
  if (!edges->Create(p.image->Width(), p.image->Height(), p.image->HasAlphaChannel(), 1, 0) ||
      !CannyFilter(*p.image, *edges, toFloat(a[0]), toInt(a[1]), toInt(a[2])))
    return "edge filter failed";
  p.image = std::move(edges);
  return "";
}

// Draws TEXT in FACE (size in image heights, angle in radians, style bits
// bold/italic/underline) centred at X, Y image heights from the centre, in
// colour RRGGBB, without background.
std::string text(Pipeline& p, Args a) {
  if (auto e = needImage(p); !e.empty()) return e;
  unsigned long rgb = 0;
  const auto [end, ec] = std::from_chars(a[7].data(), a[7].data() + a[7].size(), rgb, 16);
  if (ec != std::errc() || end != a[7].data() + a[7].size() || a[7].size() != 6)
    return "colour must be RRGGBB";
  CFont font;
  if (!p.image->CreateFont(a[0].c_str(), toFloat(a[1]), toFloat(a[2]), toInt(a[3]), font)) return "bad font";
  CDC* dc = p.image->GetDC();
  if (!dc) return "the image cannot be drawn on";
  dc->SetTextColor(RGB(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb)));
  dc->SetBkMode(TRANSPARENT);
  const int drawn = p.image->DrawText(a[8], toFloat(a[4]), toFloat(a[5]), font, toInt(a[6]), -1);
  p.image->ReleaseDC();
  return drawn ? "" : "the image cannot be drawn on";
}

std::string write(Pipeline& p, Args a) {
  std::string error;
  return WritePnm(a[0], *p.image, error) ? "" : error;
}

const std::map<std::string, Step>& steps() {
  static const std::map<std::string, Step> table = {
      {"load", {1, load}},         {"load-raw", {4, loadRaw}},    {"resize", {2, resize}},
      {"rotate90", {1, rotate90}}, {"mirror", {1, mirror}},       {"copy", {6, copy}},
      {"warp", {2, warp}},         {"transform", {7, transform}}, {"zoom", {5, zoom}},
      {"canny", {3, canny}},       {"text", {9, text}},           {"write", {1, write}},
      {"twist", {16, twist}},      {"contrast", {1, contrast}},   {"levels", {0, levels}},
      {"colour", {1, colour}},
  };
  return table;
}

}  // namespace

int RunOps(std::span<const std::string> args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: pixtool ops STEP...\n");
    return 2;
  }
  Pipeline pipeline;
  for (size_t i = 0; i < args.size();) {
    const auto step = steps().find(args[i]);
    if (step == steps().end()) {
      std::fprintf(stderr, "pixtool ops: unknown step \"%s\"\n", args[i].c_str());
      return 2;
    }
    if (i + 1 + step->second.argCount > args.size()) {
      std::fprintf(stderr, "pixtool ops: %s needs %zu arguments\n", args[i].c_str(), step->second.argCount);
      return 2;
    }
    const Args stepArgs = args.subspan(i + 1, step->second.argCount);
    std::string error;
    try {
      error = step->second.run(pipeline, stepArgs);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!error.empty()) {
      std::fprintf(stderr, "pixtool ops: %s: %s\n", args[i].c_str(), error.c_str());
      return 1;
    }
    i += 1 + step->second.argCount;
  }
  return 0;
}
