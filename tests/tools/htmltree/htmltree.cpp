// Prints the document tree that the viewer's builder makes of a file, one object a line, children indented by two
// blanks, then the title, base, document colours, forms, IDs and maps. No layout runs; fonts come from the
// fixed-metric font service and the document has no windows.
//   htmltree [--text] [--root DIR] FILE
// --text reads the file as plain text; --root is the server root for "/..." links.
// Notation: wide text in quotes with units outside printable ASCII as U+XXXX; 8-bit text in quotes with bytes
// outside printable ASCII as \xNN; colours as $BBGGRR; runs as [position style size colour ...].
// A parse error prints the tree built so far and ERROR <message>, exit status 1; an unreadable file exits 2.
#include <iostream>
#include <string>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/fonts.h"
#include "viewer/blocks.h"
#include "viewer/html_parser.h"
#include "viewer/panels.h"
#include "viewer/rules_and_preformatted.h"
#include "viewer/table_structure.h"
#include "viewer/url_routines.h"

using namespace viewer;

namespace {

bool Printable(unsigned c) { return c >= 0x20 && c < 0x7F; }

std::string Quoted(const std::string& bytes) {
  std::string out = "\"";
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (Printable(c)) {
      if (c == '"' || c == '\\') out.push_back('\\');
      out.push_back(ch);
    } else {
      out += "\\x" + pf::IntToHex(c, 2);
    }
  }
  return out + "\"";
}

