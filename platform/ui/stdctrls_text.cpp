// Labels, edits and memos.
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/stdctrls.h"

namespace pf {

namespace {

std::unique_ptr<ControlHost> NewLabelHost() {
  EnsureUi();
  auto* label = new THost<QLabel>();
  label->setTextFormat(Qt::PlainText);
  return MakeHost(label, false, false, false);
}

std::unique_ptr<ControlHost> NewEditHost() {
  EnsureUi();
  return MakeHost(new THost<QLineEdit>(), false, true);
}

std::unique_ptr<ControlHost> NewMemoHost() {
  EnsureUi();
  auto* memo = new TScrollHost<QPlainTextEdit>();
  auto host = MakeHost(memo, false, true);
  host->client = memo->viewport();
  memo->viewport()->setMouseTracking(true);
  return host;
}

}  // namespace

// ---- TCustomLabel

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner, NewLabelHost()) {
  SetBounds(0, 0, 65, 17);
  ApplyText();
  SetTransparent(false);
}

void TCustomLabel::ApplyText() {
  auto* label = WidgetOf<QLabel>(*this);
  // With a focus control the widget keeps the "&" marks and makes Alt with the letter focus it.
  if (showAccelChar_ && focusControl_ != nullptr) {
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(Caption()));
    label->setBuddy(focusControl_->Host()->outer);
  } else {
    label->setBuddy(nullptr);
    label->setText(ToQString(showAccelChar_ ? StripAccelerators(Caption()) : Caption()));
  }
  Qt::Alignment align = alignment_ == taRightJustify ? Qt::AlignRight
                        : alignment_ == taCenter     ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
  align |= layout_ == tlBottom ? Qt::AlignBottom : layout_ == tlCenter ? Qt::AlignVCenter : Qt::AlignTop;
  label->setAlignment(align);
  label->setWordWrap(wordWrap_);
  AdjustBounds();
}

// The size of the caption: one line per line break (or per wrapped line within the width with WordWrap); a
// right-aligned label keeps its right edge.
void TCustomLabel::AdjustBounds() {
  if (!autoSize_ || adjusting_) return;
  adjusting_ = true;
  auto* label = WidgetOf<QLabel>(*this);
  const QFontMetrics metrics(label->font());
  QString text = label->text();
  if (text.isEmpty()) text = QStringLiteral(" ");
  const int flags = Qt::TextShowMnemonic | (wordWrap_ ? Qt::TextWordWrap : 0);
  const QRect bounds = metrics.boundingRect(QRect(0, 0, wordWrap_ ? Width() : 1 << 20, 1 << 20), flags, text);
  const int32_t width = wordWrap_ ? Width() : bounds.width();
  const int32_t left = alignment_ == taRightJustify && !wordWrap_ ? Left() + Width() - width : Left();
  SetBounds(left, Top(), width, bounds.height());
  adjusting_ = false;
}

void TCustomLabel::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TGraphicControl::SetBounds(left, top, width, height);
  if (wordWrap_) AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment value) {
  alignment_ = value;
  ApplyText();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  layout_ = value;
  ApplyText();
}

void TCustomLabel::SetAutoSize(bool value) {
  autoSize_ = value;
  AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) {
  transparent_ = value;
  WidgetOf<QLabel>(*this)->setAutoFillBackground(!value);
}

void TCustomLabel::SetWordWrap(bool value) {
  wordWrap_ = value;
  ApplyText();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  showAccelChar_ = value;
  ApplyText();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (focusControl_ != nullptr) focusControl_->RemoveFreeNotification(this);
  focusControl_ = value;
  if (value != nullptr) value->FreeNotification(this);
  ApplyText();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) {
    focusControl_ = nullptr;
    ApplyText();
  }
}

void TCustomLabel::TextChanged() { ApplyText(); }

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

// ---- TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TCustomEdit(owner, NewEditHost()) {}

TCustomEdit::TCustomEdit(TComponent* owner, std::unique_ptr<ControlHost> host) : TWinControl(owner, std::move(host)) {
  Setup();
}

void TCustomEdit::Setup() {
  auto* edit = WidgetOf<QLineEdit>(*this);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { Guarded([this] { Change(); }); });
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

std::string TCustomEdit::GetText() const { return FromQString(WidgetOf<QLineEdit>(*this)->text()); }

