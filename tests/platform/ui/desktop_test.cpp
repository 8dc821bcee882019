// The status-bar control, the clipboard, message boxes and choosers, and what the desktop offers besides.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "gif/gif_image.h"
#include "platform/core/strings.h"
#include "platform/ui/clipbrd.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/system.h"
#include "tests/platform/ui/ui_test_support.h"

namespace {

using namespace pf;
using namespace pf::literals;

TEST(StatusBarControl, TextsBevelsAndOwnerDrawnParts) {
  auto form = ui_test::ActiveForm(300, 100);
  TStatusBarControl bar(form.get());
  bar.SetParent(form.get());
  bar.SetAlign(alNone);
  bar.SetBounds(0, 0, 300, kStatusBarHeight);
  bar.SetParts({100, 200, -1});
  EXPECT_EQ(bar.PartAt({101, 10}), -1);  // the gap between two parts
  EXPECT_EQ(bar.PartRect(3), TRect{});
  bar.SetPartText(0, "Nachricht");
  bar.SetPartText(1, "\t5 Min", SBT_POPOUT);
  bar.SetPartText(2, "", SBT_OWNERDRAW | SBT_NOBORDERS);
  std::vector<std::pair<int, TRect>> drawn;
  bar.OnDrawPart = [&](TStatusBarControl&, TCanvas& canvas, int part, const TRect& r) {
    drawn.emplace_back(part, r);
    canvas.Brush().SetColor(clLime);
    canvas.FillRect(r);
  };
  const QImage image = ui_test::Widget(bar)->grab().toImage();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].first, 2);
  EXPECT_EQ(drawn[0].second, (TRect{202, 2, 300, 20}));            // no border: the whole part
  EXPECT_EQ(image.pixel(0, 2), ToQColor(clBtnShadow).rgb());       // lowered: dark top-left
  EXPECT_EQ(image.pixel(99, 19), ToQColor(clBtnHighlight).rgb());  // light bottom-right
  EXPECT_EQ(image.pixel(102, 2), ToQColor(clBtnHighlight).rgb());  // raised: the other way round
  EXPECT_EQ(image.pixel(250, 10), ToQColor(clLime).rgb());
  EXPECT_EQ(bar.PartText(1), "\t5 Min");
  EXPECT_EQ(bar.PartFlags(2), SBT_OWNERDRAW | SBT_NOBORDERS);
  bar.SetSimple(true);
  bar.SetPartText(SB_SIMPLEID, "Einfach");
  EXPECT_EQ(bar.PartAt({250, 10}), SB_SIMPLEID);
  EXPECT_EQ(bar.PartRect(SB_SIMPLEID), (TRect{0, 2, 300, 20}));
  drawn.clear();
  ui_test::Widget(bar)->grab();
  EXPECT_TRUE(drawn.empty());  // parts wait while the bar is simple
}

TEST(Clipboard, TextAndPictures) {
  EnsureUi();
  const std::string text(" Prüfung, Größe"_l1);
  Clipboard().SetAsText(text);
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard().HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard().AsText(), text);
  Clipboard().SetAsWideText(u"Ohm \u03A9");
  EXPECT_EQ(Clipboard().AsText(), "Ohm ?");
  EXPECT_EQ(Clipboard().AsWideText(), u"Ohm \u03A9");

  // A GIF picture leaves its bitmap and its own bytes; a picture reads the GIF back first.
  gif::TGifPicture gif;
  TBitmap chart(4, 3, pf24bit);
  chart.Canvas().Brush().SetColor(clRed);
  chart.Canvas().FillRect({0, 0, 4, 3});
  gif.Assign(chart);
  Clipboard().Assign(gif);
  EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard().HasFormat(CF_BITMAP));
  EXPECT_TRUE(Clipboard().HasFormat(gif::CF_GIF()));
  TPicture picture;
  picture.Assign(Clipboard());
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TGifPicture");
  EXPECT_EQ(picture.Width(), 4);
  TBitmap back;
  back.LoadFromClipboardFormat(CF_BITMAP, Clipboard().GetData(CF_BITMAP), nullptr);
  EXPECT_EQ(back.GetPixel(1, 1), clRed);
  EXPECT_EQ(RegisterClipboardFormat("gif image"), gif::CF_GIF());  // names without regard to case
}