std::string Wide(const std::u16string& text) {
  std::string out;
  bool quoted = false;
  for (char16_t c : text) {
    if (Printable(c)) {
      if (!quoted) out += out.empty() ? "\"" : " \"";
      quoted = true;
      if (c == u'"' || c == u'\\') out.push_back('\\');
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (quoted) out += "\"";
    quoted = false;
    out += (out.empty() ? "U+" : " U+") + pf::IntToHex(c, 4);
  }
  if (quoted) out += "\"";
  return out.empty() ? "\"\"" : out;
}

std::string Color(pf::TColor color) { return "$" + pf::IntToHex(pf::ColorToDrawRGB(color), 6); }

std::string Justify(int code) {
  static const char* const names[] = {"", "left", "center", "right", "justify"};
  return code >= 1 && code <= 4 ? names[code] : pf::IntToStr(code);
}

std::string FontLook(const TMyFont& font) {
  std::string style;
  const pf::TFontStyles s = font.Style();
  for (auto [flag, name] : {std::pair{pf::fsBold, "bold"},
                            {pf::fsItalic, "italic"},
                            {pf::fsUnderline, "underline"},
                            {pf::fsStrikeOut, "strike"}})
    if (s & flag) style += (style.empty() ? "" : "+") + std::string(name);
  return (style.empty() ? "normal" : style) + " " + pf::IntToStr(font.Size()) + "pt " + Color(font.Color());
}

std::string Runs(const TSection& section) {
  std::string out = " runs";
  for (int i = 0; i < section.Fonts.Count(); ++i) {
    const TFontObj& run = *section.Fonts[i];
    if (run.Pos >= static_cast<int32_t>(section.Text.size()) && i > 0) continue;
    out += " [" + pf::IntToStr(run.Pos) + " " + FontLook(*run.TheFont);
    if (!run.UrlTarget.Url.empty()) out += " link " + Quoted(run.UrlTarget.Url);
    if (run.TabControl) out += " stop";
    if (run.SScript == 8) out += " sub";
    if (run.SScript == 9) out += " super";
    out += "]";
  }
  return out;
}

std::string Objects(const TSection& section) {
  std::string out;
  for (int i = 0; i < section.Images.Count(); ++i) {
    const TFloatingObj* object = section.Images[i];
    out += " [" + pf::IntToStr(object->Pos);
    if (const auto* image = dynamic_cast<const TImageObj*>(object))
      out += " img " + Quoted(image->Source);
    else if (const auto* panel = dynamic_cast<const TPanelObj*>(object))
      out += " panel " + Quoted(panel->PanelName);
    out += " align " + pf::IntToStr(object->Floating) + "]";
  }
  if (section.Images.Count() > 0) out = " objects" + out;
  std::string controls;
  for (int i = 0; i < section.FormControls.Count(); ++i)
    controls += " [" + pf::IntToStr(section.FormControls[i]->Pos) + " " + Quoted(section.FormControls[i]->Name) + "]";
  return out + (controls.empty() ? "" : " controls" + controls);
}

std::string SectionLine(const TSection& section) {
  std::string line = dynamic_cast<const TPreFormated*>(&section) ? "Pre " : "Section ";
  line += Wide(section.Text);
  if (section.Justify != 1) line += " justify " + Justify(section.Justify);
  if (section.ClearAttr != 0) line += " clear " + pf::IntToStr(section.ClearAttr);
  if (section.TextIndentPercent != 0) line += " indent " + pf::IntToStr(section.TextIndentPercent) + "%";
  if (section.TextIndent != 0) line += " indent " + pf::IntToStr(section.TextIndent);
  if (section.AnchorName) line += " anchor";
  if (section.BreakFlags.find_first_not_of('y') != std::string::npos) line += " flags " + section.BreakFlags;
  return line + Runs(section) + Objects(section);
}

std::string Margin(int32_t pixels) { return pixels == AutoValue ? "auto" : pf::IntToStr(pixels); }

std::string BlockDetails(const TBlock& block) {
  std::string out;
  const size_t dot = block.TagClass.find('.');
  if (dot != std::string::npos && dot + 1 < block.TagClass.size()) out += " class " + block.TagClass.substr(dot + 1);
  if (block.IsListBlock) out += " list";
  if (block.FloatLR != 0) out += block.FloatLR == 5 ? " float left" : " float right";
  if (block.ClearAttr != 0) out += " clear " + pf::IntToStr(block.ClearAttr);
  const TBoxIntArray& m = block.MargArray;
  out += " margins " + Margin(m[piMarginTop]) + " " + Margin(m[piMarginRight]) + " " + Margin(m[piMarginBottom]) + " " +
         Margin(m[piMarginLeft]);
  const pf::TColor background = static_cast<pf::TColor>(IntOf(block.BoxValues[piBackgroundColor], pf::clNone));
  if (background != pf::clNone && IsNumber(block.BoxValues[piBackgroundColor]))
    out += " background " + Color(background);
  if (block.BGImage) out += " image " + Quoted(block.BGImage->Source);
  return out;
}

void PrintCell(const TCellBasic& cell, int depth);

void PrintTable(const ThtmlTable& table, int depth) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  std::cout << indent << "Table border " << table.BorderWidth << " padding " << table.CellPadding << " spacing "
            << table.CellSpacing << " columns " << table.ColumnCount() << "\n";
  for (int r = 0; r < table.Rows.Count(); ++r) {
    const TCellList& row = *table.Rows[r];
    std::cout << indent << "  Row part " << int{row.RowType};
    if (row.BkGnd) std::cout << " background " << Color(row.BkColor);
    std::cout << "\n";
    for (int c = 0; c < row.Count(); ++c) {
      const TCellObj& cell = *row[c];
      std::cout << indent << "    Cell(" << cell.Cell->Tag << ") span " << cell.ColSpan << "x" << cell.RowSpan
                << " valign " << int{cell.VAlign};
      if (cell.SpecWd != 0) std::cout << " width " << cell.SpecWd << (cell.AsPercent ? "/1000" : "");
      if (cell.Cell->BkGnd) std::cout << " background " << Color(cell.Cell->BkColor);
      std::cout << "\n";
      PrintCell(*cell.Cell, depth + 3);
    }
  }
}

