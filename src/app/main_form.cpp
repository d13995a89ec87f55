#include "app/main_form.h"

#include "app/layout.h"

namespace quiremark::app {

MainForm::MainForm(settings::AppState& appState, controls::UiServices& uiServices)
    : controls::Form("frmMain"), state(appState), ui(uiServices), StatusBar(CommandBars.statusBar()) {
  for (controls::Control* c : std::initializer_list<controls::Control*>{
           &fraMain,      &fgTree,       &fgFiles,     &Text1,         &cboScr,      &txtAcad,         &txtParamAcad,
           &txtIcad,      &txtParamIcad, &cboDigiTejp, &cboFolderName, &cboBookMark, &cboFileExt,      &NorvProgressBar,
           &Dir1,         &Dir2,         &File1,       &Drives,        &StatusBar1,  &chkEmptyFolders, &imgIcon,
           &imgIconLarge, &imgComputer,  &imgPrev,     &imgFavo,       &imgFolder,   &imgDrive,        &imgFloppyDrive,
           &imgCD,        &imgNetDrive,  &imgDwg,      &imgDXF})
    Add(*c);

  // The design: pictures by their own names, the file grid's header row,
  // the notice box's fixed text, the tree inside the frame.
  for (controls::PictureBox* p : {&imgIcon, &imgIconLarge, &imgComputer, &imgPrev, &imgFavo, &imgFolder, &imgDrive,
                                  &imgFloppyDrive, &imgCD, &imgNetDrive, &imgDwg, &imgDXF}) {
    p->picture = p->name();
    p->SetVisible(false);
  }
  icon = imgIcon.picture;
  fgFiles.SetFixedRows(1);
  fgTree.Move(50, 180, 3000, 4000);
  fgFiles.Move(3090, 180, 5000, 4000);
  Text1.multiLine = true;
  Text1.locked = true;  // a notice, not an input: typing never reaches it
  Text1.tabStop = false;
  Text1.Move(3090, 180, 5000, 3940);  // in the grid's place, behind it
  Text1.SetText("\r\n\r\n\r\n Filer saknas.\r\n");
  for (controls::Control* hidden :
       std::initializer_list<controls::Control*>{&Dir1, &Dir2, &File1, &Drives, &chkEmptyFolders})
    hidden->SetVisible(false);
  chkEmptyFolders.caption = "Inkludera tomma kataloger";
  Add(Dirs);
  Dirs.SetVisible(false);
  frmSplash.appState = &state;  // the progress window takes the theme's colour when it loads
  cboBookMark.SetText("*");
}

void MainForm::Form_Resize() { ArrangeControls(*this); }

}  // namespace quiremark::app
