#include "tools/pixtool/ImageFileArgs.h"

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/Orientation.h"
#include "pixlib/codecs/bmp/BmpWriter.h"
#include "tools/pixtool/PnmFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>

bool ParseOptions(std::span<const std::string> args, const std::vector<std::string>& known,
                  std::vector<std::string>& positional, std::map<std::string, int>& options,
                  std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) != 0) {
      positional.push_back(args[i]);
      continue;
    }
    const std::string name = args[i].substr(2);
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      error = "unknown option " + args[i];
      return false;
    }
    int value = 0;
    const std::string* text = i + 1 < args.size() ? &args[++i] : nullptr;
    if (text == nullptr || std::from_chars(text->data(), text->data() + text->size(), value).ptr !=
                               text->data() + text->size()) {
      error = "option " + args[i] + " needs a number";
      return false;
    }
    options[name] = value;
  }
  return true;
}

bool HasExtension(const std::string& path, std::initializer_list<const char*> extensions) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return std::any_of(extensions.begin(), extensions.end(), [&](const char* e) { return ext == e; });
}

bool LoadAnyImage(const std::string& path, int mode, int reduction, CxImage& image, std::string& error) {
  PnmInfo pnm;
  std::string pnmError;
  if (ReadPnmInfo(path, pnm, pnmError)) return LoadPnm(path, image, error);
  ImgClearLastWarning();
  if (image.Load(path.c_str(), mode, reduction, 0, 0, nullptr) != 0) return true;
  // The reader's own reason when one refused the file.
  error = *ImgLastWarning() != '\0' ? ImgLastWarning() : "not an image file the library reads";
  return false;
}

bool SaveByExtension(const std::string& path, CxImage& image, int quality, std::string& error) {
  if (HasExtension(path, {"jpg", "jpeg", "jpe"})) {
    if (image.Save(path.c_str(), IMG_TYPE_JPEG, 1, quality, nullptr, 1) != 0) return true;
    error = "cannot write JPEG";
  } else if (HasExtension(path, {"tif", "tiff"})) {
    if (image.Save(path.c_str(), IMG_TYPE_TIFF, 1, 0, nullptr, 0) != 0) return true;
    error = "cannot write TIFF";
  } else if (HasExtension(path, {"png"})) {
    if (image.Save(path.c_str(), IMG_TYPE_PNG, 1, 0, nullptr, 0) != 0) return true;
    error = "cannot write PNG";
  } else if (HasExtension(path, {"bmp"})) {
    const CSize dpi = image.Resolution();
    if (pixcodec::WriteBmpFile(pixcodec::ViewOf(image), path.c_str(), dpi.cx, dpi.cy)) return true;
    error = "cannot write BMP";
  } else if (HasExtension(path, {"pnm", "ppm", "pgm"})) {
    return WritePnm(path, image, error);
  } else {
    error = "unknown output type (use .jpg, .tif, .png, .bmp or .pnm/.ppm/.pgm)";
  }
  return false;
}

std::string OrientationText(const std::string& path) {
  const int orientation = pixcodec::FileOrientation(path.c_str());
  if (orientation == 0) return {};
  int width = 0, height = 0;
  const bool placed = GetFileType(path.c_str(), width, height, nullptr) == IMG_TYPE_TIFF;
  return std::to_string(orientation) +
         (placed ? " (turned when read)" : " (not applied when read; convert --auto-orient turns it)");
}

bool TakeKeyOption(std::vector<std::string>& args, std::optional<std::array<unsigned char, 8>>& key,
                   std::string& error) {
  const auto option = std::find(args.begin(), args.end(), "--key");
  if (option == args.end()) return true;
  const std::string hex = option + 1 != args.end() ? *(option + 1) : "";
  std::array<unsigned char, 8> bytes{};
  const bool wellFormed =
      hex.size() == 2 * bytes.size() &&
      std::all_of(hex.begin(), hex.end(), [](unsigned char c) { return std::isxdigit(c); });
  if (!wellFormed) {
    error = "option --key needs 16 hexadecimal digits";
    return false;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i)
    std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, bytes[i], 16);
  key = bytes;
  args.erase(option, option + 2);
  return true;
}
