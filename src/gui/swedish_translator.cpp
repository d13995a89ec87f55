#include "gui/swedish_translator.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <cstring>

namespace quiremark::gui {

bool SwedishTranslator::Install() {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!load(QStringLiteral("qtbase_sv"), folder) && !load(QStringLiteral("qt_sv"), folder)) return false;
  return QCoreApplication::installTranslator(this);
}

QString SwedishTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                     int n) const {
  QString text = QTranslator::translate(context, sourceText, disambiguation, n);
  if (text.isEmpty() && context && std::strcmp(context, "QPlatformTheme") == 0)
    text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
  return text;
}

}  // namespace quiremark::gui
