#include "platform/qt/qt_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QString>
#include <QStyle>
#include <QValidator>
#include <map>
#include <memory>

#include "platform/framework/cdialog.h"
#include "platform/framework/cwinapp.h"
#include "platform/framework/resource_module.h"

namespace platform::qt {
namespace {

QString toQt(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}
std::string fromQt(const QString& text) { return text.toLocal8Bit().toStdString(); }

// A caption as the user sees it: "&x" marks a mnemonic unless the control
// takes its text literally; "&&" is one ampersand.
QString shownCaption(const ControlTemplate& control) {
  if (control.noPrefix) return toQt(control.caption);
  QString shown;
  const QString text = toQt(control.caption);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown.append(text[i]);
  }
  return shown;
}

// For a push button or check box, whose own text is read for mnemonics.
QString buttonCaption(const ControlTemplate& control) {
  return control.noPrefix ? toQt(control.caption).replace(u'&', QStringLiteral("&&"))
                          : toQt(control.caption);
}

// Limits what the user can type, as an edit field's text limit does, without
// cutting a longer text the program put there (which a maximum length would).
class TextLimitValidator final : public QValidator {
 public:
  explicit TextLimitValidator(QObject* parent) : QValidator(parent) {}
  int limit = 0;
  State validate(QString& input, int& /*pos*/) const override {
    return limit > 0 && input.size() > limit ? Invalid : Acceptable;
  }
};

QPixmap iconPixmap(int iconId, int sizePx) {
  if (const CWinApp* app = AfxGetApp()) {
    const auto images = app->GetResources().loadIcon(static_cast<UINT>(iconId));
    if (!images.empty()) {
      const IconImage& image = images.front();
      QImage picture(image.width, image.height, QImage::Format_ARGB32);
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          picture.setPixel(x, y, image.argb[static_cast<std::size_t>(y * image.width + x)]);
        }
      }
      return QPixmap::fromImage(picture);
    }
  }
  return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(sizePx);
}

void applyTextColour(QWidget& widget, const CDlgItem& item) {
  const auto colour = item.textColor();
  if (!colour) return;
  const QColor shown(GetRValue(*colour), GetGValue(*colour), GetBValue(*colour));
  QPalette palette = widget.palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::All, role, shown);
  }
  widget.setPalette(palette);
}

}  // namespace

// The dialog's widgets, one per control, kept in step with the controls in
// both directions.
class DialogWidgets final : public DialogControlObserver {
 public:
  DialogWidgets(CDialog& dialog, QDialog& window) : dialog_(dialog), window_(window) {}
  ~DialogWidgets() override {
    // The widgets' handlers refer to the controls, which end with the run.
    QObject::disconnect(focusConnection_);
    dialog_.setControlObserver(nullptr);
    for (auto& entry : widgets_) delete entry.second.data();
  }

  void build() {
    const auto& dialogTemplate = dialog_.GetTemplate();
    // A face the desktop lacks ("System", "MS Sans Serif") becomes the
    // desktop's own face at the template's size.
    QFont font = QApplication::font();
    const QString family = toQt(dialogTemplate.fontName);
    if (QFontDatabase::hasFamily(family)) font.setFamily(family);
    font.setPointSize(dialogTemplate.pointSize);
    window_.setFont(font);
    base_ = dialogBaseUnits(window_.font());
    window_.setWindowTitle(toQt(dialogTemplate.caption));
    const QRect size = dialogUnitsToPixels({0, 0, dialogTemplate.cx, dialogTemplate.cy}, base_);
    window_.setFixedSize(size.width(), size.height());
    for (const auto& item : dialog_.controls()) create(*item);
    dialog_.setControlObserver(this);
    focusConnection_ = QObject::connect(qApp, &QApplication::focusChanged, &window_,
                                        [this](QWidget*, QWidget* now) { focusArrived(now); });
  }

