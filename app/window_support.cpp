#include "app/window_support.h"

#include <algorithm>
#include <cstdlib>

#include "app/main_rules.h"

namespace app {

void RestorePosition(pf::TCustomForm& form, const pf::TIniFile* ini, std::string_view prefix,
                     const pf::TRect& defaults) {
  const std::string p(prefix);
  int32_t top = defaults.Top, left = defaults.Left, width = defaults.Width(), height = defaults.Height();
  if (ini != nullptr) {
    top = ini->ReadInteger("Position", p + "Top", top);
    left = ini->ReadInteger("Position", p + "Left", left);
    width = ini->ReadInteger("Position", p + "Width", width);
    height = ini->ReadInteger("Position", p + "Height", height);
  }
  // The smallest size the window takes is placed, so that growing to it cannot push the window off the screen.
  const pf::TSizeConstraints limits = form.Constraints();
  const pf::TRect shown = ShownBounds(left, top, std::max(width, limits.MinWidth), std::max(height, limits.MinHeight),
                                      pf::Screen().Width(), pf::Screen().Height());
  form.SetBounds(shown.Left, shown.Top, shown.Width(), shown.Height());
}

void RestorePosition(pf::TCustomForm& form, const pf::TIniFile* ini, std::string_view prefix, int32_t width,
                     int32_t height) {
  const int32_t top = std::abs((pf::Screen().Height() - height) / 2);
  const int32_t left = std::abs((pf::Screen().Width() - width) / 2);
  RestorePosition(form, ini, prefix, {left, top, left + width, top + height});
}

void SavePosition(const pf::TCustomForm& form, pf::TIniFile* ini, std::string_view prefix) {
  if (ini == nullptr) return;
  const std::string p(prefix);
  // A maximised window keeps the place it comes back to: the next start shows that, not a screen-sized window.
  const pf::TRect r = form.RestoredBounds();
  ini->WriteInteger("Position", p + "Top", r.Top);
  ini->WriteInteger("Position", p + "Left", r.Left);
  ini->WriteInteger("Position", p + "Width", r.Right - r.Left);
  ini->WriteInteger("Position", p + "Height", r.Bottom - r.Top);
}

void GuardedDestroy(const std::function<void()>& work) {
  try {
    work();
  } catch (...) {
    pf::Application().HandleCurrentException();
  }
}

void Msg(components::TsbStatusBar& bar, pf::TTimer& msgTimer, const std::string& text) {
  components::TsbStatusPanel* panel = bar.Panels()[0];
  panel->SetColor(MsgColor);
  panel->SetText(" " + text);
  // A new message gets its full time.
  msgTimer.SetEnabled(false);
  msgTimer.SetEnabled(true);
}

void MsgTimerTimer(components::TsbStatusBar& bar, pf::TTimer& msgTimer) {
  bar.Panels()[0]->SetColor(pf::clBtnFace);
  msgTimer.SetEnabled(false);
}

components::TsbStatusBar* AddStatusBar(pf::TWinControl& parent, std::initializer_list<PanelLayout> panels) {
  auto* bar = new components::TsbStatusBar(&parent);
  bar->SetParent(&parent);
  // Before the panels: each takes the bar's font when it is made.
  bar->Font().SetName(StatusBarFontName);
  bar->Font().SetHeight(StatusBarFontHeight);
  for (const PanelLayout& layout : panels) {
    components::TsbStatusPanel* panel = bar->Panels().Add();
    panel->SetName(layout.name);
    panel->SetWidth(layout.width);
    panel->TextOptions().SetAlignment(layout.alignment);
  }
  return bar;
}

void SetPanelWidths(components::TsbStatusBar& bar, std::initializer_list<const char*> widths) {
  int i = 0;
  for (const char* width : widths) bar.Panels()[i++]->SetWidth(width);
}

void SetMenuLook(components::TodMenuProperties& menu) {
  menu.Font().SetName("Arial");
  menu.Font().SetHeight(-13);
  menu.SetOptions(components::odmCustomFont | components::odmBackground);
  menu.SetColor(MenuColor);
  menu.SetFont3D(components::od3Normal);
  menu.Background().SetStyle(components::odmSolid);
  menu.Background().SetGradient(pf::clWhite);
  menu.SetSelectionStyle(components::odmNormSel);
  menu.SetOwnerDraw(false);
}

components::TodMenu* NewMainMenu(pf::TCustomForm& form) {
  auto* menu = new components::TodMenu(&form);
  SetMenuLook(*menu);
  return menu;
}

components::TodPopupMenu* NewPopupMenu(pf::TCustomForm& form) {
  auto* menu = new components::TodPopupMenu(&form);
  SetMenuLook(*menu);
  return menu;
}

components::TodMenuItem* AddMenuItem(pf::TMenuItem& parent, const std::string& caption, pf::TShortCut shortCut,
                                     const std::string& hint, std::function<void()> click) {
  auto* item = new components::TodMenuItem(nullptr);  // the parent item frees it
  item->SetCaption(caption);
  item->SetShortCut(shortCut);
  item->SetHint(hint);
  if (click) item->OnClick = [click = std::move(click)](pf::TObject*) { click(); };
  parent.Add(item);
  return item;
}

pf::TMenuItem* WithGlyph(pf::TMenuItem* item, Glyph glyph) {
  DrawGlyph(item->Bitmap(), glyph);
  return item;
}

}  // namespace app
