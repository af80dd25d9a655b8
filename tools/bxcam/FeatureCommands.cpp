#include "tools/bxcam/FeatureCommands.h"

namespace bxcam {
namespace {

void WriteFeatures(GenApi::INode& node, std::ostream& out) {
  GenApi::CCategoryPtr category(&node);
  if (category) {
    GenApi::FeatureList_t features;
    category->GetFeatures(features);
    for (GenApi::IValue* feature : features) WriteFeatures(*feature->GetNode(), out);
    return;
  }
  const GenApi::EAccessMode access = node.GetAccessMode();
  std::string value;
  try {
    if (GenApi::IsReadable(access) && node.GetPrincipalInterfaceType() != GenApi::intfICommand)
      value = GenApi::CValuePtr(&node)->ToString();
  } catch (const GenICam::GenericException& e) {  // one unreadable feature ends no listing
    value = std::string("<") + e.GetDescription() + ">";
  }
  out << node.GetName() << '\t' << GenApi::InterfaceTypeName(node.GetPrincipalInterfaceType()) << '\t'
      << GenApi::AccessModeName(access) << '\t' << value << '\n';
}

}  // namespace

void ListCameras(std::ostream& out, std::ostream& err) {
  Pylon::DeviceInfoList devices;
  Pylon::CTlFactory::GetInstance().EnumerateDevices(devices);
  for (size_t i = 0; i < devices.size(); ++i)
    out << i << '\t' << devices[i].GetSerialNumber() << '\t' << devices[i].GetModelName() << '\t'
        << devices[i].GetDeviceClass() << '\n';
  if (!devices.empty()) return;
  const std::string transport = Pylon::CTlFactory::GetInstance().GetTransport();
  err << "bxcam: no cameras found on transport " << transport;
  if (transport != "sim") err << " (the simulated cameras: --transport sim)";
  err << '\n';
}

void ListFeatures(CameraSession& session, std::ostream& out) { WriteFeatures(session.Feature("Root"), out); }

void GetFeature(CameraSession& session, const std::string& name, std::ostream& out) {
  GenApi::CValuePtr value(&session.Feature(name));
  out << value->ToString() << '\n';
}

void SetFeature(CameraSession& session, const std::string& name, const std::string& value) {
  GenApi::CValuePtr(&session.Feature(name))->FromString(value);
}

}  // namespace bxcam
