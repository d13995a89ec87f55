#include "app/form_window.h"

#include <cmath>

namespace quiremark::app {

namespace {
int Twips(double value) { return static_cast<int>(std::lround(value)); }
}  // namespace

void FormWindow::SetTop(double twips) { form_.SetTop(Twips(twips)); }
void FormWindow::SetLeft(double twips) { form_.SetLeft(Twips(twips)); }
void FormWindow::SetWidth(double twips) { form_.SetWidth(Twips(twips)); }
void FormWindow::SetHeight(double twips) { form_.SetHeight(Twips(twips)); }

}  // namespace quiremark::app
