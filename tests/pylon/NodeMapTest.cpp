// Node semantics of a simulated camera's feature map.
#include <set>
#include <thread>

#include "tests/pylon/SimFixture.h"

using namespace GenApi;

namespace {

struct CallbackCounter {
  int calls = 0;
  INode* last = nullptr;
  void OnChanged(INode* node) {
    ++calls;
    last = node;
  }
};

void CollectFeatures(INode* node, std::set<std::string>& names) {
  CCategoryPtr category(node);
  if (!category) {
    names.insert(node->GetName());
    return;
  }
  FeatureList_t features;
  category->GetFeatures(features);
  for (IValue* feature : features) CollectFeatures(feature->GetNode(), names);
}

}  // namespace

using NodeMapTest = SimCameraTest;

TEST_F(NodeMapTest, MissingOrMistypedFeatureIsANullNode) {
  EXPECT_EQ(nodes->GetNode("NoSuchFeature"), nullptr);
  CIntegerPtr missing(nodes->GetNode("NoSuchFeature"));
  EXPECT_FALSE(missing.IsValid());
  CIntegerPtr wrongType(nodes->GetNode("TriggerMode"));
  EXPECT_FALSE(wrongType.IsValid());
  try {
    wrongType->GetValue();
    FAIL() << "dereferencing a null node must throw";
  } catch (const GenICam::LogicalErrorException& e) {
    EXPECT_STREQ(e.GetDescription(), "NULL pointer dereferenced");
  }
  EXPECT_TRUE(CCommandPtr(nodes->GetNode("TriggerSoftware")).IsValid());
  EXPECT_TRUE(CFloatPtr(nodes->GetNode("TriggerDelayAbs")).IsValid());
}

TEST_F(NodeMapTest, OutOfRangeWritesRaiseAndKeepTheValue) {
  CIntegerPtr exposure(nodes->GetNode("ExposureTimeRaw"));
  exposure->SetValue(1200);
  EXPECT_THROW(exposure->SetValue(exposure->GetMax() + 1), GenICam::OutOfRangeException);
  EXPECT_THROW(exposure->SetValue(0), GenICam::OutOfRangeException);
  EXPECT_EQ(exposure->GetValue(), 1200);
  CIntegerPtr lutIndex(nodes->GetNode("LUTIndex"));
  EXPECT_THROW(lutIndex->SetValue(12), GenICam::OutOfRangeException);  // not on the increment
  CFloatPtr delay(nodes->GetNode("TriggerDelayAbs"));
  EXPECT_THROW(delay->SetValue(-1.0), GenICam::OutOfRangeException);
  CEnumerationPtr format(nodes->GetNode("PixelFormat"));
  EXPECT_THROW(format->SetIntValue(0x12345678), GenICam::OutOfRangeException);
  EXPECT_THROW(format->FromString("Mono99"), GenICam::InvalidArgumentException);
  EXPECT_THROW(exposure->FromString("12abc"), GenICam::InvalidArgumentException);
  EXPECT_EQ(format->ToString(), "BayerBG8");
}

TEST_F(NodeMapTest, SelectorsSwitchTheValueAFeatureShows) {
  CEnumerationPtr selector(nodes->GetNode("BalanceRatioSelector"));
  CFloatPtr balance(nodes->GetNode("BalanceRatioAbs"));
  ASSERT_TRUE(CSelectorPtr(selector)->IsSelector());
  FeatureList_t selected;
  CSelectorPtr(selector)->GetSelectedFeatures(selected);
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0]->GetNode()->GetName(), "BalanceRatioAbs");
  StringList_t symbols;
  selector->GetSymbolics(symbols);
  EXPECT_EQ(symbols, (StringList_t{"Red", "Green", "Blue"}));

  selector->FromString("Red");
  balance->SetValue(1.5);
  selector->FromString("Blue");
  balance->SetValue(0.5);
  selector->FromString("Green");
  EXPECT_DOUBLE_EQ(balance->GetValue(), 1.0);
  selector->FromString("Red");
  EXPECT_DOUBLE_EQ(balance->GetValue(), 1.5);
  selector->SetIntValue(selector->GetEntryByName("Blue")->GetValue());
  EXPECT_DOUBLE_EQ(balance->GetValue(), 0.5);

  // An integer selector: LUTIndex selects the LUTValue shown.
  CIntegerPtr index(nodes->GetNode("LUTIndex"));
  CIntegerPtr value(nodes->GetNode("LUTValue"));
  index->SetValue(800);
  value->SetValue(123);
  index->SetValue(808);
  EXPECT_EQ(value->GetValue(), 808);
  index->SetValue(800);
  EXPECT_EQ(value->GetValue(), 123);

  // Trigger settings are kept per trigger implementation.
  CEnumerationPtr implementation(nodes->GetNode("TriggerControlImplementation"));
  CEnumerationPtr mode(nodes->GetNode("TriggerMode"));
  implementation->FromString("Standard");
  mode->FromString("On");
  implementation->FromString("Legacy");
  EXPECT_EQ(mode->ToString(), "Off");
  implementation->FromString("Standard");
  EXPECT_EQ(mode->ToString(), "On");
}

