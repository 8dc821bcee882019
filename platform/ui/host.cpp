// The widgets behind controls and the conversions at the Qt boundary: texts, fonts, cursors, keys.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "platform/graphics/canvas_qt.h"
#include "platform/ui/host_qt.h"

namespace pf {

// ---- Hosts

ControlHost::~ControlHost() {
  // Widgets that outlive their host (deleted later) must not reach it any more.
  for (QWidget* w : {outer, inner, client})
    if (auto* hw = dynamic_cast<HostWidget*>(w); hw != nullptr && hw->host == this) hw->host = nullptr;
}

void ControlHost::Release() {
  control = nullptr;
  for (auto& [id, timer] : timers) {
    timer->stop();
    timer->deleteLater();
  }
  timers.clear();
  if (sizeMoveWatch != nullptr) {
    sizeMoveWatch->stop();
    sizeMoveWatch->deleteLater();
    sizeMoveWatch = nullptr;
  }
  if (dispatching > 0) {
    // One of the widgets' events is being handled further up the stack: the widgets live until it returns.
    orphaned = true;
    outer->hide();
    outer->setParent(nullptr);
    outer->deleteLater();
    return;
  }
  QWidget* widget = outer;
  outer = inner = client = nullptr;
  delete widget;
}

std::unique_ptr<ControlHost> MakeCustomHost() {
  EnsureUi();
  auto* widget = new THost<QWidget>();
  // Painting covers every pixel it is asked for; the widget needs no background of its own.
  widget->setAttribute(Qt::WA_OpaquePaintEvent);
  return MakeHost(widget, true, false, false);
}

TControl* ControlOfWidget(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget())
    if (const auto* hw = dynamic_cast<const HostWidget*>(widget); hw != nullptr && hw->host != nullptr)
      return hw->host->control;
  return nullptr;
}

// ---- Texts and fonts

std::string StripAccelerators(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    }
  }
  return out;
}

std::string FromQString(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) out += c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?';
  return out;
}

QFont ToQFont(const TFont& font) {
  const std::string first = font.Name().substr(0, font.Name().find(','));
  std::string family = FontAliasTarget(first);
  if (family.empty()) family = first;
  QFont q(ToQString(family));
  int32_t pixels = 16;
  if (font.Height() < 0) {
    pixels = -font.Height();
  } else if (font.Height() > 0) {
    const TTextMetric& m = FontService().Realize(font.Desc())->Metrics();
    pixels = m.tmHeight - m.tmInternalLeading;
  }
  q.setPixelSize(std::max(pixels, 1));
  q.setBold((font.Style() & fsBold) != 0);
  q.setItalic((font.Style() & fsItalic) != 0);
  q.setUnderline((font.Style() & fsUnderline) != 0);
  q.setStrikeOut((font.Style() & fsStrikeOut) != 0);
  q.setKerning(false);
  return q;
}

// ---- Cursors

namespace {

// The panning cursors: a ring with an arrow head above, below or both, white with a black outline.
QCursor PanCursor(bool up, bool down) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawEllipse(QPoint(16, 16), 3, 3);
  if (up) p.drawPolygon(QPolygon({QPoint(16, 3), QPoint(22, 10), QPoint(10, 10)}));
  if (down) p.drawPolygon(QPolygon({QPoint(16, 29), QPoint(22, 22), QPoint(10, 22)}));
  p.end();
  return QCursor(pixmap, 16, 16);
}

}  // namespace

