#include "tessaly/host/app.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <cstring>

#include "host_fixture.h"
#include "tessaly/host/surface.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;

StartupRecord record(const char* mainFile) {
  StartupRecord r{};
  r.size = sizeof(r);
  std::strncpy(r.uiFolder, HOST_UI_FIXTURES, sizeof(r.uiFolder));
  std::strncpy(r.mainUiFile, mainFile, sizeof(r.mainUiFile));
  r.x = 10, r.y = 20, r.width = 640, r.height = 480;
  return r;
}

TEST(HostApp, TheApplicationGivesItsMainWindowAndItsUiRoot) {
  const StartupRecord start = record("panel.pui");
  ZanObject* app = CreateZanApp(&start);
  ASSERT_NE(app, nullptr) << Zan0LastError();
  auto* window = reinterpret_cast<ZanObject*>(ZanAppInterface(app, appop::kMainWindow, 0, 0));
  auto* widget = reinterpret_cast<QWidget*>(ZanWinInterface(window, winop::kHandle, 0, 0));
  ASSERT_NE(widget, nullptr);
  EXPECT_TRUE(widget->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(widget->size(), QSize(640, 480));
  auto* root = reinterpret_cast<ZanObject*>(ZanWinInterface(window, winop::kUiRoot, 0, 0));
  EXPECT_NE(host_test::child(root, "butn_go"), nullptr);
  EXPECT_EQ(ZanAppInterface(app, appop::kShutDown, 0, 0), 1);
}

TEST(HostApp, AMissingMainUiFileGivesNoApplicationAndSaysWhy) {
  const StartupRecord start = record("absent.pui");
  EXPECT_EQ(CreateZanApp(&start), nullptr);
  EXPECT_NE(std::string(Zan0LastError()).find("absent.pui"), std::string::npos);
}

TEST(HostSurface, ADialogWindowGetsItsContentAndLosesItAgain) {
  QWidget dialog;
  ZanObject* loader = host_test::fixtureLoader();
  SurParam param{};
  param.size = sizeof(param);
  param.uiPath = "panel.pui";
  param.loader = loader;
  param.attach = 1;
  auto& surfaces = SurfaceManage::GetSurfaceManage();
  ASSERT_TRUE(surfaces.CreateSurface(&dialog, &param)) << surfaces.lastError();
  EXPECT_EQ(surfaces.GetEnvironment(&dialog), param.root);
  EXPECT_EQ(widgetOf(param.root)->parentWidget(), &dialog);
  surfaces.DetachSurface(&dialog);
  EXPECT_EQ(surfaces.GetEnvironment(&dialog), nullptr);
  EXPECT_TRUE(dialog.findChildren<QWidget*>().isEmpty());

  param.uiPath = "broken.pui";
  EXPECT_FALSE(surfaces.CreateSurface(&dialog, &param));
  EXPECT_NE(std::string(surfaces.lastError()).find("broken.pui"), std::string::npos);
  Zan0Release(loader);
}

}  // namespace