TEST_F(NodeMapTest, CallbacksFireOnChangesOfTheNodeAndOfItsSelector) {
  CallbackCounter counter;
  INode* balance = nodes->GetNode("BalanceRatioAbs");
  CallbackHandleType handle = Register(balance, counter, &CallbackCounter::OnChanged);
  CFloatPtr(balance)->SetValue(2.0);
  EXPECT_EQ(counter.calls, 1);
  EXPECT_EQ(counter.last, balance);
  CEnumerationPtr(nodes->GetNode("BalanceRatioSelector"))->FromString("Blue");
  EXPECT_EQ(counter.calls, 2);
  CIntegerPtr(nodes->GetNode("GainRaw"))->SetValue(10);  // unrelated
  EXPECT_EQ(counter.calls, 2);
  EXPECT_TRUE(Deregister(handle));
  CFloatPtr(balance)->SetValue(1.0);
  EXPECT_EQ(counter.calls, 2);

  // A dependent value changes with the node it depends on.
  CallbackCounter payload;
  Register(nodes->GetNode("PayloadSize"), payload, &CallbackCounter::OnChanged);
  CIntegerPtr(nodes->GetNode("Width"))->SetValue(160);
  EXPECT_EQ(payload.calls, 1);
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("PayloadSize"))->GetValue(), 160 * kHeight);
}

TEST_F(NodeMapTest, AccessModesAndVisibilityAreReported) {
  INode* model = nodes->GetNode("DeviceModelName");
  EXPECT_EQ(model->GetAccessMode(), RO);
  EXPECT_THROW(CStringPtr(model)->SetValue("x"), GenICam::AccessException);
  EXPECT_FALSE(model->GetDescription().empty());
  EXPECT_EQ(nodes->GetNode("ChunkModeActive")->GetVisibility(), Guru);
  EXPECT_EQ(nodes->GetNode("ExposureTimeRaw")->GetVisibility(), Beginner);
  EXPECT_EQ(nodes->GetNode("TriggerSoftware")->GetAccessMode(), WO);

  // Access follows the selected line: outputs have a source, inputs a debouncer.
  CEnumerationPtr line(nodes->GetNode("LineSelector"));
  line->FromString("Line1");
  EXPECT_EQ(nodes->GetNode("LineSource")->GetAccessMode(), NA);
  EXPECT_EQ(nodes->GetNode("LineDebouncerTimeAbs")->GetAccessMode(), RW);
  EXPECT_THROW(CEnumerationPtr(nodes->GetNode("LineSource"))->GetIntValue(), GenICam::AccessException);
  line->FromString("Out1");
  EXPECT_EQ(nodes->GetNode("LineSource")->GetAccessMode(), RW);
  EXPECT_EQ(nodes->GetNode("LineDebouncerTimeAbs")->GetAccessMode(), NA);

  // The frame format is locked while the camera acquires; the change of state
  // reaches the node's callbacks.
  CallbackCounter widthState;
  Register(nodes->GetNode("Width"), widthState, &CallbackCounter::OnChanged);
  CCommandPtr(nodes->GetNode("AcquisitionStart"))->Execute();
  EXPECT_EQ(widthState.calls, 1);
  EXPECT_EQ(nodes->GetNode("Width")->GetAccessMode(), RO);
  EXPECT_EQ(nodes->GetNode("PixelFormat")->GetAccessMode(), RO);
  EXPECT_THROW(CIntegerPtr(nodes->GetNode("Width"))->SetValue(64), GenICam::AccessException);
  CCommandPtr(nodes->GetNode("AcquisitionStop"))->Execute();
  EXPECT_EQ(nodes->GetNode("Width")->GetAccessMode(), RW);
}

TEST_F(NodeMapTest, EnumerationEntriesCarryPixelTypeCodes) {
  CEnumerationPtr format(nodes->GetNode("PixelFormat"));
  NodeList_t entries;
  format->GetEntries(entries);
  std::set<std::string> symbols;
  for (INode* node : entries) {
    CEnumEntryPtr entry(node);
    ASSERT_TRUE(entry.IsValid());
    EXPECT_EQ(entry->GetSymbolic(), Pylon::PixelTypeName(Pylon::EPixelType(entry->GetValue())));
    symbols.insert(entry->GetSymbolic());
  }
  EXPECT_EQ(symbols, (std::set<std::string>{"Mono8", "Mono12", "BayerGR8", "BayerRG8", "BayerGB8", "BayerBG8",
                                            "YUV422Packed", "YUV444Packed", "BGR8Packed"}));
  format->SetIntValue(Pylon::PixelType_Mono12);
  EXPECT_EQ(format->GetCurrentEntry()->GetSymbolic(), "Mono12");
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("PayloadSize"))->GetValue(), 2 * kWidth * kHeight);
  EXPECT_EQ(Pylon::BitPerPixel(Pylon::PixelType_Mono12), 16u);
  EXPECT_EQ(Pylon::BitPerPixel(Pylon::PixelType_YUV422packed), 16u);
  EXPECT_EQ(Pylon::BitPerPixel(Pylon::PixelType_BGR8packed), 24u);
}