TEST(Dialogs, ScreenBoxesHaveGermanButtons) {
  Application().Initialize();  // the screen's dialogs
  struct Restore {
    ~Restore() { SetDialogs(nullptr); }
  } restore;
  const struct {
    unsigned buttons;
    TMsgDlgType type;
    const char* press;
    int result;
    std::string_view caption;
  } cases[] = {
      {mbYes | mbNo, mtConfirmation, "Nein", mrNo, "Bestätigen"_l1},
      {mbOK | mbCancel, mtWarning, "Abbrechen", mrCancel, "Warnung"},
      {mbOK, mtError, "OK", mrOk, "Fehler"},
  };
  for (const auto& c : cases) {
    QStringList seen;
    QString title;
    QTimer::singleShot(50, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      title = box->windowTitle();
      for (QAbstractButton* b : box->buttons()) seen << b->text().remove(QLatin1Char('&'));
      for (QAbstractButton* b : box->buttons())
        if (b->text().remove(QLatin1Char('&')) == QLatin1String(c.press)) b->click();
    });
    EXPECT_EQ(MessageDlg("Wirklich?", c.type, c.buttons), c.result) << c.press;
    EXPECT_TRUE(seen.contains(QLatin1String(c.press)));
    EXPECT_EQ(title, ToQString(c.caption));
  }
}

TEST(Dialogs, ChoosersGoThroughTheDialogService) {
  ui_test::RecordedDialogs dialogs;
  TSaveDialog save(nullptr);
  save.Title = " Speichern der Fragenliste";
  save.Filter = "Fragenlisten (*.qlt)|*.qlt";
  save.InitialDir = "/daten";
  dialogs.service.PushPath("/daten/eigene.qlt");
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "/daten/eigene.qlt");
  TOpenDialog open(nullptr);
  EXPECT_FALSE(open.Execute());  // cancelled
  EXPECT_TRUE(TPrinterSetupDialog(nullptr).Execute());
  ASSERT_EQ(dialogs.service.Calls().size(), 3u);
  const auto& call = dialogs.service.Calls()[0];
  EXPECT_EQ(call.kind + "|" + call.text + "|" + call.caption + "|" + call.initialDir,
            "SaveFileDialog| Speichern der Fragenliste|Fragenlisten (*.qlt)|*.qlt|/daten");
  EXPECT_EQ(dialogs.service.Calls()[2].kind, "PrinterSetupDialog");
}

// A file or address counts as opened only when a program will open it: the desktop names its program for the
// type or scheme, or the desktop's opener does not answer at once that it found none.
TEST(Desktop, ShellOpensOnlyWhatAProgramWillOpen) {
  // The helper knows every file as a PDF and, where asked to, names a program for PDF files and mail addresses.
  const std::string typeHelper =
      "case \"$2\" in filetype) echo 'application/pdf; charset=binary';;\n"
      "  default) [ -f \"$DIR/named\" ] && grep -qx \"$3\" \"$DIR/named\" && echo viewer.desktop;;\n"
      "esac\nexit 0";
  char pattern[] = "/tmp/pexu-solution-XXXXXX";
  const std::string folder = ::mkdtemp(pattern);
  const std::string pdf = folder + "/TA101.pdf";
  std::ofstream(pdf) << "%PDF-1.4";
  const std::vector<std::string> targets = {"mailto:pexu@example.org", "https://example.org/", pdf};
  {
    ui_test::StandInDesktop desktop("echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 3", typeHelper);
    for (const std::string& target : targets) EXPECT_EQ(ShellExecute("open", target), SE_ERR_NOASSOC) << target;
    EXPECT_FALSE(ShellOpen(targets[0]));
  }
  {
    ui_test::StandInDesktop desktop("echo \"$1\" >>\"$DIR/opened\"", typeHelper);
    for (const std::string& target : targets) EXPECT_EQ(ShellExecute("open", target), SE_OK) << target;
    EXPECT_EQ(desktop.Read("opened"), targets[0] + "\n" + targets[1] + "\n" + pdf + "\n");
  }
  {
    // An opener that waits for the program it started: with a program named, nobody waits for it.
    ui_test::StandInDesktop desktop("echo $$ >>\"$DIR/pids\"\nexec sleep 60", typeHelper);
    std::ofstream(desktop.Dir() + "/named") << "x-scheme-handler/mailto\napplication/pdf\n";
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ShellExecute("open", targets[0]), SE_OK);
    EXPECT_EQ(ShellExecute("open", pdf), SE_OK);
    EXPECT_LT(clock.elapsed(), 4000);
    std::vector<pid_t> pids;
    EXPECT_TRUE(ui_test::RunUntil([&] {
      std::istringstream in(desktop.Read("pids"));
      pids.assign(std::istream_iterator<pid_t>(in), {});
      return pids.size() == 2;
    }));
    for (pid_t pid : pids) ::kill(pid, SIGKILL);
  }
  std::filesystem::remove_all(folder);
}

