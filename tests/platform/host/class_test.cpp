// A class registered at run time, as a class module does: derived from the panel, with
// per-object data and an operation handler that answers its own interface and passes the rest
// to the panel.
#include <gtest/gtest.h>

#include <QWidget>

#include "host_fixture.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;
using host_test::child;
using host_test::text;

constexpr TypeCode kTestClass = typeCode("tcls");
int createdObjects = 0;

struct TestData {
  intptr_t stored;
};

ClassDescriptor testClass{};

intptr_t testCreate(ZanObject*) {
  ++createdObjects;
  return 1;
}

intptr_t testOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* data = static_cast<TestData*>(Zan0GetObjDataC(&testClass, object));
  if (interface == 500 && data) {
    if (method == 0) data->stored = a;
    return data->stored;
  }
  return testClass.parentOperation(object, interface, method, a, b);
}

class HostClasses : public testing::Test {
 protected:
  void SetUp() override {
    testClass = {sizeof(ClassDescriptor), 0,          kPanel,  kTestClass,
                 sizeof(TestData),        testCreate, nullptr, nullptr,
                 testOperation,           nullptr,    nullptr, {}};
    ASSERT_EQ(Zan0RegisterClass(&testClass, 7), 1);
  }
  void TearDown() override { Zan0UnregisterClass(kTestClass); }
};

TEST_F(HostClasses, RegistrationFillsInTheParentHandlerAndRefusesClashes) {
  EXPECT_NE(testClass.parentOperation, nullptr);
  ClassDescriptor again = testClass;
  EXPECT_EQ(Zan0RegisterClass(&again, 0), 0);  // the type is taken
  ClassDescriptor orphan = testClass;
  orphan.type = typeCode("orph");
  orphan.parentType = typeCode("none");
  EXPECT_EQ(Zan0RegisterClass(&orphan, 0), 0);  // no such parent
  ClassDescriptor shortRecord = testClass;
  shortRecord.type = typeCode("shrt");
  shortRecord.size = 20;
  EXPECT_EQ(Zan0RegisterClass(&shortRecord, 0), 0);
}

TEST_F(HostClasses, ObjectsGetZeroedDataTheirOwnOperationsAndTheParentsOnes) {
  const int before = createdObjects;
  ZanObject* object = Zan0CreateObj(kTestClass);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(createdObjects, before + 1);
  EXPECT_EQ(Zan0Inter(object, 500, 1), 0);
  EXPECT_EQ(Zan0Inter(object, 500, 0, 42), 42);
  EXPECT_EQ(Zan0Inter(object, 500, 1), 42);

  ClassDescriptor unrelated{};
  EXPECT_EQ(Zan0GetObjDataC(&unrelated, object), nullptr);
  ZanObject* copy = Zan0CopyObject(object);
  EXPECT_EQ(Zan0Inter(copy, 500, 1), 42);
  Zan0Release(copy);
  Zan0Release(object);
}

TEST_F(HostClasses, AWidgetNamingTheClassBecomesAControlOfItAndKeepsThePanelsOperations) {
  ZanObject* loader = host_test::fixtureLoader();
  auto* root = reinterpret_cast<ZanObject*>(Zan0Inter(loader, op::kLoaderLoad, text("panel.pui")));
  ASSERT_NE(root, nullptr);
  ZanObject* custom = child(root, "cata_custom");
  EXPECT_EQ(Zan0GetType(custom), kTestClass);
  EXPECT_EQ(Zan0Inter(custom, 500, 0, 9), 9);
  EXPECT_EQ(Zan0Inter(custom, op::kEnable, 0), 1);  // answered by the panel
  EXPECT_FALSE(widgetOf(custom)->isEnabled());
  delete widgetOf(root);
  Zan0Release(root);
  Zan0Release(loader);
}

TEST_F(HostClasses, UnregisteredClassesCannotBeMadeAnyMore) {
  EXPECT_EQ(Zan0UnregisterClass(kTestClass), 1);
  EXPECT_EQ(Zan0CreateObj(kTestClass), nullptr);
  EXPECT_EQ(Zan0UnregisterClass(kTestClass), 0);
  ASSERT_EQ(Zan0RegisterClass(&testClass, 0), 1);  // for TearDown
}

}  // namespace
