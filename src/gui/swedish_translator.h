#pragma once

#include <QTranslator>

namespace quiremark::gui {

// Qt's own Swedish texts for standard buttons and dialogs. Loads qtbase_sv
// when the installed translations have it, else the older all-in-one qt_sv,
// whose button texts sit under QDialogButtonBox where Qt 6 asks QPlatformTheme;
// the few texts of the file dialogs that neither has are given here.
class SwedishTranslator : public QTranslator {
 public:
  // Makes Swedish Qt's default locale, loads the catalogue and installs the
  // translator in the application. False when no Swedish catalogue is
  // installed (Qt's texts stay English but for the ones given here).
  bool Install();

  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
};

}  // namespace quiremark::gui
