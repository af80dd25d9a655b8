#include "tools/bxcam/Options.h"

#include <cstdlib>

namespace bxcam {
namespace {

bool ParseCount(const std::string& text, long min, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= min && value <= 1000000;
}

size_t ExpectedArguments(const std::string& command) {
  if (command == "get") return 1;
  if (command == "set") return 2;
  if (command == "video") return 1;
  return 0;
}

}  // namespace

const char* UsageText() {
  return "usage: bxcam [--transport aravis|sim] COMMAND [OPTIONS]\n"
         "  list                          index, serial, model and transport of each camera\n"
         "  features [-d N]               name, type, access and value of every feature\n"
         "  get NAME [-d N]               value of one feature\n"
         "  set NAME VALUE [-d N]         write one feature\n"
         "  grab [-d N] -n COUNT -o DIR [--set NAME=VALUE]... [--raw] [--aec NAME]\n"
         "                                software-triggered frames, converted by the camera\n"
         "                                classes, into DIR as frame_NNNN.ppm the right way up\n"
         "                                (--set PixelFormat=NAME picks the camera format);\n"
         "                                --raw writes the camera's buffers instead: PGM for\n"
         "                                Mono8, PPM for BGR8Packed, else raw files named\n"
         "                                frame_NNNN_WIDTHxHEIGHT_PIXELTYPE.raw;\n"
         "                                --aec runs the exposure algorithm NAME (\"Global\",\n"
         "                                \"Global Mean\", ..., \"Spot Median\") on every frame\n"
         "                                and prints the exposure it writes\n"
         "  video list                    position, device node, name and driver of each\n"
         "                                V4L2 video capture device\n"
         "  video controls [-d N]         the controls of the capture device at position N\n"
         "  video grab [-d N] -n COUNT -o DIR\n"
         "                                frames of the capture device at position N into\n"
         "                                DIR as frame_NNNN.ppm\n"
         "The default transport is aravis (real cameras). Simulated cameras (sim) live inside\n"
         "this process: a value written by 'bxcam set' to one of them is lost when bxcam ends.\n"
         "BX_SIM_CAMERAS, BX_SIM_FPS and BX_SIM_SENSOR configure the simulated cameras.\n";
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options options;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    long number = 0;
    if (arg == "--transport" && hasValue) {
      options.transport = args[++i];
    } else if (arg == "-d" && hasValue && ParseCount(args[i + 1], 0, number)) {
      options.device = unsigned(number);
      ++i;
    } else if (arg == "-n" && hasValue && ParseCount(args[i + 1], 1, number)) {
      options.count = int(number);
      ++i;
    } else if (arg == "-o" && hasValue) {
      options.outputDir = args[++i];
    } else if (arg == "--set" && hasValue && args[i + 1].find('=') != std::string::npos) {
      const std::string& setting = args[++i];
      const size_t equals = setting.find('=');
      options.settings.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
    } else if (arg == "--aec" && hasValue) {
      options.aec = args[++i];
    } else if (arg == "--raw") {
      options.raw = true;
    } else if (!arg.empty() && arg[0] == '-') {
      error = "bad option or value: " + arg;
      return std::nullopt;
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.arguments.push_back(arg);
    }
  }
  if (options.transport != "aravis" && options.transport != "sim") {
    error = "unknown transport '" + options.transport + "'";
    return std::nullopt;
  }
  const bool known = options.command == "list" || options.command == "features" || options.command == "get" ||
                     options.command == "set" || options.command == "grab" || options.command == "video";
  if (!known) {
    error = options.command.empty() ? "no command given" : "unknown command '" + options.command + "'";
    return std::nullopt;
  }
  if (options.arguments.size() != ExpectedArguments(options.command)) {
    error = "wrong number of arguments for " + options.command;
    return std::nullopt;
  }
  const bool videoGrab = options.command == "video" && options.arguments[0] == "grab";
  if (options.command == "video" && !videoGrab && options.arguments[0] != "list" &&
      options.arguments[0] != "controls") {
    error = "video takes list, controls or grab";
    return std::nullopt;
  }
  if ((options.command == "grab" || videoGrab) && options.outputDir.empty()) {
    error = "grab needs -o DIR";
    return std::nullopt;
  }
  return options;
}

}  // namespace bxcam