void PrintObject(const TSectionBase& object, int depth) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  if (const auto* section = dynamic_cast<const TSection*>(&object)) {
    std::cout << indent << SectionLine(*section) << "\n";
  } else if (const auto* table = dynamic_cast<const ThtmlTable*>(&object)) {
    PrintTable(*table, depth);
  } else if (const auto* line = dynamic_cast<const THorzLine*>(&object)) {
    std::cout << indent << "HorzLine size " << line->VSize << " align " << int{line->Align} << " width " << line->Width
              << (line->WidthPercent ? "%" : "") << (line->NoShade ? " noshade" : "") << "\n";
  } else if (dynamic_cast<const TPage*>(&object)) {
    std::cout << indent << "Page\n";
  } else if (const auto* block = dynamic_cast<const TBlock*>(&object)) {
    std::string name = "Block(" + block->MyCell->Tag + ")";
    if (dynamic_cast<const TBodyBlock*>(block)) name = "BodyBlock(" + block->MyCell->Tag + ")";
    if (dynamic_cast<const THRBlock*>(block)) name = "HRBlock";
    if (const auto* wrapper = dynamic_cast<const TTableAndCaptionBlock*>(block))
      name = std::string("TableAndCaption caption ") + (wrapper->CaptionOnTop ? "top" : "bottom");
    if (const auto* tableBlock = dynamic_cast<const TTableBlock*>(block)) {
      name = "TableBlock";
      if (tableBlock->TableAlign != 0) name += " position " + pf::IntToStr(tableBlock->TableAlign);
      if (tableBlock->GivenWidth != 0)
        name += " width " + pf::IntToStr(tableBlock->GivenWidth) + (tableBlock->GivenWidthPercent ? "/1000" : "");
    }
    if (const auto* item = dynamic_cast<const TBlockLI*>(block))
      name = "LI(" + block->MyCell->Tag + ") kind " + pf::IntToStr(item->ItemKind) + " #" +
             pf::IntToStr(item->ItemNumber) + " marker " + pf::IntToStr(item->MarkerStyle);
    std::cout << indent << name << BlockDetails(*block) << "\n";
    PrintCell(*block->MyCell, depth + 1);
  } else {
    std::cout << indent << "Object\n";
  }
}

void PrintCell(const TCellBasic& cell, int depth) {
  for (int i = 0; i < cell.Count(); ++i) PrintObject(*cell[i], depth);
}

std::string ControlLine(const TFormControlObj& control) {
  std::string kind = "edit", extra;
  if (const auto* edit = dynamic_cast<const TEditFormControlObj*>(&control)) {
    kind = edit->Password ? "password" : "edit";
    extra = " size " + pf::IntToStr(edit->EditSize);
  } else if (const auto* button = dynamic_cast<const TButtonFormControlObj*>(&control)) {
    static const char* const kinds[] = {"submit", "reset", "button", "browse"};
    kind = kinds[button->Which];
    extra = " caption " + Quoted(button->Caption);
  } else if (const auto* check = dynamic_cast<const TCheckBoxFormControlObj*>(&control)) {
    kind = "checkbox";
    extra = check->IsChecked ? " checked" : "";
  } else if (const auto* radio = dynamic_cast<const TRadioButtonFormControlObj*>(&control)) {
    kind = "radio";
    extra = radio->IsChecked ? " checked" : "";
  } else if (dynamic_cast<const THiddenFormControlObj*>(&control)) {
    kind = "hidden";
  } else if (dynamic_cast<const TImageFormControlObj*>(&control)) {
    kind = "image";
  } else if (const auto* list = dynamic_cast<const TListBoxFormControlObj*>(&control)) {
    kind = dynamic_cast<const TComboFormControlObj*>(list) ? "combo" : "listbox";
    extra = " options";
    for (int i = 0; i < list->TheOptions.Count(); ++i)
      extra += " [" + Quoted(list->TheOptions[i]) + "=" + Quoted(list->TheOptions.GetValue(i)) +
               (list->TheOptions.GetSelected(i) ? " selected]" : "]");
  } else if (const auto* area = dynamic_cast<const TTextAreaFormControlObj*>(&control)) {
    kind = "textarea";
    extra = " text " + Quoted(area->TheText);
  }
  return kind + " name " + Quoted(control.Name) + " value " + Quoted(control.Value) + extra +
         (control.Disabled ? " disabled" : "");
}

std::string IdTarget(TIDObject* object) {
  if (auto* position = dynamic_cast<TChPosObj*>(object)) return "position " + pf::IntToStr(position->ChPos);
  if (dynamic_cast<TSection*>(object)) return "section";
  if (dynamic_cast<TBlock*>(object)) return "block";
  if (dynamic_cast<TFormControlObj*>(object)) return "control";
  return "object";
}