QCursor ToQCursor(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return QCursor(Qt::BlankCursor);
    case crCross:
      return QCursor(Qt::CrossCursor);
    case crIBeam:
      return QCursor(Qt::IBeamCursor);
    case crSizeNESW:
      return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS:
      return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE:
      return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE:
      return QCursor(Qt::SizeHorCursor);
    case crUpArrow:
      return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
    case crSQLWait:
      return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag:
      return QCursor(Qt::DragCopyCursor);
    case crNoDrop:
    case crNo:
      return QCursor(Qt::ForbiddenCursor);
    case crHSplit:
      return QCursor(Qt::SplitHCursor);
    case crVSplit:
      return QCursor(Qt::SplitVCursor);
    case crAppStart:
      return QCursor(Qt::BusyCursor);
    case crHelp:
      return QCursor(Qt::WhatsThisCursor);
    case crHandPoint:
    case crLinkHand:
      return QCursor(Qt::PointingHandCursor);
    case crSizeAll:
      return QCursor(Qt::SizeAllCursor);
    case crPanUpDown:
      return PanCursor(true, true);
    case crPanUp:
      return PanCursor(true, false);
    case crPanDown:
      return PanCursor(false, true);
    default:
      return QCursor(Qt::ArrowCursor);
  }
}

// ---- Keys and shift states

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

namespace {
constexpr LPARAM kAltKeyData = LPARAM{1} << 29;  // the classic key data's context bit
}  // namespace

LPARAM ShiftStateToKeyData(TShiftState shift) {
  LPARAM data = shift;
  if (shift & ssAlt) data |= kAltKeyData;
  return data;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState shift = static_cast<TShiftState>(keyData & 0x7F);
  if (keyData & kAltKeyData) shift |= ssAlt;
  return shift;
}

namespace {

// Qt keys and the virtual keys they stand for; the first entry of a virtual key is the key that types it.
const struct {
  int qt;
  uint16_t vk;
} kKeyTable[] = {
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Clear, VK_CLEAR},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_End, VK_END},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_Help, VK_HELP},
    {Qt::Key_Space, VK_SPACE},
    // Digits with Shift on a US keyboard give their symbols; the key is still the digit's.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
    {Qt::Key_Semicolon, VK_OEM_1},
    {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Udiaeresis, VK_OEM_1},
    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Question, VK_OEM_2},
    {Qt::Key_NumberSign, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3},
    {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_Odiaeresis, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4},
    {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_ssharp, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5},
    {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_BracketRight, VK_OEM_6},
    {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7},
    {Qt::Key_QuoteDbl, VK_OEM_7},
    {Qt::Key_Adiaeresis, VK_OEM_7},
    {Qt::Key_Less, VK_OEM_102},
    {Qt::Key_Greater, VK_OEM_102},
};

}  // namespace

uint16_t VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<uint16_t>(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return static_cast<uint16_t>(keypad ? VK_NUMPAD0 + (qtKey - Qt::Key_0) : qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
  // The keypad's operators, and the main block's where they differ.
  switch (qtKey) {
    case Qt::Key_Asterisk:
      return keypad ? uint16_t{VK_MULTIPLY} : uint16_t{'8'};
    case Qt::Key_Plus:
      return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus:
      return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Slash:
      return keypad ? VK_DIVIDE : VK_OEM_2;
    default:
      break;
  }
  if (keypad && qtKey == Qt::Key_Period) return VK_DECIMAL;
  for (const auto& entry : kKeyTable)
    if (entry.qt == qtKey) return entry.vk;
  return 0;
}

int QtKeyOf(uint16_t virtualKey) {
  if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) return virtualKey;
  if (virtualKey >= VK_F1 && virtualKey <= VK_F1 + 23) return Qt::Key_F1 + (virtualKey - VK_F1);
  for (const auto& entry : kKeyTable)
    if (entry.vk == virtualKey) return entry.qt;
  return 0;
}

// The first of count images side by side in the glyph, its transparent colour (bottom-left pixel) see-through.
QPixmap GlyphPixmap(const TBitmap& glyph, int count) {
  if (glyph.Empty()) return {};
  TBitmap copy;
  copy.Assign(glyph);
  copy.SetPixelFormat(pf32bit);
  const int32_t width = copy.Width() / std::max(count, 1), height = copy.Height();
  if (width <= 0) return {};
  const TColor transparent = ColorToDrawRGB(glyph.TransparentColor());
  QImage image(width, height, QImage::Format_ARGB32);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = copy.ScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = row + 4 * x;
      out[x] = RGB(p[2], p[1], p[0]) == transparent ? qRgba(0, 0, 0, 0) : qRgb(p[2], p[1], p[0]);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace pf
