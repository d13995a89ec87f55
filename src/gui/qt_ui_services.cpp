#include "gui/qt_ui_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "controls/headless_ui.h"
#include "gui/twips.h"
#include "version.h"

namespace quiremark::gui {

namespace {

using controls::MsgResult;
namespace mb = controls::mb;

// Open-dialog and save-dialog flags the callers pass.
constexpr int kOverwritePrompt = 0x2;
constexpr int kFileMustExist = 0x1000;

// What a message box needs beside its text: the icon and the margins (pixels).
constexpr int kBoxBesideText = 120;

QMessageBox::Icon IconOf(int style) {
  switch (style & mb::kIconMask) {
    case mb::kCritical: return QMessageBox::Critical;
    case mb::kQuestion: return QMessageBox::Question;
    case mb::kExclamation: return QMessageBox::Warning;
    case mb::kInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// The buttons of the style, in their order.
QList<QMessageBox::StandardButton> ButtonsOf(int style) {
  switch (style & mb::kButtonMask) {
    case mb::kOkCancel: return {QMessageBox::Ok, QMessageBox::Cancel};
    case mb::kYesNoCancel: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case mb::kYesNo: return {QMessageBox::Yes, QMessageBox::No};
    default: return {QMessageBox::Ok};
  }
}

MsgResult ResultOf(int button) {
  switch (button) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::Cancel;
  }
}

QWidget* DialogParent() { return QApplication::activeWindow(); }

// A box or dialog that asks the user shows the normal pointer, also while
// the program is busy under the hourglass.
class NormalPointer {
 public:
  NormalPointer() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~NormalPointer() { QApplication::restoreOverrideCursor(); }
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;
};

// The width a message box's text may take: Qt makes a box no wider than the
// screen on a screen up to 1024 pixels wide, and else 480 pixels narrower
// than the screen, at most 1000; the icon and the margins take their share.
int TextRoom(const QScreen* screen) {
  const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
  const int box = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
  return box - kBoxBesideText;
}

// A line as wide as `room` at most: where it is wider it is broken after the
// last blank that fits, else after the last "/" (a path), else where the
// room ends; the blank at a break goes.
QStringList BrokenLine(QString line, const QFontMetrics& metrics, int room) {
  QStringList pieces;
  while (line.size() > 1 && metrics.horizontalAdvance(line) > room) {
    qsizetype fits = 1;  // characters of the line's beginning that fit
    while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= room) ++fits;
    qsizetype cut = line.lastIndexOf(u' ', fits);
    if (cut > 0) {
      pieces << line.left(cut);
      line.remove(0, cut + 1);
      continue;
    }
    cut = line.lastIndexOf(u'/', fits - 1) + 1;
    if (cut <= 0) cut = fits;
    pieces << line.left(cut);
    line.remove(0, cut);
  }
  pieces << line;
  return pieces;
}

// A line of a box's text stays whole, so that what it shows (a command's
// syntax, a path) can be read and copied as it stands, as far as the screen
// allows; a line wider than that is broken, so that every word of it shows.
void FitLinesToScreen(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  const QFontMetrics metrics(label->font());
  const int room = TextRoom(box.screen());
  QStringList lines;
  int widest = 0;
  for (const QString& line : box.text().split(QRegularExpression(QStringLiteral("\r\n?|\n")))) {
    for (const QString& piece : BrokenLine(line, metrics, room)) {
      lines << piece;
      widest = std::max(widest, metrics.horizontalAdvance(piece));
    }
  }
  box.setText(lines.join(u'\n'));
  label->setMinimumWidth(std::min(widest + 1, room));
}

// The file list of a file dialog with its sizes and dates in Swedish, the
// way the grid writes them: Qt writes them in the system's locale.
class SwedishFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid()) return QIdentityProxyModel::data(index, role);
    const QModelIndex file = mapToSource(index);
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    switch (index.column()) {
      case kSizeColumn:
        if (files->isDir(file)) break;
        return swedish.formattedDataSize(files->size(file), 2, QLocale::DataSizeTraditionalFormat);
      case kDateColumn: return swedish.toString(files->lastModified(file), QLocale::ShortFormat);
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  static constexpr int kSizeColumn = 1;
  static constexpr int kDateColumn = 3;
};

// Qt's own file dialog (a desktop's native one speaks the desktop's
// language), with the texts Qt's Swedish lacks given here.
void SpeakSwedish(QFileDialog& dialog, bool folders, bool save) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setLocale(QLocale(QLocale::Swedish, QLocale::Sweden));
  dialog.setProxyModel(new SwedishFileList(&dialog));
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Leta i:"));
  dialog.setLabelText(QFileDialog::FileName, folders ? QStringLiteral("Mapp:") : QStringLiteral("Fil&namn:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Filer av typen:"));
  const char* accept = folders ? "&Välj" : save ? "&Spara" : "&Öppna";
  dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(accept));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Avbryt"));
}

