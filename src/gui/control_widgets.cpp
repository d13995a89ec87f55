#include "gui/control_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "controls/basic_controls.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

using namespace controls;

constexpr int kHostedTextWidth = 180;  // pixels, for a text box in a toolbar whose design gives no width

// A widget of type W bound to a control of type M: it takes the model's
// change notification for as long as it lives.
template <typename W, typename M>
class Bound : public W {
 public:
  Bound(M& model, Placement placement, QWidget* parent) : W(parent), model_(model), placement_(placement) {
    W::setObjectName(ToQString(model.name()));
    model_.onChanged = [this] { Follow(); };
  }
  ~Bound() override { model_.onChanged = nullptr; }

 protected:
  // What every control shows; the subclasses add their own state.
  virtual void Follow() {
    W::setVisible(model_.visible());
    W::setEnabled(model_.enabled());
    if (placement_ == Placement::Form)
      W::setGeometry(ToPixels(model_.left()), ToPixels(model_.top()), ToPixels(model_.width()),
                     ToPixels(model_.height()));
    else if (model_.width() > 0)
      W::setFixedWidth(ToPixels(model_.width()));
    // A style sheet for this widget alone: a theme sheet above it would set a palette aside.
    const Color back = model_.backColor();
    const QString sheet = IsSystemColor(back) ? QString()
                                              : QStringLiteral("#%1 { background-color: %2; }")
                                                    .arg(W::objectName(), FromColorNumber(back).name());
    if (W::styleSheet() != sheet) W::setStyleSheet(sheet);
  }

  M& model_;
  Placement placement_;
};

class ComboBoxWidget : public Bound<QComboBox, ComboBox> {
 public:
  ComboBoxWidget(ComboBox& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The text stays as typed: an item that differs only in letter case
    // ("*.plt" for "*.PLT") is no match to take its place when the box loses
    // the keyboard.
    if (completer()) completer()->setCaseSensitivity(Qt::CaseSensitive);
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] {
      if (model_.onEnter) model_.onEnter();
    });
    setMinimumContentsLength(12);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
      model_.SetText(text.toStdString());
    });
    connect(this, &QComboBox::activated, this, [this](int index) {
      if (index >= 0 && index < model_.listCount()) model_.ChooseItem(index);
    });
    Follow();
  }

 protected:
  void Follow() override {
    Bound::Follow();
    QStringList items;
    for (const auto& item : model_.items()) items << ToQString(item);
    QStringList shown;
    for (int i = 0; i < count(); ++i) shown << itemText(i);
    if (shown != items) {
      const QSignalBlocker block(this);
      clear();
      addItems(items);
    }
    const QString text = ToQString(model_.text());
    if (currentText() != text) {
      const QSignalBlocker block(this);
      setCurrentIndex(model_.listIndex());
      setEditText(text);
    }
    if (!model_.toolTipText.empty()) setToolTip(ToQString(model_.toolTipText));
  }
};

// A text box that is no tab stop never takes the focus, not even by a click.
void ApplyTabStop(QWidget& widget, const TextBox& model) {
  if (!model.tabStop) widget.setFocusPolicy(Qt::NoFocus);
}

class LineEditWidget : public Bound<QLineEdit, TextBox> {
 public:
  LineEditWidget(TextBox& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) {
    setReadOnly(model.locked);
    ApplyTabStop(*this, model);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { model_.SetText(text.toStdString()); });
    if (placement == Placement::Hosted && model.width() == 0) setFixedWidth(kHostedTextWidth);
    Follow();
  }

 protected:
  void Follow() override {
    Bound::Follow();
    if (text() != ToQString(model_.text())) setText(ToQString(model_.text()));
    if (!model_.toolTipText.empty()) setToolTip(ToQString(model_.toolTipText));
  }
};

class TextAreaWidget : public Bound<QPlainTextEdit, TextBox> {
 public:
  TextAreaWidget(TextBox& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) {
    setReadOnly(model.locked);
    ApplyTabStop(*this, model);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
      if (!following_) model_.SetText(toPlainText().replace(u'\n', QStringLiteral("\r\n")).toStdString());
    });
    Follow();
  }

 protected:
  void Follow() override {
    Bound::Follow();
    const QString text = ToQString(model_.text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (toPlainText() != text) {
      following_ = true;
      setPlainText(text);
      following_ = false;
    }
  }

 private:
  bool following_ = false;
};

class CheckBoxWidget : public Bound<QCheckBox, CheckBox> {
 public:
  CheckBoxWidget(CheckBox& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) {
    connect(this, &QCheckBox::clicked, this, [this](bool checked) { model_.SetValue(checked ? 1 : 0); });
    Follow();
  }

 protected:
  void Follow() override {
    Bound::Follow();
    setText(ToQString(model_.caption));
    const Qt::CheckState state = model_.value() == 1   ? Qt::Checked
                                 : model_.value() == 2 ? Qt::PartiallyChecked
                                                       : Qt::Unchecked;
    if (checkState() != state) setCheckState(state);
  }
};

class LabelWidget : public Bound<QLabel, Label> {
 public:
  LabelWidget(Label& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) { Follow(); }

 protected:
  void Follow() override {
    Bound::Follow();
    setText(ToQString(model_.caption()));
    if (!model_.fontName.empty()) setFont(QFont(ToQString(model_.fontName)));
  }
};

class FrameWidget : public Bound<QFrame, Frame> {
 public:
  FrameWidget(Frame& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) { Follow(); }
};

class ProgressBarWidget : public Bound<QProgressBar, ProgressBar> {
 public:
  ProgressBarWidget(ProgressBar& model, Placement placement, QWidget* parent) : Bound(model, placement, parent) {
    setTextVisible(false);
    Follow();
  }

 protected:
  void Follow() override {
    Bound::Follow();
    setRange(model_.min(), model_.max());
    setValue(model_.value());
  }
};

}  // namespace

QWidget* CreateControlWidget(Control& control, Placement placement, QWidget* parent) {
  if (auto* combo = dynamic_cast<ComboBox*>(&control)) return new ComboBoxWidget(*combo, placement, parent);
  if (auto* text = dynamic_cast<TextBox*>(&control)) {
    if (text->multiLine) return new TextAreaWidget(*text, placement, parent);
    return new LineEditWidget(*text, placement, parent);
  }
  if (auto* check = dynamic_cast<CheckBox*>(&control)) return new CheckBoxWidget(*check, placement, parent);
  if (auto* label = dynamic_cast<Label*>(&control)) return new LabelWidget(*label, placement, parent);
  if (auto* frame = dynamic_cast<Frame*>(&control)) return new FrameWidget(*frame, placement, parent);
  if (auto* bar = dynamic_cast<ProgressBar*>(&control)) return new ProgressBarWidget(*bar, placement, parent);
  return nullptr;
}

}  // namespace quiremark::gui
