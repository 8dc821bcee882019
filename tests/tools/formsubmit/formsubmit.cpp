// Reads a page into a document whose form controls live in an offscreen window, sets them through their windows
// as a user would (mouse clicks and key strokes), submits, and prints what the viewer's form-submission event gets:
//   formsubmit FILE [--check NAME=VALUE]... [--select NAME=VALUE]... [--text NAME=VALUE]...
//              (--press-submit [N] | --enter NAME | --click-image NAME X Y)
// --check clicks the unchecked check box or radio button NAME whose value is VALUE; --select picks the option of
// value VALUE in the list NAME (added to the selection of a multiple list); --text types VALUE into the edit box or
// text area NAME over its text. Then --press-submit clicks the N-th submit button of the page (1 = the first),
// --enter presses Return in the edit box NAME, --click-image clicks the image input NAME at X, Y of its picture.
// Output (UTF-8): ACTION, TARGET, ENCTYPE and METHOD lines, one RESULT line per submitted line (a CR, LF or
// backslash in it written as \r, \n, \\); NONE when nothing was submitted. Exit 2 with a message for bad arguments,
// an unreadable file or a control the page does not have.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/input.h"
#include "platform/ui/stdctrls.h"
#include "viewer/form_controls.h"
#include "viewer/html_parser.h"
#include "viewer/url_routines.h"

using namespace viewer;

namespace {

constexpr int kPumpRounds = 50;
constexpr int32_t kWindowWidth = 800, kWindowHeight = 600;

struct BadInput {
  std::string message;
};

struct Setting {
  std::string option, name, value;
};

struct Arguments {
  std::string file;
  std::vector<Setting> settings;
  enum { kNone, kPress, kEnter, kImage } action = kNone;
  int button = 1;
  std::string target;
  int32_t x = 0, y = 0;
};

int ParseNumber(const std::string& text) {
  int32_t value = 0;
  if (!pf::TryStrToInt(text, value)) throw BadInput{"not a number: " + text};
  return value;
}

Arguments ParseArguments(int argc, char** argv) {
  Arguments args;
  auto next = [&](int& i) -> std::string {
    if (i + 1 >= argc) throw BadInput{std::string(argv[i]) + " needs a value"};
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--check" || a == "--select" || a == "--text") {
      const std::string pair = pf::Utf8ToLatin1(next(i));
      const size_t equals = pair.find('=');
      if (equals == std::string::npos) throw BadInput{a + " needs NAME=VALUE"};
      args.settings.push_back({a, pair.substr(0, equals), pair.substr(equals + 1)});
    } else if (a == "--press-submit" && args.action == Arguments::kNone) {
      args.action = Arguments::kPress;
      int32_t n = 0;
      if (i + 1 < argc && pf::TryStrToInt(argv[i + 1], n)) args.button = ParseNumber(argv[++i]);
      if (args.button < 1) throw BadInput{"--press-submit counts from 1"};
    } else if (a == "--enter" && args.action == Arguments::kNone) {
      args.action = Arguments::kEnter;
      args.target = pf::Utf8ToLatin1(next(i));
    } else if (a == "--click-image" && args.action == Arguments::kNone) {
      args.action = Arguments::kImage;
      args.target = pf::Utf8ToLatin1(next(i));
      args.x = ParseNumber(next(i));
      args.y = ParseNumber(next(i));
    } else if (args.file.empty() && !a.starts_with("--")) {
      args.file = a;
    } else {
      throw BadInput{"unexpected argument: " + a};
    }
  }
  if (args.file.empty() || args.action == Arguments::kNone)
    throw BadInput{
        "usage: formsubmit FILE [--check NAME=VALUE]... [--select NAME=VALUE]... [--text NAME=VALUE]... "
        "(--press-submit [N] | --enter NAME | --click-image NAME X Y)"};
  return args;
}

