#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nsGenericConstructor.h"
#include "nsIFactory.h"
#include "nsIGenericFactory.h"
#include "nsSupportsImpl.h"

namespace {

class TestWidget : public nsISupports {
 public:
  static constexpr nsIID kIID = {
      0x1f6b2f3c, 0x2a41, 0x4c55, {0x8e, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}};
  virtual int Number() = 0;

 protected:
  ~TestWidget() = default;
};

constexpr nsIID kUnknownIID = {
    0x0badf00d, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};

int liveWidgets = 0;

class Widget final : public nsSingleInterfaceImpl<TestWidget> {
 public:
  Widget() { ++liveWidgets; }
  int Number() override { return 42; }

 private:
  ~Widget() override { --liveWidgets; }
};

constexpr nsCID kWidgetCID = {
    0x5e1d0c3b, 0x7a9f, 0x4e2d, {0x9c, 0x8b, 0x7a, 0x69, 0x58, 0x47, 0x36, 0x25}};
constexpr nsCID kOtherCID = {
    0x5e1d0c3b, 0x7a9f, 0x4e2d, {0x9c, 0x8b, 0x7a, 0x69, 0x58, 0x47, 0x36, 0x26}};

constexpr nsModuleComponentInfo kComponents[] = {
    {"Widget", kWidgetCID, "@brightwater.example/widget;1", NS_GenericConstructor<Widget>, nullptr,
     nullptr, nullptr, nullptr, nullptr, 0},
    {"Other", kOtherCID, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

constexpr nsModuleInfo kModuleInfo = {
    NS_MODULEINFO_VERSION, "widgets", kComponents, 2, nullptr, nullptr};

struct Registration {
  std::string description;
  nsCID cid;
  std::string contractID;
};

class Registrar final : public nsSingleInterfaceImpl<nsIComponentRegistrar> {
 public:
  nsresult RegisterFactoryLocation(const nsCID& cid, const char* description,
                                   const char* contractID, nsIFile*, const char*,
                                   const char*) override {
    seen.push_back({description, cid, contractID != nullptr ? contractID : "(none)"});
    return NS_OK;
  }
  std::vector<Registration> seen;
};

using Module = std::unique_ptr<nsIModule, nsReleaser>;

Module NewModule(const nsModuleInfo& info) {
  nsIModule* module = nullptr;
  EXPECT_EQ(NS_NewGenericModule2(&info, &module), NS_OK);
  return Module(module);
}

std::unique_ptr<nsIFactory, nsReleaser> WidgetFactory(nsIModule* module) {
  void* factory = nullptr;
  EXPECT_EQ(module->GetClassObject(nullptr, kWidgetCID, nsIFactory::kIID, &factory), NS_OK);
  return std::unique_ptr<nsIFactory, nsReleaser>(static_cast<nsIFactory*>(factory));
}

TEST(GenericModule, RegistersEveryComponentInOrder) {
  const Module module = NewModule(kModuleInfo);
  std::unique_ptr<Registrar, nsReleaser> registrar(new Registrar);
  registrar->AddRef();
  ASSERT_EQ(module->RegisterSelf(registrar.get(), nullptr, "here", "native"), NS_OK);
  ASSERT_EQ(registrar->seen.size(), 2u);
  EXPECT_EQ(registrar->seen[0].description, "Widget");
  EXPECT_EQ(registrar->seen[0].cid, kWidgetCID);
  EXPECT_EQ(registrar->seen[0].contractID, "@brightwater.example/widget;1");
  EXPECT_EQ(registrar->seen[1].contractID, "(none)");
}

TEST(GenericModule, HasNoFactoryForAnUnknownClass) {
  const Module module = NewModule(kModuleInfo);
  constexpr nsCID kStranger = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  void* factory = &factory;
  EXPECT_EQ(module->GetClassObject(nullptr, kStranger, nsIFactory::kIID, &factory),
            NS_ERROR_FACTORY_NOT_REGISTERED);
  EXPECT_EQ(factory, nullptr);
}

int moduleDtorCalls = 0;

TEST(GenericModule, FailsWithItsConstructorsResult) {
  nsModuleInfo info = kModuleInfo;
  info.mCtor = [](nsIModule*) -> nsresult { return NS_ERROR_FAILURE; };
  info.mDtor = [](nsIModule*) { ++moduleDtorCalls; };
  moduleDtorCalls = 0;
  nsIModule* module = reinterpret_cast<nsIModule*>(&moduleDtorCalls);
  EXPECT_EQ(NS_NewGenericModule2(&info, &module), NS_ERROR_FAILURE);
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(moduleDtorCalls, 0);  // nothing was constructed to end
}

TEST(GenericModule, RunsItsDestructorWhenReleased) {
  nsModuleInfo info = kModuleInfo;
  info.mDtor = [](nsIModule*) { ++moduleDtorCalls; };
  moduleDtorCalls = 0;
  NewModule(info).reset();
  EXPECT_EQ(moduleDtorCalls, 1);
}

// Component libraries keep their implementation libraries bound and process-wide state, so a
// module never agrees to be unloaded, whether or not objects of its classes are alive.
TEST(GenericModule, NeverAgreesToUnloadWithOrWithoutLiveObjects) {
  const Module module = NewModule(kModuleInfo);
  bool canUnload = true;
  ASSERT_EQ(module->CanUnload(nullptr, &canUnload), NS_OK);
  EXPECT_FALSE(canUnload);

  void* widget = nullptr;
  ASSERT_EQ(WidgetFactory(module.get())->CreateInstance(nullptr, TestWidget::kIID, &widget), NS_OK);
  ASSERT_EQ(liveWidgets, 1);
  canUnload = true;
  ASSERT_EQ(module->CanUnload(nullptr, &canUnload), NS_OK);
  EXPECT_FALSE(canUnload);

  static_cast<TestWidget*>(widget)->Release();
  ASSERT_EQ(liveWidgets, 0);
  canUnload = true;
  ASSERT_EQ(module->CanUnload(nullptr, &canUnload), NS_OK);
  EXPECT_FALSE(canUnload);
  EXPECT_EQ(module->CanUnload(nullptr, nullptr), NS_ERROR_NULL_POINTER);
}

TEST(GenericFactory, CreatesThroughTheComponentsConstructor) {
  const Module module = NewModule(kModuleInfo);
  void* widget = nullptr;
  ASSERT_EQ(WidgetFactory(module.get())->CreateInstance(nullptr, TestWidget::kIID, &widget), NS_OK);
  EXPECT_EQ(static_cast<TestWidget*>(widget)->Number(), 42);
  EXPECT_EQ(static_cast<TestWidget*>(widget)->Release(), 0u);
  EXPECT_EQ(liveWidgets, 0);
}

TEST(GenericConstructor, FreesTheObjectWhenTheInterfaceIsMissing) {
  void* widget = &widget;
  EXPECT_EQ(NS_GenericConstructor<Widget>(nullptr, kUnknownIID, &widget), NS_ERROR_NO_INTERFACE);
  EXPECT_EQ(widget, nullptr);
  EXPECT_EQ(liveWidgets, 0);
}

}  // namespace

NS_IMPL_NSGETMODULE("widgets", kComponents)

namespace {

TEST(ModuleExport, KeepsTheNameAsWrittenAndCountsTheComponents) {
  EXPECT_EQ(gModuleInfo.mVersion, 0x00015000u);
  EXPECT_STREQ(gModuleInfo.mModuleName, "\"widgets\"");
  EXPECT_EQ(gModuleInfo.mComponents, kComponents);
  EXPECT_EQ(gModuleInfo.mCount, 2u);
  nsIModule* module = nullptr;
  ASSERT_EQ(NSGetModule(nullptr, nullptr, &module), NS_OK);
  EXPECT_EQ(module->Release(), 0u);
}

}  // namespace
