// bxcam: lists cameras, reads and writes their features and grabs frames.
#include <iostream>

#include "tools/bxcam/ConvertedGrab.h"
#include "tools/bxcam/FeatureCommands.h"
#include "tools/bxcam/GrabCommand.h"
#include "tools/bxcam/VideoCommands.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      std::cout << bxcam::UsageText();
      return 0;
    }
  }
  std::string error;
  const std::optional<bxcam::Options> options = bxcam::ParseOptions(argc, argv, error);
  if (!options) {
    std::cerr << "bxcam: " << error << '\n' << bxcam::UsageText();
    return 2;
  }
  if (options->command == "video") return bxcam::RunVideoCommand(*options, std::cout, std::cerr);
  Pylon::PylonAutoInitTerm sdk;
  try {
    Pylon::CTlFactory::GetInstance().SelectTransport(options->transport);
    if (options->command == "list") {
      bxcam::ListCameras(std::cout, std::cerr);
      return 0;
    }
    if (options->command == "grab" && !options->raw)
      return bxcam::GrabConvertedFrames(*options, std::cout) ? 1 : 0;
    bxcam::CameraSession session(*options);
    if (options->command == "features") bxcam::ListFeatures(session, std::cout);
    if (options->command == "get") bxcam::GetFeature(session, options->arguments[0], std::cout);
    if (options->command == "set") bxcam::SetFeature(session, options->arguments[0], options->arguments[1]);
    if (options->command == "grab") return bxcam::GrabFrames(session, *options, std::cout) ? 1 : 0;
    return 0;
  } catch (const GenICam::GenericException& e) {
    std::cerr << "bxcam: " << e.GetDescription() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "bxcam: " << e.what() << '\n';
  }
  return 1;
}