// The viewer as far as a submission needs one: the window that receives the posted submission, and link sources
// beside the page.
class ToolViewer : public IViewerControl {
 public:
  ToolViewer(std::string file, pf::TWinControl* window) : file_(std::move(file)), window_(window) {}
  pf::TObject* Sender() override { return window_; }
  std::string ExpandFileName(const std::string& name) override {
    const std::string path = UrlToDosPath(name);
    return !path.empty() && path[0] == '/' ? path : pf::ExtractFilePath(pf::ExpandFileName(file_)) + path;
  }
  void SetCodePage(int codePage) override {}
  void FollowLinkByKey(const TUrlTarget& link) override {}
  void DocumentKeyPress(char& key) override {}
  void DoProgress(int percent) override {}
  pf::TWinControl* Window() override { return window_; }

 private:
  std::string file_;
  pf::TWinControl* window_;
};

std::string Shown(const std::string& latin1) {
  std::string out;
  for (char c : latin1) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out.push_back(c);
  }
  return pf::Latin1ToUtf8(out);
}

pf::TPoint Centre(const pf::TControl& control) { return {control.Width() / 2, control.Height() / 2}; }

// The first control of the document that is a T named name (and accepts ok), or nullptr.
template <class T, class Ok>
T* FindControl(TSectionList& document, const std::string& name, Ok ok) {
  for (TFormControlObj* control : document.FormControlList)
    if (auto* found = dynamic_cast<T*>(control); found && found->Name == name && found->GetControl() && ok(*found))
      return found;
  return nullptr;
}

void Check(TSectionList& document, const Setting& setting) {
  auto* control = FindControl<TCheckableFormControlObj>(
      document, setting.name, [&](TCheckableFormControlObj& c) { return c.Value == setting.value; });
  if (!control) throw BadInput{"no check box or radio button " + setting.name + "=" + setting.value};
  if (!control->Checked()) pf::SendMouseClick(*control->GetControl(), Centre(*control->GetControl()));
}

void Select(TSectionList& document, const Setting& setting) {
  auto optionOf = [&](const TListBoxFormControlObj& list) {
    for (int i = 0; i < list.TheOptions.Count(); ++i)
      if (list.TheOptions.GetValue(i) == setting.value) return i;
    return -1;
  };
  auto* control = FindControl<TListBoxFormControlObj>(document, setting.name,
                                                      [&](TListBoxFormControlObj& c) { return optionOf(c) >= 0; });
  if (!control) throw BadInput{"no list " + setting.name + " with the option " + setting.value};
  const int option = optionOf(*control);
  pf::TWinControl& window = *control->GetControl();
  if (auto* list = dynamic_cast<pf::TListBox*>(&window)) {
    if (list->Selected(option)) return;
    list->SetTopIndex(option);
    const pf::TRect r = list->ItemRect(option);
    pf::SendMouseClick(*list, {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}, control->Multiple ? pf::ssCtrl : 0);
    return;
  }
  // A drop-down list: from its first item down with the keyboard.
  window.SetFocus();
  pf::SendKeyStroke(window, pf::VK_HOME);
  for (int i = 0; i < option; ++i) pf::SendKeyStroke(window, pf::VK_DOWN);
}

void Type(TSectionList& document, const Setting& setting) {
  TFormControlObj* control = FindControl<TEditFormControlObj>(document, setting.name, [](auto&) { return true; });
  if (!control) control = FindControl<TTextAreaFormControlObj>(document, setting.name, [](auto&) { return true; });
  if (!control) throw BadInput{"no edit box or text area " + setting.name};
  pf::TWinControl& window = *control->GetControl();
  window.SetFocus();
  pf::SendKeyStroke(window, 'A', pf::ssCtrl);
  pf::SendText(window, setting.value);
}