void PrintDocument(TSectionList& document, const TParseResult& result, const std::vector<std::string>& ids) {
  PrintCell(document, 0);
  std::cout << "title " << Wide(result.TitleWide) << "\n";
  std::cout << "base " << Quoted(result.Base) << " target " << Quoted(result.BaseTarget) << "\n";
  std::cout << "background " << Color(document.Background);
  if (!document.BackgroundName.empty()) std::cout << " image " << Quoted(document.BackgroundName);
  std::cout << "\nlinks " << Color(document.HotSpotColor) << " " << Color(document.LinkVisitedColor) << " "
            << Color(document.LinkActiveColor) << (document.LinksActive ? " active" : "")
            << (document.ManyLinks ? " many" : "") << "\n";
  for (int f = 0; f < document.htmlFormList.Count(); ++f) {
    const ThtmlForm& form = *document.htmlFormList[f];
    std::cout << "form method " << Quoted(form.Method) << " action " << Quoted(form.Action) << " target "
              << Quoted(form.Target) << " enctype " << Quoted(form.EncType) << "\n";
    for (int c = 0; c < form.Controls.Count(); ++c) std::cout << "  " << ControlLine(*form.Controls[c]) << "\n";
  }
  for (const std::string& id : ids) {
    TIDObject* object = nullptr;
    if (document.IDNameList.Find(id, object)) std::cout << "id " << Quoted(id) << " " << IdTarget(object) << "\n";
  }
  for (int m = 0; m < document.MapList.Count(); ++m)
    std::cout << "map " << Quoted(document.MapList[m]->MapName) << " areas " << document.MapList[m]->AreaCount()
              << "\n";
}

// The viewer as far as the reader needs one: link sources are files beside the document or under the root.
class ToolViewer : public IViewerControl {
 public:
  ToolViewer(std::string file, std::string root) : file_(std::move(file)), root_(std::move(root)) {}
  pf::TObject* Sender() override { return nullptr; }
  std::string ExpandFileName(const std::string& name) override {
    const std::string path = UrlToRootedDosPath(name, root_);
    return !path.empty() && path[0] == '/' ? path : pf::ExtractFilePath(pf::ExpandFileName(file_)) + path;
  }
  void SetCodePage(int codePage) override {}
  void FollowLinkByKey(const TUrlTarget& link) override {}
  void DocumentKeyPress(char& key) override {}
  void DoProgress(int percent) override {}

 private:
  std::string file_, root_;
};

// The names the document's tags gave in ID and NAME attributes, as written.
std::vector<std::string> IdNames(const std::string& document) {
  std::vector<std::string> names;
  for (const char* attribute : {" id=\"", " name=\"", " ID=\"", " NAME=\""}) {
    for (size_t at = document.find(attribute); at != std::string::npos; at = document.find(attribute, at + 1)) {
      const size_t start = at + std::char_traits<char>::length(attribute);
      const size_t end = document.find('"', start);
      if (end == std::string::npos) continue;
      std::string name = document.substr(start, end - start);
      if (name.starts_with('#')) name.erase(0, 1);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  bool plainText = false;
  std::string root, file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--text")
      plainText = true;
    else if (arg == "--root" && i + 1 < argc)
      root = argv[++i];
    else
      file = arg;
  }
  if (file.empty()) {
    std::cerr << "usage: htmltree [--text] [--root DIR] FILE\n";
    return 2;
  }
  std::string document;
  try {
    document = pf::ReadFileBytes(file);
  } catch (const pf::Exception& e) {
    std::cerr << e.Message() << "\n";
    return 2;
  }
  pf::SetFontService(pf::CreateFixedMetricFontService());
  ToolViewer viewer(file, root);
  TSectionList list(&viewer, nullptr);
  list.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                  pf::clBtnFace, 0xFF0000, 0x800080, 0xFF0000, pf::clBtnText, 12);
  TParseResult result;
  int status = 0;
  std::string error;
  try {
    if (plainText)
      ParsePlainTextDocument(document, list);
    else
      ParseHtmlDocument(document, list, nullptr, nullptr, nullptr, nullptr, result);
  } catch (const pf::Exception& e) {
    error = e.Message();
    status = 1;
  }
  PrintDocument(list, result, IdNames(document));
  if (status != 0) std::cout << "ERROR " << error << "\n";
  return status;
}
