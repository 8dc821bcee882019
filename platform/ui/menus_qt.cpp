// The window-system side of menus: every item is a QAction, every sub-menu a QMenu, a main menu's root a QMenuBar;
// a proxy style hands measuring and painting of owner-drawn items to the menu's handlers; the menu signals become
// the menu messages; the layer's seams route right clicks, shortcuts and form menu bars here.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <cstdlib>

#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"
#include "platform/ui/menus.h"
#include "platform/ui/menus_native.h"

namespace pf {

namespace {
class MenuWidget;
}  // namespace

struct TMenuItem::Impl {
  QAction* action = nullptr;     // the item's entry in its parent's menu (owned)
  QPointer<MenuWidget> submenu;  // the menu of its sub-items (owned), made when needed
  QPointer<QMenuBar> bar;        // a main menu's root: the menu bar (owned until a form's frame holds it)
  TCustomForm* form = nullptr;   // a main menu's root: the form that shows the bar
};

void TMenuItem::ImplDeleter::operator()(Impl* impl) const { delete impl; }

namespace {

TMenuItem* ItemOf(const QAction* action) {
  return action != nullptr ? static_cast<TMenuItem*>(action->data().value<void*>()) : nullptr;
}

// Items of a menu with handlers or OwnerDraw are measured and painted by the program.
bool OwnerDrawn(const TMenu* menu) {
  return menu != nullptr && (menu->MeasureItemHandler || menu->DrawItemHandler || menu->OwnerDraw());
}

// ---- The menu loop: WM_INITMENU once when a menu starts showing, WM_EXITMENULOOP when none shows any more.

TMenu* loopMenu = nullptr;

void Send(TMenu* menu, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (menu == nullptr) return;
  if (TWinControl* window = menu->WindowHandle()) window->Perform(msg, wParam, lParam);
}

void EnterLoop(TMenu* menu) {
  if (loopMenu != nullptr || menu == nullptr) return;
  loopMenu = menu;
  Send(menu, WM_INITMENU, menu->Handle(), 0);
}

void LeaveLoop() {
  TMenu* menu = loopMenu;
  if (menu == nullptr) return;
  loopMenu = nullptr;
  Send(menu, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  Send(menu, WM_EXITMENULOOP, 0, 0);
}

// ---- Owner drawing through a proxy style. A menu remembers the action whose option it filled last: the style is
// asked about exactly that one right after.

class MenuStyle : public QProxyStyle {
 public:
  MenuStyle() : QProxyStyle(BaseStyle()) {}
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;

 private:
  // The same base as the application's style (Fusion unless QT_STYLE_OVERRIDE names another).
  static QStyle* BaseStyle() {
    const char* styleOverride = std::getenv("QT_STYLE_OVERRIDE");
    return styleOverride != nullptr && *styleOverride != '\0' ? nullptr : QStyleFactory::create("Fusion");
  }
};

QStyle* SharedMenuStyle() {
  static MenuStyle* style = new MenuStyle();
  return style;
}

class MenuWidget : public QMenu {
 public:
  // The sub-menu of item (a pop-up menu's root for a pop-up menu).
  explicit MenuWidget(TMenuItem* owner) : item(owner) {
    setStyle(SharedMenuStyle());
    connect(this, &QMenu::aboutToShow, this, [this] { Guarded([this] { AboutToShow(); }); });
    connect(this, &QMenu::aboutToHide, this, [] {
      // Moving from one drop-down menu of a bar to the next hides one before the other shows.
      QTimer::singleShot(0, qApp, [] {
        if (QApplication::activePopupWidget() == nullptr) Guarded(&LeaveLoop);
      });
    });
    connect(this, &QMenu::hovered, this, [](QAction* action) { Guarded([action] { Hovered(action); }); });
  }
  TMenuItem* item;
  mutable const QAction* current = nullptr;

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
    QMenu::initStyleOption(option, action);
    current = action;
    if (const TMenuItem* it = ItemOf(action); it != nullptr && it->RadioItem() && it->Checked())
      option->checkType = QStyleOptionMenuItem::Exclusive;
  }

 private:
  void AboutToShow() {
    if (item == nullptr) return;
    TMenu* menu = item->GetParentMenu();
    EnterLoop(menu);
    Send(menu, WM_INITMENUPOPUP, item->Handle(), std::max(item->MenuIndex(), 0));
  }
  static void Hovered(QAction* action) {
    TMenuItem* it = ItemOf(action);
    if (it == nullptr) return;
    Application().SetHint(GetLongHint(it->Hint()));
    const TMenuItem* parent = it->Parent();
    uint32_t flags = MF_HILITE;
    if (!it->Enabled()) flags |= MF_DISABLED | MF_GRAYED;
    if (it->Checked()) flags |= MF_CHECKED;
    if (it->IsLine()) flags |= MF_SEPARATOR;
    uint16_t id = it->Command();
    if (it->Count() > 0) flags |= MF_POPUP, id = static_cast<uint16_t>(it->MenuIndex());
    Send(it->GetParentMenu(), WM_MENUSELECT, MAKEWPARAM(id, static_cast<uint16_t>(flags)),
         parent != nullptr ? static_cast<LPARAM>(parent->Handle()) : 0);
  }
};

// The item that the style is asked about, with its menu, when the program draws it.
struct Drawn {
  TMenuItem* item = nullptr;
  TMenu* menu = nullptr;
};
Drawn OwnerDrawnItem(const QWidget* widget) {
  const auto* menu = dynamic_cast<const MenuWidget*>(widget);
  TMenuItem* item = menu != nullptr ? ItemOf(menu->current) : nullptr;
  TMenu* parentMenu = item != nullptr ? item->GetParentMenu() : nullptr;
  if (!OwnerDrawn(parentMenu)) return {};
  return {item, parentMenu};
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
  const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
  if (type != CT_MenuItem) return base;
  const Drawn d = OwnerDrawnItem(widget);
  if (d.item == nullptr) return base;
  int32_t width = base.width(), height = base.height();
  bool done = false;
  Guarded([&] {
    TBitmap scratch(1, 1, pf24bit);
    TCanvas& canvas = scratch.Canvas();
    if (d.menu->MeasureItemHandler) done = d.menu->MeasureItemHandler(*d.item, canvas, width, height);
    if (!done && d.menu->OwnerDraw() && d.item->OnMeasureItem) {
      d.item->OnMeasureItem(d.item, canvas, width, height);
      done = true;
    }
  });
  if (!done) return base;
  // The window system adds the check-mark column to what an owner-drawn item measured.
  return {std::max(0, width) + GetSystemMetrics(SM_CXMENUCHECK), std::max(0, height)};
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  const Drawn d = element == CE_MenuItem ? OwnerDrawnItem(widget) : Drawn{};
  if (d.item == nullptr) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  // The item draws on a canvas over the whole menu window, through a buffer that starts in the menu colour.
  QImage buffer(widget->size(), QImage::Format_RGB32);
  buffer.fill(ToQColor(clMenu));
  TOwnerDrawState state = 0;
  if (option->state & State_Selected) state |= odSelected;
  if (!(option->state & State_Enabled)) state |= odDisabled | odGrayed;
  if (d.item->Checked()) state |= odChecked;
  if (d.item->Default()) state |= odDefault;
  const QRect& r = option->rect;
  const TRect rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
  bool done = false;
  Guarded([&] {
    TCanvas canvas(std::make_unique<QImageTarget>(buffer));
    if (d.menu->DrawItemHandler) done = d.menu->DrawItemHandler(*d.item, canvas, rect, state);
    if (!done && d.menu->OwnerDraw() && d.item->OnAdvancedDrawItem) {
      d.item->OnAdvancedDrawItem(d.item, canvas, rect, state);
      done = true;
    } else if (!done && d.menu->OwnerDraw() && d.item->OnDrawItem) {
      d.item->OnDrawItem(d.item, canvas, rect, (state & odSelected) != 0);
      done = true;
    }
  });
  if (done) {
    painter->drawImage(r, buffer, r);
    // As on the classic system, the arrow of an item that opens a sub-menu is the window system's.
    if (d.item->Count() > 0) {
      QStyleOptionMenuItem arrow = *static_cast<const QStyleOptionMenuItem*>(option);
      const int size = (r.height() - 4) / 2;
      arrow.rect = QRect(r.right() - 3 - size, r.top() + r.height() / 2 - size / 2, size, size);
      arrow.state = option->state & State_Enabled;
      arrow.palette.setColor(QPalette::WindowText, ToQColor((state & odSelected) != 0 ? clHighlightText : clMenuText));
      proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
    return;
  }
  // Left to the framework: the shortcut text that owner-drawn menus leave out of the caption comes back.
  QStyleOptionMenuItem copy = *static_cast<const QStyleOptionMenuItem*>(option);
  if (const std::string shortCut = ShortCutToText(d.item->ShortCut()); !shortCut.empty() && d.item->Count() == 0) {
    copy.text += QLatin1Char('\t') + ToQString(shortCut);
    copy.reservedShortcutWidth =
        std::max(copy.reservedShortcutWidth, copy.fontMetrics.horizontalAdvance(ToQString(shortCut)));
  }
  QProxyStyle::drawControl(element, &copy, painter, widget);
}

// ---- Items

// The widget that holds the entries of item's sub-items: a main menu's bar, else the item's own menu.
QWidget* Container(TMenuItem& item, bool create) {
  TMenuItem::Impl& impl = item.Native();
  if (item.Parent() == nullptr && dynamic_cast<TMainMenu*>(item.GetParentMenu()) != nullptr) {
    if (!impl.bar && create) impl.bar = new QMenuBar();
    return impl.bar;
  }
  if (!impl.submenu && create) impl.submenu = new MenuWidget(&item);
  return impl.submenu;
}

QIcon GlyphOf(TMenuItem& item) {
  const TMenu* menu = item.GetParentMenu();
  const TImageList* images = menu != nullptr ? menu->Images() : nullptr;
  if (images != nullptr && item.ImageIndex() >= 0 && item.ImageIndex() < images->Count()) {
    TBitmap glyph(images->Width(), images->Height(), pf24bit);
    glyph.Canvas().Brush().SetColor(clFuchsia);
    glyph.Canvas().FillRect({0, 0, glyph.Width(), glyph.Height()});
    ImageList_DrawEx(*images, item.ImageIndex(), glyph.Canvas(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    glyph.SetTransparentColor(clFuchsia);
    return QIcon(GlyphPixmap(glyph));
  }
  if (!item.Bitmap().Empty()) return QIcon(GlyphPixmap(item.Bitmap()));
  return {};
}

void ApplyItem(TMenuItem& item) {
  QAction* action = item.Native().action;
  if (action == nullptr) return;
  const TMenu* menu = item.GetParentMenu();
  QString text = ToQString(item.Caption());
  const bool topLevelOfBar =
      item.Parent() != nullptr && item.Parent()->Parent() == nullptr && dynamic_cast<const TMainMenu*>(menu) != nullptr;
  if (const std::string shortCut = ShortCutToText(item.ShortCut());
      !shortCut.empty() && item.Count() == 0 && !topLevelOfBar && !OwnerDrawn(menu))
    text += QLatin1Char('\t') + ToQString(shortCut);
  action->setSeparator(item.IsLine());
  action->setText(item.IsLine() ? QString() : text);
  action->setEnabled(item.Enabled());
  action->setVisible(item.Visible());
  action->setCheckable(item.Checked());
  action->setChecked(item.Checked());
  QFont font = QApplication::font();
  font.setBold(item.Default());
  action->setFont(font);
  action->setIcon(GlyphOf(item));
}

// Puts the entries of item's sub-items into its container, in order, and links its own entry to its menu.
void Rebuild(TMenuItem& item) {
  QWidget* container = Container(item, item.Count() > 0 || item.Parent() == nullptr);
  if (container != nullptr) {
    for (QAction* a : container->actions()) container->removeAction(a);
    for (int i = 0; i < item.Count(); ++i) {
      ApplyItem(*item.Items(i));
      container->addAction(item.Items(i)->Native().action);
    }
  }
  if (QAction* action = item.Native().action)
    action->setMenu(item.Count() > 0 ? static_cast<QMenu*>(item.Native().submenu.data()) : nullptr);
}

void RefreshAll(TMenuItem& item) {
  ApplyItem(item);
  for (int i = 0; i < item.Count(); ++i) RefreshAll(*item.Items(i));
  Rebuild(item);
}

// ---- Seams

bool DispatchShortCut(TWinControl& control, uint16_t key, TShiftState shift) {
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  shift &= ssShift | ssCtrl | ssAlt;
  if (TCustomForm* form = GetParentForm(&control))
    if (TMenu* menu = form->Menu(); menu != nullptr && menu->IsShortCut(key, shift)) return true;
  for (TControl* c = &control; c != nullptr; c = c->Parent())
    if (TMenu* menu = c->PopupMenu(); menu != nullptr && menu->IsShortCut(key, shift)) return true;
  return false;
}

void AttachToForm(TCustomForm& form, TMainMenu* old, TMainMenu* menu) {
  if (old != nullptr && old->Items().Native().form == &form) {
    TMenuItem::Impl& impl = old->Items().Native();
    impl.form = nullptr;
    SetFormMenuBar(form, nullptr);
    if (impl.bar) impl.bar->hide(), impl.bar->setParent(nullptr);
  }
  if (menu == nullptr) return;
  TMenuItem::Impl& impl = menu->Items().Native();
  if (impl.form != nullptr && impl.form != &form) impl.form->SetMenu(nullptr);
  RefreshAll(menu->Items());
  impl.form = &form;
  SetFormMenuBar(form, Container(menu->Items(), true));
}

}  // namespace

namespace menu_native {

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  EnsureUi();
  SetPopupMenuHandler([](TPopupMenu& menu, TControl& control, const TPoint& screenPos) {
    if (!menu.AutoPopup) return false;
    menu.SetPopupComponent(&control);
    menu.Popup(screenPos.X, screenPos.Y);
    return true;
  });
  SetShortCutHandler(&DispatchShortCut);
  SetFormMenuHandler(&AttachToForm);
}

TMenuItem::Impl* NewItem(TMenuItem& item) {
  EnsureUi();
  auto* impl = new TMenuItem::Impl();
  QAction* action = impl->action = new QAction();
  action->setData(QVariant::fromValue(static_cast<void*>(&item)));
  TMenuItem* target = &item;
  QObject::connect(action, &QAction::triggered, action, [action, target] {
    action->setChecked(target->Checked());  // the item's Checked decides, not the click
    Guarded([target] { target->Click(); });
  });
  return impl;
}

void FreeItem(TMenuItem& item) {
  TMenuItem::Impl& impl = item.Native();
  if (item.Parent() == nullptr && loopMenu != nullptr && loopMenu == item.GetParentMenu()) loopMenu = nullptr;
  delete impl.action;
  impl.action = nullptr;
  delete impl.submenu.data();
  delete impl.bar.data();
}

void ItemChanged(TMenuItem& item, bool rebuild) {
  ApplyItem(item);
  if (rebuild) Rebuild(item);
}

void MenuChanged(TMenu& menu) { RefreshAll(menu.Items()); }

void Detach(TMainMenu& menu) {
  if (TCustomForm* form = menu.Items().Native().form) form->SetMenu(nullptr);
}

TCustomForm* FormOf(const TMainMenu& menu) { return menu.Items().Native().form; }

void FormGone(TMainMenu& menu) { menu.Items().Native().form = nullptr; }

void Popup(TPopupMenu& menu, int32_t x, int32_t y) {
  RefreshAll(menu.Items());
  auto* widget = static_cast<MenuWidget*>(Container(menu.Items(), true));
  const int width = widget->sizeHint().width();
  if (menu.Alignment() == paRight) x -= width;
  if (menu.Alignment() == paCenter) x -= width / 2;
  EnterLoop(&menu);
  widget->exec(QPoint(x, y));
  if (loopMenu == &menu) LeaveLoop();
}

std::string PlainCaption(const std::string& caption) { return StripAccelerators(caption); }

}  // namespace menu_native

}  // namespace pf
