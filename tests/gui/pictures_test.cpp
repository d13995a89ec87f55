#include "gui/pictures.h"

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/main_form.h"
#include "gui/command_icons.h"
#include "support/scripted_ui.h"

namespace quiremark::gui {
namespace {

// Every command the bars give a picture has one drawn, and so has every
// picture control of the main window that the tree rows and the icon use.
TEST(Pictures, EveryLabelledCommandAndEveryPictureOfTheMainWindowIsDrawn) {
  settings::AppState state;
  testing::ScriptedUi ui;
  app::MainForm form(state, ui);
  app::CreateCommandBars(form);
  ASSERT_FALSE(form.CommandBars.imageIds().empty());
  for (int id : form.CommandBars.imageIds()) {
    const QIcon icon = CommandIcon(id);
    ASSERT_FALSE(icon.isNull()) << id;
    EXPECT_FALSE(icon.pixmap(16, 16).toImage().isNull()) << id;
  }
  EXPECT_TRUE(CommandIcon(app::cmd::kRefreshScripts).isNull());  // not labelled: the caption shows

  for (const auto* picture : {&form.imgIcon, &form.imgComputer, &form.imgPrev, &form.imgFavo, &form.imgFolder,
                              &form.imgDrive, &form.imgFloppyDrive, &form.imgCD, &form.imgNetDrive})
    EXPECT_FALSE(PictureIcon(picture->picture).isNull()) << picture->name();
  EXPECT_FALSE(PictureIcon("IMGFOLDER").isNull());
  EXPECT_TRUE(PictureIcon("").isNull());
}

}  // namespace
}  // namespace quiremark::gui