  void controlChanged(const CDlgItem& item) override {
    QWidget* widget = widgetOf(item);
    if (widget == nullptr) return;
    const QSignalBlocker block(widget);
    widget->setEnabled(item.IsWindowEnabled() != FALSE);
    switch (item.kind()) {
      case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        const QSignalBlocker blockEdit(combo->lineEdit());
        if (combo->count() != item.GetCount()) {
          combo->clear();
          for (const auto& entry : item.items()) combo->addItem(toQt(entry));
        }
        combo->setCurrentIndex(item.GetCurSel());
        if (combo->currentText() != toQt(item.GetWindowText())) {
          combo->setEditText(toQt(item.GetWindowText()));
        }
        limitOf(*combo->lineEdit(), item.textLimit());
        break;
      }
      case ControlKind::Edit: {
        auto* edit = static_cast<QLineEdit*>(widget);
        if (edit->text() != toQt(item.GetWindowText())) edit->setText(toQt(item.GetWindowText()));
        limitOf(*edit, item.textLimit());
        break;
      }
      case ControlKind::AutoCheckBox:
        static_cast<QCheckBox*>(widget)->setChecked(item.GetCheck() == BST_CHECKED);
        static_cast<QCheckBox*>(widget)->setText(toQt(item.GetWindowText()));
        break;
      case ControlKind::DefPushButton:
      case ControlKind::PushButton:
        static_cast<QPushButton*>(widget)->setText(toQt(item.GetWindowText()));
        break;
      case ControlKind::GroupBox:
        static_cast<QGroupBox*>(widget)->setTitle(toQt(item.GetWindowText()));
        break;
      case ControlKind::Label:
        static_cast<QLabel*>(widget)->setText(toQt(item.GetWindowText()));
        break;
      case ControlKind::Icon:
        break;
    }
  }

  void focusChanged(const CDlgItem& item) override {
    QWidget* widget = widgetOf(item);
    if (widget != nullptr && !widget->hasFocus()) widget->setFocus(Qt::OtherFocusReason);
  }

  QWidget* widgetOf(const CDlgItem& item) const {
    auto it = widgets_.find(&item);
    return it != widgets_.end() ? it->second.data() : nullptr;
  }

 private:
  void create(CDlgItem& item) {
    const ControlTemplate& control = item.controlTemplate();
    const QRect place = dialogUnitsToPixels({control.x, control.y, control.cx, control.cy}, base_);
    const int id = control.id;
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::DefPushButton:
      case ControlKind::PushButton: {
        auto* button = new QPushButton(buttonCaption(control), &window_);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        button->setAutoDefault(true);
        QObject::connect(button, &QPushButton::clicked, &window_,
                         [this, id] { dialog_.DispatchClicked(id); });
        widget = button;
        break;
      }
      case ControlKind::GroupBox:
        widget = new QGroupBox(shownCaption(control), &window_);
        widget->setFocusPolicy(Qt::NoFocus);
        break;
      case ControlKind::Label: {
        auto* label = new QLabel(shownCaption(control), &window_);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft |
                            (control.centerVertically ? Qt::AlignVCenter : Qt::AlignTop));
        widget = label;
        break;
      }
      case ControlKind::Icon: {
        auto* label = new QLabel(&window_);
        const QPixmap pixmap = iconPixmap(control.iconId, 32);
        label->setPixmap(pixmap);
        // An icon control takes the icon's own size, whatever the template says.
        widget = label;
        widget->setGeometry(place.x(), place.y(), pixmap.width(), pixmap.height());
        break;
      }
      case ControlKind::ComboBox: {
        auto* combo = new QComboBox(&window_);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);  // no completion while typing
        combo->lineEdit()->setValidator(new TextLimitValidator(combo->lineEdit()));
        QObject::connect(combo, &QComboBox::activated, &window_,
                         [&item](int index) { item.userSelectItem(index); });
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, &window_,
                         [&item](const QString& text) { item.userTypeText(fromQt(text)); });
        widget = combo;
        break;
      }
      case ControlKind::AutoCheckBox: {
        auto* box = new QCheckBox(buttonCaption(control), &window_);
        QObject::connect(box, &QCheckBox::clicked, &window_,
                         [this, id] { dialog_.DispatchClicked(id); });
        widget = box;
        break;
      }
      case ControlKind::Edit: {
        auto* edit = new QLineEdit(&window_);
        edit->setFrame(control.border);
        edit->setValidator(new TextLimitValidator(edit));
        QObject::connect(edit, &QLineEdit::textEdited, &window_,
                         [&item](const QString& text) { item.userTypeText(fromQt(text)); });
        widget = edit;
        break;
      }
    }
    if (control.kind != ControlKind::Icon) {
      int height = place.height();
      // A drop-down's template height includes its dropped list.
      if (control.kind == ControlKind::ComboBox) height = widget->sizeHint().height();
      widget->setGeometry(place.x(), place.y(), place.width(), height);
    }
    if (!control.tabStop && control.kind != ControlKind::ComboBox &&
        control.kind != ControlKind::Edit) {
      widget->setFocusPolicy(control.kind == ControlKind::Label ||
                                     control.kind == ControlKind::GroupBox ||
                                     control.kind == ControlKind::Icon
                                 ? Qt::NoFocus
                                 : Qt::ClickFocus);
    }
    applyTextColour(*widget, item);
    widgets_[&item] = widget;
    if (previousTabStop_ != nullptr && control.tabStop) {
      QWidget::setTabOrder(previousTabStop_, widget);
    }
    if (control.tabStop) previousTabStop_ = widget;
    controlChanged(item);
    widget->show();
  }

  static void limitOf(QLineEdit& edit, int limit) {
    if (auto* validator = dynamic_cast<const TextLimitValidator*>(edit.validator())) {
      const_cast<TextLimitValidator*>(validator)->limit = limit;
    }
  }

  void focusArrived(QWidget* now) {
    if (now == nullptr || now->window() != &window_) return;
    for (const auto& [item, widget] : widgets_) {
      if (widget == now || (widget != nullptr && widget->isAncestorOf(now))) {
        if (dialog_.focusItem() != item) dialog_.setFocusItem(const_cast<CDlgItem*>(item));
        return;
      }
    }
  }

  CDialog& dialog_;
  QDialog& window_;
  DialogBaseUnits base_;
  std::map<const CDlgItem*, QPointer<QWidget>> widgets_;
  QWidget* previousTabStop_ = nullptr;
  QMetaObject::Connection focusConnection_;
};

