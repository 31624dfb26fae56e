// Class modules loaded by the host: on demand for a widget that names a module's class, once,
// and the module's panels told of layout passes and the pointer.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QWidget>
#include <vector>

#include "host_fixture.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;
using host_test::child;
using host_test::text;

constexpr TypeCode kModuleClass = typeCode("tmdl");

intptr_t seen(ZanObject* panel, int what) {
  return Zan0Inter(panel, 501, what);
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

TEST(HostClassModules, AMissingModuleOrALibraryWithoutRegistrationIsReported) {
  Dl_info host{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&Zan0CreateObj), &host), 0);
  EXPECT_EQ(Zan0LoadClassModule(host.dli_fname), 0) << "the host library has no Zan0Init";
  EXPECT_EQ(Zan0LoadClassModule("NoSuchModule"), 0);
  EXPECT_EQ(Zan0LoadClassModule(nullptr), 0);
  EXPECT_EQ(Zan0LoadClassModule(""), 0);
}

TEST(HostClassModules, AWidgetNamingAModulesClassLoadsItOnceAndIsToldOfLayoutAndPointer) {
  ZanObject* loader = host_test::fixtureLoader();
  auto* root =
      reinterpret_cast<ZanObject*>(Zan0Inter(loader, op::kLoaderLoad, text("module_panel.pui")));
  ASSERT_NE(root, nullptr);
  ZanObject* panel = child(root, "cata_module");
  ASSERT_EQ(Zan0GetType(panel), kModuleClass) << "the module was loaded for the widget";
  EXPECT_EQ(Zan0GetType(child(root, "cata_missing")), kPanel) << "no module: a plain panel";
  // The same file by its name or its path is the module already registered.
  EXPECT_EQ(Zan0LoadClassModule("host_test_module"), 1);
  EXPECT_EQ(Zan0LoadClassModule(HOST_TEST_MODULE), 1);
  EXPECT_EQ(Zan0LoadClassModule("host_test_modul"), 0);

  QWidget* widget = widgetOf(panel);
  widgetOf(root)->show();
  const intptr_t afterShow = seen(panel, 0);
  EXPECT_GE(afterShow, 1);
  widget->resize(120, 90);
  EXPECT_EQ(seen(panel, 0), afterShow + 1);

  sendMouse(widget, QEvent::MouseButtonPress, QPoint(7, 9), Qt::LeftButton);
  EXPECT_EQ(seen(panel, 1), kPointerPress);
  EXPECT_EQ(seen(panel, 2), 7);
  EXPECT_EQ(seen(panel, 3), 9);
  sendMouse(widget, QEvent::MouseMove, QPoint(30, 40), Qt::LeftButton);
  EXPECT_EQ(seen(panel, 1), kPointerMove);
  EXPECT_EQ(seen(panel, 2), 30);
  sendMouse(widget, QEvent::MouseButtonRelease, QPoint(31, 41), Qt::LeftButton);
  EXPECT_EQ(seen(panel, 1), kPointerRelease);
  sendMouse(widget, QEvent::MouseButtonRelease, QPoint(1, 1), Qt::RightButton);
  EXPECT_EQ(seen(panel, 1), kPointerOtherRelease);
  EXPECT_EQ(Zan0Inter(panel, op::kEnable, 0), 1) << "the rest goes to the panel";
  EXPECT_FALSE(widget->isEnabled());

  delete widgetOf(root);
  Zan0Release(root);
  Zan0Release(loader);
}

// A radio group tells its handlers which of its radio buttons the user chose.
std::vector<intptr_t> radioChoices;
intptr_t onRadio(ZanObject*, int event, intptr_t data, void*) {
  if (event == kEventRadioChoice) radioChoices.push_back(data);
  return 0;
}

TEST(HostRadioGroups, AChoiceReportsThePlaceOfTheRadioButton) {
  ZanObject* loader = host_test::fixtureLoader();
  auto* root = reinterpret_cast<ZanObject*>(Zan0Inter(loader, op::kLoaderLoad, text("radio.pui")));
  ASSERT_NE(root, nullptr);
  const HandlerEntry table[] = {{"radg", onRadio, nullptr}};
  ASSERT_EQ(Zan0Inter(root, op::kHandlerTable, reinterpret_cast<intptr_t>(table), 1), 1);
  radioChoices.clear();
  qobject_cast<QRadioButton*>(widgetOf(child(root, "rado_c")))->click();
  qobject_cast<QRadioButton*>(widgetOf(child(root, "rado_a")))->click();
  Zan0Inter(child(root, "rado_b"), op::kSetChecked, 1);  // the program's own choice: no event
  EXPECT_EQ(radioChoices, (std::vector<intptr_t>{2, 0}));
  delete widgetOf(root);
  Zan0Release(root);
  Zan0Release(loader);
}

}  // namespace
