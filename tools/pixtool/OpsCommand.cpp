// pixtool ops STEP...: runs a pipeline of image-object operations, each step
// a word followed by a fixed number of arguments.

#include "tools/pixtool/PnmFile.h"
#include "tools/pixtool/Subcommand.h"

#include "ipl/IplTypes.h"

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

std::string write(Pipeline& p, Args a) {
  std::string error;
  return WritePnm(a[0], *p.image, error) ? "" : error;
}

const std::map<std::string, Step>& steps() {
  static const std::map<std::string, Step> table = {
      {"load", {1, load}},       {"load-raw", {4, loadRaw}}, {"resize", {2, resize}}, {"rotate90", {1, rotate90}},
      {"mirror", {1, mirror}},   {"copy", {6, copy}},        {"write", {1, write}},
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