namespace {

// A dialog window whose Enter, Escape and close button go through the
// dialog object, as the framework's dialogs do.
class DialogWindow final : public QDialog {
 public:
  DialogWindow(CWnd& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog) {}

  void accept() override {
    if (auto* owner = dynamic_cast<CDialog*>(&dialog_)) owner->DispatchEnter();
  }
  void reject() override {
    if (auto* owner = dynamic_cast<CDialog*>(&dialog_)) owner->DispatchCancel();
  }

  // EndDialog may come before the loop runs (from OnInitDialog).
  bool ended = false;
  int result = IDCANCEL;
  std::unique_ptr<DialogWidgets> widgets;

 private:
  CWnd& dialog_;
};

}  // namespace

QDialog* createQtDialogWindow(CWnd& dialog, QWidget* parent) {
  return new DialogWindow(dialog, parent);
}

int runQtDialog(CDialog& dialog, QDialog& window) {
  auto* own = dynamic_cast<DialogWindow*>(&window);
  if (own == nullptr) return -1;
  own->ended = false;
  own->result = IDCANCEL;
  dialog.CreateControls();
  own->widgets = std::make_unique<DialogWidgets>(dialog, window);
  own->widgets->build();
  dialog.DispatchInitDialog();
  if (!own->ended) window.exec();
  own->widgets.reset();
  return own->result;
}

void endQtDialog(CDialog& /*dialog*/, QDialog& window, int result) {
  if (auto* own = dynamic_cast<DialogWindow*>(&window)) {
    own->ended = true;
    own->result = result;
  }
  window.QDialog::done(result == IDOK ? QDialog::Accepted : QDialog::Rejected);
}

DialogBaseUnits dialogBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int width = metrics.horizontalAdvance(letters);
  return {(width / 26 + 1) / 2, metrics.height()};
}

QRect dialogUnitsToPixels(const QRect& units, DialogBaseUnits base) {
  auto across = [&](int v) { return (v * base.x + 2) / 4; };
  auto down = [&](int v) { return (v * base.y + 4) / 8; };
  return {across(units.x()), down(units.y()), across(units.width()), down(units.height())};
}

}  // namespace platform::qt