// The one extension a name filter such as "PDF (*.pdf)" names ("" when it
// names none, several, or a pattern that is more than an extension).
QString FilterExtension(const QString& nameFilter) {
  static const QRegularExpression single(QStringLiteral("\\(\\s*\\*\\.([^*?\\s()]+)\\s*\\)"));
  const QRegularExpressionMatch match = single.match(nameFilter);
  return match.hasMatch() ? match.captured(1) : QString();
}

// A file dialog whose name chosen to save under always ends in the
// extension of the file type: "Kv Måsen rev. B" becomes "Kv Måsen rev. B.pdf"
// before the dialog asks about overwriting, so it asks about the file that
// will be written.
class FileTypeDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  QString extension;  // "" takes it from the chosen file type

 protected:
  void accept() override {
    const QString wanted = extension.isEmpty() ? FilterExtension(selectedNameFilter()) : extension;
    if (const QStringList chosen = selectedFiles(); acceptMode() == AcceptSave && !wanted.isEmpty() && chosen.size() == 1) {
      const QFileInfo file(chosen.front());
      if (!file.fileName().isEmpty() && !file.isDir() &&
          !file.fileName().endsWith(u'.' + wanted, Qt::CaseInsensitive))
        Rename(file.filePath() + u'.' + wanted);
    }
    QFileDialog::accept();
  }

 private:
  // The name the dialog gives back. selectFile leaves the name box as it is
  // while the user types in it (Enter confirms the name there), so the box
  // then takes the name itself, as selectFile would write it.
  void Rename(const QString& path) {
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name || !name->hasFocus()) return selectFile(path);
    const QFileInfo file(path);
    name->setText(QFileInfo(file.path()) == QFileInfo(directory().absolutePath()) ? file.fileName() : path);
  }
};

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = ToQString(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the parentheses; descriptions that already show them keep their text.
    const QString shown = QStringLiteral("(%1)").arg(patterns);
    if (!description.contains(shown)) description = (description + u' ' + shown).trimmed();
    filters << description;
  }
  return filters;
}

MsgResult QtUiServices::MessageBox(const std::string& text, int style, const std::string& title) {
  if (unattended_) return unattended_->MessageBox(text, style, title);
  QMessageBox box(IconOf(style), title.empty() ? QString::fromUtf8(version::kTitle) : ToQString(title), ToQString(text),
                  QMessageBox::NoButton, DialogParent());
  box.setTextFormat(Qt::PlainText);  // a "<" in a path or a converter's message is no markup
  FitLinesToScreen(box);
  const auto buttons = ButtonsOf(style);
  for (auto button : buttons) box.addButton(button);
  // Enter answers the style's default button.
  const qsizetype chosen = (style & mb::kDefaultButtonMask) / mb::kDefaultButton2;
  box.setDefaultButton(buttons.value(chosen, buttons.front()));
  // Escape answers Cancel where there is one and OK on a lone OK; a plain Yes/No box must be answered.
  if (buttons.contains(QMessageBox::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons.size() == 1) box.setEscapeButton(QMessageBox::Ok);
  const NormalPointer pointer;
  box.exec();
  return ResultOf(box.standardButton(box.clickedButton()));
}

std::optional<std::string> QtUiServices::FileDialog(const controls::FileDialogRequest& request, bool save) {
  FileTypeDialog dialog(DialogParent(), ToQString(request.title), ToQString(request.initialFolder));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  SpeakSwedish(dialog, false, save);
  dialog.setFileMode(save || !(request.flags & kFileMustExist) ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save && !(request.flags & kOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = QtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (save) dialog.extension = ToQString(request.defaultExtension);
  if (!request.initialFile.empty()) dialog.selectFile(ToQString(request.initialFile));
  const NormalPointer pointer;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUiServices::SaveFileDialog(const controls::FileDialogRequest& request) {
  return FileDialog(request, true);
}

std::optional<std::string> QtUiServices::OpenFileDialog(const controls::FileDialogRequest& request) {
  return FileDialog(request, false);
}

std::string QtUiServices::BrowseForFolder(const std::string& startPath, const std::string& title) {
  QFileDialog dialog(DialogParent(), ToQString(title), ToQString(startPath));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  SpeakSwedish(dialog, true, false);
  const NormalPointer pointer;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return dialog.selectedFiles().front().toStdString();
}

void QtUiServices::SetHourglass(bool busy) {
  if (busy == hourglass_) return;
  hourglass_ = busy;
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

void QtUiServices::Yield() { QCoreApplication::processEvents(); }

controls::TwipsRect QtUiServices::Screen() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? ToTwips(screen->geometry()) : controls::TwipsRect{};
}

controls::TwipsRect QtUiServices::WorkArea() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? ToTwips(screen->availableGeometry()) : controls::TwipsRect{};
}

controls::TwipsRect QtUiServices::WorkAreaAt(const controls::TwipsRect& place) const {
  const QPoint middle(ToPixels(place.left + place.width / 2), ToPixels(place.top + place.height / 2));
  const QScreen* screen = QGuiApplication::screenAt(middle);
  if (!screen) return WorkArea();
  return ToTwips(screen->availableGeometry());
}

void QtUiServices::EndProgram(int exitCode) {
  std::fflush(nullptr);
  std::exit(exitCode);
}

}  // namespace quiremark::gui
