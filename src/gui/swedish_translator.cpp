#include "gui/swedish_translator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstring>

namespace quiremark::gui {

namespace {

// Texts of Qt's file dialogs that its Swedish catalogue lacks.
struct Missing {
  const char* context;
  const char* source;
  const char* swedish;
};
constexpr Missing kMissing[] = {
    {"QFileDialog", "&New Folder", "&Ny mapp"},
    {"QFileDialog", "&Choose", "&Välj"},
    {"QFileDialog", "Show ", "Visa "},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Vill du verkligen ta bort \"%1\"?"},
    {"QFileSystemModel", "Computer", "Dator"},
    {"QFileSystemModel",
     "<b>The name \"%1\" cannot be used.</b><p>Try using another name, with fewer characters or no punctuation "
     "marks.",
     "<b>Namnet \"%1\" kan inte användas.</b><p>Försök med ett annat namn, med färre tecken eller utan "
     "skiljetecken."},
    {"QAbstractFileIconProvider", "Folder", "Mapp"},
    {"QAbstractFileIconProvider", "Drive", "Enhet"},
};

}  // namespace

bool SwedishTranslator::Install() {
  // The descriptions of file types in the file dialogs are Swedish where the system has them so.
  QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  const bool loaded = load(QStringLiteral("qtbase_sv"), folder) || load(QStringLiteral("qt_sv"), folder);
  QCoreApplication::installTranslator(this);  // the texts given here count without the catalogue too
  return loaded;
}

QString SwedishTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                     int n) const {
  QString text = QTranslator::translate(context, sourceText, disambiguation, n);
  if (text.isEmpty() && context && std::strcmp(context, "QPlatformTheme") == 0)
    text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
  if (!text.isEmpty() || !context || !sourceText) return text;
  for (const Missing& missing : kMissing)
    if (std::strcmp(context, missing.context) == 0 && std::strcmp(sourceText, missing.source) == 0)
      return QString::fromUtf8(missing.swedish);
  return text;
}

}  // namespace quiremark::gui
