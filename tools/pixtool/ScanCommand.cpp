// pixtool scan: acquires pictures from a TWAIN source through the library's
// source manager and writes them by OUT's extension; --list names the
// sources.

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pixlib/twain/TwainCollector.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

namespace {

struct ScanArgs {
  bool list = false;
  std::string source;
  unsigned short mechanism = TWSX_NATIVE;
  std::string customData;        // "name=value" lines
  std::optional<TW_FRAME> area;  // inches
  int count = 1;
  int timeoutSeconds = 60;
  std::string out;
};

int Usage(const std::string& error) {
  std::fprintf(
      stderr,
      "%s%susage: pixtool scan [--source NAME] [--mode native|memory|file] [--option NAME=VALUE]...\n"
      "                    [--area L,T,R,B] [--count N] [--timeout SECONDS] OUT\n"
      "       (area in inches; OUT holds %%d when N > 1)\n"
      "       pixtool scan --list\n",
      error.c_str(), error.empty() ? "" : "\n");
  return 2;
}

bool ParseScanArgs(std::span<const std::string> args, ScanArgs& parsed, std::string& error) {
  static const std::map<std::string, unsigned short> mechanisms{
      {"native", TWSX_NATIVE}, {"file", TWSX_FILE}, {"memory", TWSX_MEMORY}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--list") {
      parsed.list = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!parsed.out.empty()) return error = "only one OUT", false;
      parsed.out = arg;
      continue;
    }
    if (i + 1 >= args.size()) return error = arg + " needs a value", false;
    const std::string& value = args[++i];
    if (arg == "--source") {
      parsed.source = value;
    } else if (arg == "--mode") {
      const auto found = mechanisms.find(value);
      if (found == mechanisms.end()) return error = "unknown mode " + value, false;
      parsed.mechanism = found->second;
    } else if (arg == "--option") {
      if (value.find('=') == std::string::npos) return error = "--option needs NAME=VALUE", false;
      parsed.customData += value + "\n";
    } else if (arg == "--area") {
      double edges[4] = {};
      if (std::sscanf(value.c_str(), "%lf,%lf,%lf,%lf", &edges[0], &edges[1], &edges[2], &edges[3]) != 4)
        return error = "--area needs LEFT,TOP,RIGHT,BOTTOM in inches", false;
      parsed.area = TW_FRAME{ToFix32(edges[0]), ToFix32(edges[1]), ToFix32(edges[2]), ToFix32(edges[3])};
    } else if (arg == "--count" || arg == "--timeout") {
      const int number = std::atoi(value.c_str());
      if (number < 1) return error = arg + " needs a positive number", false;
      (arg == "--count" ? parsed.count : parsed.timeoutSeconds) = number;
    } else {
      return error = "unknown option " + arg, false;
    }
  }
  if (parsed.list) return true;
  if (parsed.out.empty()) return error = "OUT is missing", false;
  if (parsed.count > 1 && parsed.out.find("%d") == std::string::npos)
    return error = "OUT needs %d with --count", false;
  return true;
}

constexpr const char* kWhereSourcesAre =
    "(the source manager looks in $BX_TWAIN_SOURCES, else in twain_sources beside it)";

// Nothing when there is no source manager (said on the error output).
std::optional<std::vector<TW_IDENTITY>> Sources() {
  if (!CTwain::TwainAvailable()) {
    std::fprintf(stderr, "pixtool: no TWAIN source manager\n");
    return std::nullopt;
  }
  CTwainCollector twain;
  std::vector<TW_IDENTITY> sources = twain.Sources(nullptr);
  twain.DropToState(TWS_PRESESSION, nullptr);
  return sources;
}

int ListSources() {
  const auto sources = Sources();
  if (!sources) return 1;
  for (const TW_IDENTITY& source : *sources)
    std::printf("%s\t%s %s\n", source.ProductName, source.Manufacturer, source.ProductFamily);
  if (sources->empty()) std::fprintf(stderr, "pixtool: no TWAIN sources found %s\n", kWhereSourcesAre);
  return 0;
}

// An empty name takes the default source.
bool IsKnownSource(const std::string& name) {
  const auto sources = Sources();
  if (!sources) return false;
  for (const TW_IDENTITY& source : *sources)
    if (name.empty() || name == source.ProductName) return true;
  if (name.empty())
    std::fprintf(stderr, "pixtool: no TWAIN sources found %s\n", kWhereSourcesAre);
  else
    std::fprintf(stderr, "pixtool: no TWAIN source named \"%s\" (pixtool scan --list names them)\n",
                 name.c_str());
  return false;
}

std::string OutputName(const std::string& pattern, int index) {
  const std::size_t at = pattern.find("%d");
  return at == std::string::npos ? pattern
                                 : pattern.substr(0, at) + std::to_string(index) + pattern.substr(at + 2);
}

}  // namespace

int RunScan(std::span<const std::string> args) {
  ScanArgs parsed;
  std::string error;
  if (!ParseScanArgs(args, parsed, error)) return Usage(error);
  if (parsed.list) return ListSources();
  if (!IsKnownSource(parsed.source)) return 1;
  CTwainCollector twain;
  twain.RegisterApp(1, 0, TWLG_USA, TWCY_USA, "1.0", "Tarvo", "pixlib32", "pixtool");
  twain.SetShowUI(0);
  twain.SetModalTimeout(static_cast<unsigned>(parsed.timeoutSeconds) * 1000u);
  twain.SetCustomData(parsed.customData);
  if (parsed.area) twain.SetFrame(*parsed.area);
  twain.SetCapability(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(parsed.count));
  twain.SetMaxImages(parsed.count);
  CTwain::ChooseSource(parsed.source.c_str());
  const int acquired = twain.ModalAcquire(parsed.mechanism, nullptr);
  twain.DropToState(TWS_PRESESSION, nullptr);
  if (!twain.SettingsAccepted()) {
    std::fprintf(stderr, "pixtool: the source refused a setting\n");
    return 1;
  }
  if (!acquired || !twain.Errors().empty() || twain.Images().empty()) {
    std::fprintf(stderr, "pixtool: acquisition failed (%zu pictures, %d failed transfers%s)\n",
                 twain.Images().size(), twain.FailedTransfers(),
                 twain.Errors().empty() ? "" : ", source error");
    return 1;
  }
  for (std::size_t i = 0; i < twain.Images().size(); ++i) {
    CxImage& image = *twain.Images()[i];
    const std::string out = OutputName(parsed.out, static_cast<int>(i) + 1);
    if (!SaveByExtension(out, image, 90, error)) {
      std::fprintf(stderr, "pixtool: %s: %s\n", out.c_str(), error.c_str());
      return 1;
    }
    std::printf("%s: %d x %d\n", out.c_str(), image.Width(), image.Height());
  }
  return 0;
}
