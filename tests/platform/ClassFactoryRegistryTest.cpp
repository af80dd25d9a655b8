#include "platform/ClassFactoryRegistry.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct CGlobalMean : bx::DynamicObject {};
struct CBroken : bx::DynamicObject {
  CBroken() { throw std::runtime_error("no"); }
};

TEST(ClassFactoryRegistry, CreatesRegisteredClassesByExactName) {
  auto& registry = bx::ClassFactoryRegistry::Instance();
  BX_REGISTER_CLASS(CGlobalMean);
  BX_REGISTER_CLASS(CGlobalMean);  // registering twice is harmless
  BX_REGISTER_CLASS_AS(CBroken, "Broken");
  auto object = registry.Create("CGlobalMean");
  ASSERT_NE(object, nullptr);
  EXPECT_NE(dynamic_cast<CGlobalMean*>(object.get()), nullptr);
  EXPECT_EQ(registry.Create("cglobalmean"), nullptr);
  EXPECT_FALSE(registry.IsRegistered("CUnknown"));
  EXPECT_TRUE(registry.IsRegistered("Broken"));
  EXPECT_EQ(registry.Create("Broken"), nullptr);  // a throwing constructor is a failed creation
  registry.Register("Null", [] { return std::unique_ptr<bx::DynamicObject>(); });
  EXPECT_EQ(registry.Create("Null"), nullptr);
}

}  // namespace