void TCustomEdit::SetText(const std::string& value) { WidgetOf<QLineEdit>(*this)->setText(ToQString(value)); }

void TCustomEdit::SetMaxLength(int32_t value) {
  maxLength_ = std::max(value, 0);
  WidgetOf<QLineEdit>(*this)->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomEdit::SetPasswordChar(char value) {
  passwordChar_ = value;
  WidgetOf<QLineEdit>(*this)->setEchoMode(value != '\0' ? QLineEdit::Password : QLineEdit::Normal);
}

void TCustomEdit::SetReadOnly(bool value) {
  readOnly_ = value;
  WidgetOf<QLineEdit>(*this)->setReadOnly(value);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  WidgetOf<QLineEdit>(*this)->setFrame(value != bsNone);
}

bool TCustomEdit::Modified() const { return WidgetOf<QLineEdit>(*this)->isModified(); }
void TCustomEdit::SetModified(bool value) { WidgetOf<QLineEdit>(*this)->setModified(value); }

int32_t TCustomEdit::SelStart() const {
  const auto* edit = WidgetOf<QLineEdit>(*this);
  return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TCustomEdit::SetSelStart(int32_t value) { WidgetOf<QLineEdit>(*this)->setCursorPosition(value); }

int32_t TCustomEdit::SelLength() const { return WidgetOf<QLineEdit>(*this)->selectionLength(); }

void TCustomEdit::SetSelLength(int32_t value) {
  auto* edit = WidgetOf<QLineEdit>(*this);
  edit->setSelection(SelStart(), value);
}

std::string TCustomEdit::SelText() const { return FromQString(WidgetOf<QLineEdit>(*this)->selectedText()); }

void TCustomEdit::SelectAll() { WidgetOf<QLineEdit>(*this)->selectAll(); }

void TCustomEdit::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    return;
  }
  TWinControl::WndProc(message);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

// ---- TMemo

namespace {

// One line of a memo as shown: where it starts in the document and its text.
struct MemoLine {
  int start;
  QString text;
};

// The memo's lines as shown: the paragraphs, cut where they wrap when the memo wraps. An empty last paragraph is
// no line (a text that ends with a line break has as many lines as breaks).
std::vector<MemoLine> ShownLines(const QPlainTextEdit* memo, bool wrap) {
  std::vector<MemoLine> lines;
  const qreal width = memo->viewport()->width() - 2 * memo->document()->documentMargin();
  for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    if (!wrap || text.isEmpty() || width <= 0) {
      lines.push_back({block.position(), text});
      continue;
    }
    QTextLayout layout(text, memo->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) line.setLineWidth(width);
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
      const QTextLine line = layout.lineAt(i);
      lines.push_back({block.position() + line.textStart(), text.mid(line.textStart(), line.textLength())});
    }
  }
  if (!lines.empty() && lines.back().text.isEmpty()) lines.pop_back();
  return lines;
}

class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo& memo) : memo_(memo) {}
  int Count() const override { return static_cast<int>(Lines().size()); }
  const std::string& Get(int index) const override {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    return cache_.Keep(index, lines[static_cast<size_t>(index)].text);
  }
  void Put(int index, std::string s) override {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    const MemoLine& line = lines[static_cast<size_t>(index)];
    Replace(line.start, line.start + static_cast<int>(line.text.size()), ToQString(s));
  }
  void* GetObject(int) const override { return nullptr; }
  void PutObject(int, void*) override {}
  void Insert(int index, std::string s) override {
    const auto lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size())) IndexError(index);
    if (index < static_cast<int>(lines.size())) {
      const int at = lines[static_cast<size_t>(index)].start;
      Replace(at, at, ToQString(s) + QLatin1Char('\n'));
      return;
    }
    // After the last line: the new line ends with a break, as the classic control's lines do.
    const QString text = Edit()->toPlainText();
    const int end = static_cast<int>(text.size());
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n')))
      Replace(end, end, ToQString(s) + QLatin1Char('\n'));
    else
      Replace(end, end, QLatin1Char('\n') + ToQString(s));
  }
  void Delete(int index) override {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) IndexError(index);
    const int start = lines[static_cast<size_t>(index)].start;
    const int end = index + 1 < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(index) + 1].start
                                                               : static_cast<int>(Edit()->toPlainText().size());
    Replace(start, end, QString());
  }
  void Clear() override { Edit()->setPlainText(QString()); }

 protected:
  void SetLines(std::vector<std::string> lines) override {
    QString text;
    for (const std::string& line : lines) text += ToQString(line) + QLatin1Char('\n');
    Edit()->setPlainText(text);
  }

 private:
  QPlainTextEdit* Edit() const { return WidgetOf<QPlainTextEdit>(memo_); }
  std::vector<MemoLine> Lines() const { return ShownLines(Edit(), memo_.WordWrap()); }
  void Replace(int start, int end, const QString& text) {
    QTextCursor cursor(Edit()->document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(text);
  }
  TMemo& memo_;
  TItemTextCache cache_;
};

}  // namespace