TEST_F(NodeMapTest, CategoryTreeUnderRootReachesTheFeatures) {
  std::set<std::string> names;
  CollectFeatures(nodes->GetNode("Root"), names);
  for (const char* name : {"ExposureTimeRaw",
                           "GainSelector",
                           "GainRaw",
                           "TriggerControlImplementation",
                           "TriggerMode",
                           "TriggerSource",
                           "TriggerActivation",
                           "TriggerSoftware",
                           "TriggerDelayAbs",
                           "LineSelector",
                           "LineSource",
                           "LineStatusAll",
                           "UserOutputValueAll",
                           "LineDebouncerTimeAbs",
                           "LUTSelector",
                           "LUTEnable",
                           "LUTIndex",
                           "LUTValue",
                           "BalanceRatioSelector",
                           "BalanceRatioAbs",
                           "PixelFormat",
                           "AcquisitionMode",
                           "AcquisitionStart",
                           "AcquisitionStop",
                           "PayloadSize",
                           "Width",
                           "Height"})
    EXPECT_TRUE(names.count(name)) << name;
  EXPECT_EQ(nodes->GetNode("Root")->GetPrincipalInterfaceType(), intfICategory);
}

TEST_F(NodeMapTest, RefusedValuesRaiseUntilAccepted) {
  Simulator().RefuseValue(serial, "GainRaw");
  CIntegerPtr gain(nodes->GetNode("GainRaw"));
  EXPECT_THROW(gain->SetValue(100), GenICam::AccessException);
  EXPECT_EQ(gain->GetValue(), 0);
  Simulator().RefuseValue(serial, "GainRaw", false);
  gain->SetValue(100);
  EXPECT_EQ(gain->GetValue(), 100);
  EXPECT_THROW(Simulator().RefuseValue("nonexistent", "GainRaw"), GenICam::InvalidArgumentException);
}

TEST_F(NodeMapTest, OneDeviceAtATimeAndSettingsOutliveTheDevice) {
  CIntegerPtr(nodes->GetNode("ExposureTimeRaw"))->SetValue(777);
  auto& factory = Pylon::CTlFactory::GetInstance();
  Pylon::CDeviceInfo info;
  info.SetSerialNumber(serial);
  Pylon::IPylonDevice* second = factory.CreateDevice(info);
  EXPECT_THROW(second->Open(), GenICam::RuntimeException);
  EXPECT_EQ(second->GetNodeMap(), nullptr);
  device->Close();
  EXPECT_EQ(device->GetNodeMap(), nullptr);
  second->Open();
  EXPECT_EQ(CIntegerPtr(second->GetNodeMap()->GetNode("ExposureTimeRaw"))->GetValue(), 777);
  factory.DestroyDevice(second);
  EXPECT_THROW(factory.SelectTransport("usb"), GenICam::InvalidArgumentException);
  EXPECT_EQ(factory.GetTransport(), "sim");
}

TEST_F(NodeMapTest, TextValuesAreParsedStrictly) {
  CBooleanPtr lutEnable(nodes->GetNode("LUTEnable"));
  lutEnable->FromString("true");
  EXPECT_EQ(lutEnable->ToString(), "1");
  EXPECT_THROW(lutEnable->FromString("yes"), GenICam::InvalidArgumentException);
  CStringPtr userId(nodes->GetNode("DeviceUserID"));
  userId->FromString("Station 3");
  EXPECT_EQ(userId->GetValue(), "Station 3");
  EXPECT_THROW(userId->SetValue(std::string(userId->GetMaxLength() + 1, 'x')), GenICam::OutOfRangeException);
  CFloatPtr delay(nodes->GetNode("TriggerDelayAbs"));
  delay->FromString("12.5");
  EXPECT_DOUBLE_EQ(delay->GetValue(), 12.5);
  EXPECT_THROW(delay->FromString("1e999"), GenICam::InvalidArgumentException);
  EXPECT_THROW(CValuePtr(nodes->GetNode("TriggerSoftware"))->ToString(), GenICam::AccessException);
  EXPECT_THROW(CIntegerPtr(nodes->GetNode("GainRaw"))->FromString(""), GenICam::InvalidArgumentException);
}
