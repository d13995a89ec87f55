#include "gui/options_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/control_widgets.h"
#include "gui/focus_ring.h"
#include "gui/frame_placement.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

QWidget* Widget(controls::Control& control, QWidget* parent) {
  return CreateControlWidget(control, Placement::Hosted, parent);
}

// A text box that takes the width its row leaves (a toolbar's text box is fixed).
QWidget* WideText(controls::TextBox& box, QWidget* parent) {
  QWidget* widget = Widget(box, parent);
  widget->setMinimumWidth(ToPixels(2400));
  widget->setMaximumWidth(QWIDGETSIZE_MAX);
  widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return widget;
}

// A list the user picks from without typing.
QWidget* PickList(controls::ComboBox& box, QWidget* parent) {
  QWidget* widget = Widget(box, parent);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) combo->setEditable(false);
  return widget;
}

QGroupBox* Group(const app::GroupBox& model, QWidget* parent) {
  auto* group = new QGroupBox(ToQString(model.caption), parent);
  group->setObjectName(ToQString(model.name()));
  FillWithColor(group, model.backColor());
  return group;
}

}  // namespace

OptionsDialog::OptionsDialog(app::OptionsForm& form, QWidget* parent) : FormDialog(form, parent), form_(form) {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(ToQString(form.tabOptions.name()));
  tabs_->addTab(GeneralTab(), ToQString(form.tabOptions.tabs.at(0)));
  tabs_->addTab(ConverterTab(form.chkDistiller, 1), ToQString(form.tabOptions.tabs.at(1)));
  tabs_->addTab(ConverterTab(form.chkGS, 0), ToQString(form.tabOptions.tabs.at(2)));
  tabs_->setCurrentIndex(form.tabOptions.currentTab);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { form_.tabOptions.currentTab = index; });

  auto* save = CreateButton(form.cmdSaveChanges, this);
  auto* cancel = CreateButton(form.cmdCancel, this);
  connect(save, &QPushButton::clicked, this, [this] {
    ReportGeometry();
    form_.cmdSaveChanges_Click();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    ReportGeometry();
    form_.cmdCancel_Click();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addLayout(buttons);
  // Never smaller than the form's minimum (an outer size, frame included),
  // nor than the widgets need.
  const QSize smallest(ToPixels(app::OptionsForm::kMinWidth), ToPixels(app::OptionsForm::kMinHeight));
  setMinimumSize(layout->minimumSize().expandedTo(smallest));
  auto* placement = new FramePlacement(*this);
  placement->onFrameKnown = [this, layout, smallest](const QSize& frame) {
    setMinimumSize(layout->minimumSize().expandedTo(smallest - frame));
  };

  form_.onChanged = [this] { FollowForm(); };
  FollowForm();
  // The dialog opens with the keyboard in the first field of its page, marked.
  new FocusRing(*this);
  QWidget* page = tabs_->currentWidget();
  for (QWidget* next = page->nextInFocusChain(); next != page && page->isAncestorOf(next); next = next->nextInFocusChain()) {
    if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled()) {
      next->setFocus(Qt::TabFocusReason);
      break;
    }
  }
  if (form_.width() > 0 && form_.height() > 0) {
    placement->Place(
        QRect(ToPixels(form_.left()), ToPixels(form_.top()), ToPixels(form_.width()), ToPixels(form_.height())));
  }
}

QWidget* OptionsDialog::GeneralTab() {
  auto* page = new QWidget;

  QGroupBox* pdf = Group(form_.fraPdfProperties, page);
  auto* pdfRows = new QFormLayout(pdf);
  pdfRows->addRow(Widget(form_.lblShow, pdf), PickList(form_.cboShow, pdf));
  pdfRows->addRow(Widget(form_.lblLayout, pdf), PickList(form_.cboLayout, pdf));
  pdfRows->addRow(Widget(form_.lblZoom, pdf), PickList(form_.cboZoom, pdf));

  QGroupBox* metadata = Group(form_.fraMetadata, page);
  auto* metadataRows = new QFormLayout(metadata);
  metadataRows->addRow(Widget(form_.lblDocTitle, metadata), Widget(form_.cboDocTitle, metadata));
  metadataRows->addRow(Widget(form_.lblDocAuthor, metadata), Widget(form_.cboDocAuthor, metadata));
  metadataRows->addRow(Widget(form_.lblDocSubject, metadata), Widget(form_.cboDocSubject, metadata));
  metadataRows->addRow(Widget(form_.lblDocKeywords, metadata), WideText(form_.txtDocKeywords, metadata));

  QGroupBox* other = Group(form_.fraOther, page);
  auto* otherRows = new QFormLayout(other);
  otherRows->addRow(Widget(form_.chkOpenPdf, other));
  otherRows->addRow(Widget(form_.chkMetadata, other));
  otherRows->addRow(Widget(form_.lblPrevious, other), PickList(form_.cboHistoryDays, other));

  auto* ini = CreateButton(form_.cmdIni, page);  // no action of its own
  auto* iniRow = new QHBoxLayout;
  iniRow->addWidget(ini);
  iniRow->addStretch();

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(pdf);
  layout->addWidget(metadata);
  layout->addWidget(other);
  layout->addLayout(iniRow);
  layout->addStretch();
  return page;
}

QWidget* OptionsDialog::ConverterTab(controls::CheckBox& use, int index) {
  auto* page = new QWidget;
  auto* homepage = CreateButton(form_.cmdHomepage[index], page);
  homepage->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(homepage, &QPushButton::clicked, this, [this, index] { form_.cmdHomepage_Click(index); });
  QWidget* label = Widget(form_.lblHomepage[index], page);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  QWidget* web = WideText(form_.txtHomepage[index], page);
  auto* address = new QHBoxLayout;
  address->addWidget(label);
  address->addWidget(web, 1);
  address->addWidget(homepage);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Widget(use, page));
  layout->addLayout(address);
  layout->addStretch();
  return page;
}

void OptionsDialog::FollowForm() {
  setWindowTitle(ToQString(form_.caption));
  FillWithColor(this, form_.backColor());
  for (int i = 0; i < tabs_->count(); ++i) FillWithColor(tabs_->widget(i), form_.backColor());
}

void OptionsDialog::ReportGeometry() {
  if (!isVisible()) return;
  const QRect outer = frameGeometry();
  form_.Move(ToTwips(outer.left()), ToTwips(outer.top()), ToTwips(outer.width()), ToTwips(outer.height()));
}

// The options dialog is always modal.
void ShowOptionsDialogsOnScreen(QWidget* owner) { ShowModallyOnScreen<OptionsDialog, app::OptionsForm>(owner); }

}  // namespace quiremark::gui