TMemo::TMemo(TComponent* owner) : TWinControl(owner, NewMemoHost()), lines_(std::make_unique<TMemoStrings>(*this)) {
  auto* memo = WidgetOf<QPlainTextEdit>(*this);
  QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this] { Guarded([this] { Change(); }); });
  memo->setTabChangesFocus(true);
  SetColor(clWindow);
  SetTabStop(true);
  SetWordWrap(true);
  SetScrollBars(ssNone);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

std::string TMemo::GetText() const {
  std::string text = FromQString(WidgetOf<QPlainTextEdit>(*this)->toPlainText());
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

void TMemo::SetText(const std::string& value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
    text += value[i] == '\r' ? '\n' : value[i];
  }
  WidgetOf<QPlainTextEdit>(*this)->setPlainText(ToQString(text));
}

void TMemo::SetWordWrap(bool value) {
  wordWrap_ = value;
  WidgetOf<QPlainTextEdit>(*this)->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle value) {
  scrollBars_ = value;
  auto* memo = WidgetOf<QPlainTextEdit>(*this);
  memo->setVerticalScrollBarPolicy(value == ssVertical || value == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(value == ssHorizontal || value == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                              : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  WidgetOf<QPlainTextEdit>(*this)->setFrameStyle(value == bsNone ? QFrame::NoFrame
                                                                 : QFrame::StyledPanel | QFrame::Sunken);
}

void TMemo::SetWantTabs(bool value) {
  wantTabs_ = value;
  WidgetOf<QPlainTextEdit>(*this)->setTabChangesFocus(!value);
}

void TMemo::SetReadOnly(bool value) {
  readOnly_ = value;
  WidgetOf<QPlainTextEdit>(*this)->setReadOnly(value);
}

bool TMemo::Modified() const { return WidgetOf<QPlainTextEdit>(*this)->document()->isModified(); }
void TMemo::SetModified(bool value) { WidgetOf<QPlainTextEdit>(*this)->document()->setModified(value); }

int32_t TMemo::SelStart() const { return WidgetOf<QPlainTextEdit>(*this)->textCursor().selectionStart(); }

void TMemo::SetSelStart(int32_t value) {
  auto* memo = WidgetOf<QPlainTextEdit>(*this);
  QTextCursor cursor = memo->textCursor();
  cursor.setPosition(std::clamp(value, 0, static_cast<int32_t>(memo->document()->characterCount() - 1)));
  memo->setTextCursor(cursor);
}

void TMemo::ScrollToStart() {
  auto* memo = WidgetOf<QPlainTextEdit>(*this);
  memo->moveCursor(QTextCursor::Start);
  memo->verticalScrollBar()->setValue(0);
  memo->horizontalScrollBar()->setValue(0);
}

void TMemo::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    if (wantReturns_) message.Result |= DLGC_WANTALLKEYS;
    if (wantTabs_) message.Result |= DLGC_WANTTAB;
    return;
  }
  if (message.Msg == WM_CHAR) {
    const auto c = static_cast<uint8_t>(message.WParam);
    // Return without WantReturns, and typing past MaxLength, do nothing.
    if (c == '\r' && !wantReturns_) return;
    if (maxLength_ > 0 && c >= ' ' && !readOnly_ &&
        WidgetOf<QPlainTextEdit>(*this)->document()->characterCount() - 1 >= maxLength_)
      return;
  }
  TWinControl::WndProc(message);
}

void TMemo::Change() {
  if (OnChange) OnChange(this);
}

}  // namespace pf