TEST(Desktop, ShellHookLockKeysAndNames) {
  std::vector<std::string> opened;
  SetShellHandler([&](const std::string& target) {
    opened.push_back(target);
    return target.find("kaputt") == std::string::npos;
  });
  EXPECT_EQ(ShellExecute("open", "/nonexistent/TA101.pdf"), SE_ERR_FNF);
  EXPECT_EQ(ShellExecute("open", "https://example.org/"), SE_OK);
  EXPECT_EQ(ShellExecute("print", "https://example.org/"), SE_ERR_NOASSOC);
  EXPECT_FALSE(ShellOpen("mailto:kaputt"));
  EXPECT_TRUE(ShellOpen("/"));
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/", "mailto:kaputt", "/"}));
  SetShellHandler(nullptr);

  auto form = ui_test::ActiveForm();
  std::vector<std::string> keys;
  const THookId hook =
      AddKeyboardHook([&](uint16_t vk, bool down, bool) { keys.push_back(IntToStr(vk) + (down ? " down" : " up")); });
  const bool capsBefore = IsLockKeyOn(VK_CAPITAL);
  QTest::keyClick(ui_test::Widget(*form), Qt::Key_CapsLock);
  QTest::keyClick(ui_test::Widget(*form), Qt::Key_F4);
  EXPECT_EQ(keys, (std::vector<std::string>{"20 down", "20 up", "115 down", "115 up"}));
  // Synthetic keys light no keyboard indicator: only without a display are the toggles counted from the keys.
  const bool display = QGuiApplication::platformName() == QLatin1String("xcb");
  EXPECT_EQ(IsLockKeyOn(VK_CAPITAL) != capsBefore, !display);
  EXPECT_EQ((GetKeyState(VK_CAPITAL) & 1) != 0, IsLockKeyOn(VK_CAPITAL));
  QTest::keyClick(ui_test::Widget(*form), Qt::Key_CapsLock);
  // A lock key pressed on the X server (a fresh one, its locks off) switches the lock on and off again, and the hooks
  // hear it go down and up: the server switches a lock off only on the release.
  if (display && std::system("command -v xdotool >/dev/null") == 0) {
    for (auto [name, vk] : {std::pair{"Caps_Lock", VK_CAPITAL}, {"Num_Lock", VK_NUMLOCK}})
      for (bool on : {true, false}) {
        keys.clear();
        ASSERT_EQ(std::system((std::string("xdotool key ") + name).c_str()), 0);
        EXPECT_TRUE(ui_test::RunUntil([&] { return keys.size() == 2 && IsLockKeyOn(vk) == on; })) << name << on;
        EXPECT_EQ(keys, (std::vector<std::string>{IntToStr(vk) + " down", IntToStr(vk) + " up"}));
      }
  }
  RemoveKeyboardHook(hook);
  keys.clear();
  QTest::keyClick(ui_test::Widget(*form), Qt::Key_F5);
  EXPECT_TRUE(keys.empty());

  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(GetComputerName(), host);
  EXPECT_FALSE(GetUserName().empty());
}

}  // namespace
