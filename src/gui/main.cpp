#include <QApplication>

#include "version.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(quiremark::version::kProductName);
  QApplication::setOrganizationName(quiremark::version::kCompanyName);
  (void)QUIREMARK_CONVERTER_SELECTOR;
  return 0;
}
