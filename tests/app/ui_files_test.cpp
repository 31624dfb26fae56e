// The program's UI files as the program finds them next to itself: each loads, holds every
// control the program looks up by name, and names every control in words for screen readers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QWidget>
#include <memory>
#include <ostream>
#include <vector>

#include "folders.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"

namespace {

using namespace tessaly::host;

struct UiFile {
  const char* file;
  TypeCode rootType;
  std::vector<const char*> controls;
};

void PrintTo(const UiFile& ui, std::ostream* out) {
  *out << ui.file;
}

const std::vector<UiFile>& programUiFiles() {
  static const std::vector<UiFile> files = {
      {"about.pui", kPanel, {"view_title", "view_version"}},
      {"GeneralDialog.pui",
       kPanel,
       {"cata_drag", "butn_close", "view_title", "view_text", "butn_ok", "butn_yes", "butn_no",
        "butn_cancel", "cata_error", "cata_question", "cata_warning", "cata_information"}},
      {"Dialog.pui",
       kPanel,
       {"cata_drag", "butn_close", "butn_save", "butn_continue", "butn_cancel"}},
      {"process.pui",
       kPanel,
       {"cata_drag", "butn_close", "view_title", "view_text", "view", "hscrl_process",
        "butn_cancel"}},
      {"StitchAction.pui", kPanel, {"chck", "chck1", "butn_WhatThis"}},
      {"whats_this_dlg.pui", kPanel, {"cata_drag", "cata_title", "butn_close", "butn_ok"}},
      {"cropMask.pui",
       kPanel,
       {"cata_mask_top", "cata_mask_left", "cata_mask_right", "cata_mask_bottom"}},
      {"border_h.pui", kPanel, {}},
      {"border_v.pui", kPanel, {}},
      {"angle.pui", kPanel, {}},
      {"Thumb_shadow.pui", kPanel, {"Imgc_View", "PanelThumb", "Select", "Unselect", "tipPanel"}},
  };
  return files;
}

class ProgramUiFiles : public testing::TestWithParam<UiFile> {
 protected:
  void SetUp() override {
    loader_ = Zan0CreateObj(kUiLoader);
    const std::string folder = tessaly::app::programFolder() + "UI";
    Zan0Inter(loader_, op::kLoaderFolder, reinterpret_cast<intptr_t>(folder.c_str()));
  }
  void TearDown() override { Zan0Release(loader_); }
  ZanObject* loader_ = nullptr;
};

TEST_P(ProgramUiFiles, LoadWithEveryNamedControlEachNamedInWords) {
  const UiFile& ui = GetParam();
  auto* root = reinterpret_cast<ZanObject*>(
      Zan0Inter(loader_, op::kLoaderLoad, reinterpret_cast<intptr_t>(ui.file)));
  std::string error;
  Zan0Inter(loader_, op::kLoaderError, reinterpret_cast<intptr_t>(&error));
  ASSERT_NE(root, nullptr) << ui.file << ": " << error;
  std::unique_ptr<QWidget> widget(widgetOf(root));
  for (const char* name : ui.controls) {
    EXPECT_NE(Zan0Inter(root, op::kChildByName, reinterpret_cast<intptr_t>(name)), 0)
        << ui.file << " lacks " << name;
  }
  EXPECT_FALSE(widget->accessibleName().isEmpty()) << ui.file;
  for (const QWidget* child : widget->findChildren<QWidget*>()) {
    if (child->objectName().startsWith("qt_")) continue;  // Qt's own inner widgets
    EXPECT_FALSE(child->accessibleName().isEmpty())
        << ui.file << ": " << qPrintable(child->objectName());
  }
  Zan0Release(root);
}

INSTANTIATE_TEST_SUITE_P(All, ProgramUiFiles, testing::ValuesIn(programUiFiles()),
                         [](const testing::TestParamInfo<UiFile>& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(ProgramUiFiles, TheStitchChoicesAreExclusiveAndTheirPreviewIsAnImageView) {
  ZanObject* loader = Zan0CreateObj(kUiLoader);
  const std::string folder = tessaly::app::programFolder() + "UI";
  Zan0Inter(loader, op::kLoaderFolder, reinterpret_cast<intptr_t>(folder.c_str()));
  const auto load = [&](const char* file) {
    return reinterpret_cast<ZanObject*>(
        Zan0Inter(loader, op::kLoaderLoad, reinterpret_cast<intptr_t>(file)));
  };
  const auto child = [](ZanObject* root, const char* name) {
    return reinterpret_cast<ZanObject*>(
        Zan0Inter(root, op::kChildByName, reinterpret_cast<intptr_t>(name)));
  };

  ZanObject* popup = load("StitchAction.pui");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(Zan0Inter(child(popup, "chck"), op::kGetChecked), 0);
  EXPECT_EQ(Zan0Inter(child(popup, "chck1"), op::kGetChecked), 1);  // two rows at start
  qobject_cast<QAbstractButton*>(widgetOf(child(popup, "chck")))->click();
  EXPECT_EQ(Zan0Inter(child(popup, "chck"), op::kGetChecked), 1);
  EXPECT_EQ(Zan0Inter(child(popup, "chck1"), op::kGetChecked), 0);  // exactly one
  delete widgetOf(popup);
  Zan0Release(popup);

  ZanObject* cell = load("Thumb_shadow.pui");
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(Zan0GetType(child(cell, "Imgc_View")), kImageView);
  delete widgetOf(cell);
  Zan0Release(cell);
  Zan0Release(loader);
}

}  // namespace