void Act(TSectionList& document, const Arguments& args) {
  switch (args.action) {
    case Arguments::kPress: {
      std::vector<TButtonFormControlObj*> buttons;
      for (TFormControlObj* control : document.FormControlList)
        if (auto* button = dynamic_cast<TButtonFormControlObj*>(control);
            button && button->Which == TButtonFormControlObj::bkSubmit && button->GetControl())
          buttons.push_back(button);
      if (args.button > static_cast<int>(buttons.size()))
        throw BadInput{"the page has " + std::to_string(buttons.size()) + " submit buttons"};
      pf::TWinControl& window = *buttons[static_cast<size_t>(args.button - 1)]->GetControl();
      pf::SendMouseClick(window, Centre(window));
      break;
    }
    case Arguments::kEnter: {
      auto* edit = FindControl<TEditFormControlObj>(document, args.target, [](auto&) { return true; });
      if (!edit) throw BadInput{"no edit box " + args.target};
      edit->GetControl()->SetFocus();
      pf::SendKeyStroke(*edit->GetControl(), pf::VK_RETURN, 0, '\r');
      break;
    }
    case Arguments::kImage: {
      auto* image = FindControl<TImageFormControlObj>(document, args.target, [](auto&) { return true; });
      if (!image) throw BadInput{"no image input " + args.target};
      // The offset that the text's hit test leaves for a click on the picture, then the click.
      image->XTmp = args.x;
      image->YTmp = args.y;
      image->HandleClick();
      break;
    }
    case Arguments::kNone:
      break;
  }
}

int Run(const Arguments& args) {
  std::string html;
  try {
    html = pf::ReadFileBytes(args.file);
  } catch (const pf::Exception& e) {
    throw BadInput{pf::Latin1ToUtf8(e.what())};
  }
  pf::TForm form(nullptr);
  form.SetBounds(0, 0, kWindowWidth, kWindowHeight);
  auto* panel = new pf::TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(pf::alClient);
  ToolViewer viewer(args.file, &form);
  TSectionList document(&viewer, panel);
  document.ApplyDefaultFontsAndColors("Times New Roman", "Courier New", 10, 5, pf::DEFAULT_CHARSET, true, false,
                                      pf::clWindow, 0xFF00FF, 0x800080, 0xFF0000, pf::clWindowText, 12);
  std::optional<std::vector<std::string>> printed;
  document.SubmitForm = [&](pf::TObject*, const std::string& action, const std::string& target,
                            const std::string& encType, const std::string& method,
                            std::unique_ptr<pf::TStringList> results) {
    printed.emplace();
    printed->push_back("ACTION " + Shown(action));
    printed->push_back("TARGET " + Shown(target));
    printed->push_back("ENCTYPE " + Shown(encType));
    printed->push_back("METHOD " + Shown(method));
    for (int i = 0; i < results->Count(); ++i) printed->push_back("RESULT " + Shown((*results)[i]));
  };
  form.AddMessageHook([&](pf::TMessage& message, const pf::TWndMethod& previous) {
    if (message.Msg == FormSubmitMessage)
      document.DeliverSubmission(message);
    else
      previous(message);
  });
  form.Show();
  for (int i = 0; i < kPumpRounds && !form.Active(); ++i) pf::Application().ProcessMessages();
  TParseResult result;
  try {
    ParseHtmlDocument(html, document, {}, {}, {}, {}, result);
  } catch (const EParseError& e) {
    std::cerr << "formsubmit: " << pf::Latin1ToUtf8(e.what()) << "\n";
  }
  pf::TBitmap measure;
  int32_t maxWidth = 0;
  document.ComputeLayout(measure.Canvas(), {0, 0, panel->Width(), panel->Height()}, maxWidth);
  pf::Application().ProcessMessages();

  for (const Setting& setting : args.settings) {
    if (setting.option == "--check")
      Check(document, setting);
    else if (setting.option == "--select")
      Select(document, setting);
    else
      Type(document, setting);
  }
  Act(document, args);
  for (int i = 0; i < kPumpRounds && document.SubmitPending; ++i) pf::Application().ProcessMessages();
  if (!printed) {
    std::cout << "NONE\n";
  } else {
    for (const std::string& line : *printed) std::cout << line << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  try {
    return Run(ParseArguments(argc, argv));
  } catch (const BadInput& e) {
    std::cerr << "formsubmit: " << e.message << "\n";
    return 2;
  }
}
