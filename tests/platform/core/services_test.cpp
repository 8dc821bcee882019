#include "platform/core/services.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/core/exceptions.h"

namespace {

TEST(Services, RecordingDialogsAnswerTheirDefaultButton) {
  pf::RecordingDialogService d;
  EXPECT_EQ(d.MessageDlg("a", pf::mtWarning, pf::mbOK), pf::mrOk);
  EXPECT_EQ(d.MessageDlg("b", pf::mtWarning, pf::mbOK | pf::mbCancel), pf::mrOk);
  EXPECT_EQ(d.MessageDlg("c", pf::mtConfirmation, pf::mbYes | pf::mbNo | pf::mbCancel), pf::mrYes);
  EXPECT_EQ(d.MessageDlg("d", pf::mtConfirmation, pf::mbOK | pf::mbYesToAll | pf::mbYes), pf::mrYes);
  EXPECT_EQ(d.MessageDlg("e", pf::mtError, pf::mbAbort | pf::mbRetry | pf::mbIgnore), pf::mrAbort);
  EXPECT_EQ(d.MessageDlg("f", pf::mtError, pf::mbRetry | pf::mbCancel), pf::mrCancel);  // Cancel comes first
  EXPECT_EQ(d.MessageDlg("g", pf::mtError, 0), pf::mrNone);

  EXPECT_EQ(d.MessageBox("h", "Cap", pf::MB_OK | pf::MB_ICONERROR), pf::mrOk);
  EXPECT_EQ(d.MessageBox("i", "Cap", pf::MB_OKCANCEL), pf::mrOk);
  EXPECT_EQ(d.MessageBox("j", "Cap", pf::MB_YESNOCANCEL | pf::MB_ICONQUESTION), pf::mrYes);
  EXPECT_EQ(d.MessageBox("k", "Cap", pf::MB_ABORTRETRYIGNORE), pf::mrAbort);
  EXPECT_EQ(d.MessageBox("l", "Cap", pf::MB_RETRYCANCEL), pf::mrRetry);
  EXPECT_EQ(d.MessageBox("m", "Cap", pf::MB_YESNO | pf::MB_DEFBUTTON2), pf::mrNo);

  EXPECT_EQ(d.OpenFileDialog("Open", "Lists|*.qlt", "/data"), std::nullopt);
  EXPECT_EQ(d.SelectDirectory("Folder", "/home"), std::nullopt);

  ASSERT_EQ(d.Calls().size(), 15u);
  const auto& box = d.Calls()[7];
  EXPECT_EQ(box.kind, "MessageBox");
  EXPECT_EQ(box.text, "h");
  EXPECT_EQ(box.caption, "Cap");
  EXPECT_EQ(box.buttons, pf::MB_OK | pf::MB_ICONERROR);
  EXPECT_EQ(d.Calls()[2].type, pf::mtConfirmation);
  const auto& open = d.Calls()[13];
  EXPECT_EQ(open.kind + "|" + open.text + "|" + open.caption + "|" + open.initialDir,
            "OpenFileDialog|Open|Lists|*.qlt|/data");
  EXPECT_EQ(d.Calls()[14].kind + "|" + d.Calls()[14].initialDir, "SelectDirectory|/home");
  d.ClearCalls();
  EXPECT_TRUE(d.Calls().empty());
}

TEST(Services, ScriptedAnswersAndPathsComeInOrder) {
  pf::RecordingDialogService d;
  d.PushAnswer(pf::mrCancel);
  d.PushAnswer(pf::mrNo);
  d.PushPath("/tmp/a.qlt");
  d.PushPath(std::nullopt);
  d.PushPath("/tmp/dir");
  EXPECT_EQ(d.MessageDlg("x", pf::mtWarning, pf::mbOK | pf::mbCancel), pf::mrCancel);
  EXPECT_EQ(d.MessageBox("y", "", pf::MB_YESNO), pf::mrNo);
  EXPECT_EQ(d.MessageDlg("z", pf::mtWarning, pf::mbOK | pf::mbCancel), pf::mrOk);  // script used up
  EXPECT_EQ(d.OpenFileDialog("", "", ""), "/tmp/a.qlt");
  EXPECT_EQ(d.OpenFileDialog("", "", ""), std::nullopt);  // a scripted cancel
  EXPECT_EQ(d.SelectDirectory("", ""), "/tmp/dir");
  EXPECT_EQ(d.SelectDirectory("", ""), std::nullopt);
}

struct CountingCursor : pf::ICursorService {
  int depth = 0, maxDepth = 0;
  void PushBusy() override { maxDepth = std::max(maxDepth, ++depth); }
  void PopBusy() override { --depth; }
};

TEST(Services, BusyCursorNestsOnTheInstalledService) {
  CountingCursor cursor;
  pf::SetCursor(&cursor);
  {
    pf::BusyCursor outer;
    pf::BusyCursor inner;
  }
  pf::SetCursor(nullptr);
  EXPECT_EQ(cursor.maxDepth, 2);
  EXPECT_EQ(cursor.depth, 0);
  pf::BusyCursor headless;  // the default does nothing
  pf::ProcessMessages();
}

TEST(Services, HandleExceptionShowsTheMessageExceptForAbort) {
  pf::RecordingDialogService dialogs;
  pf::SetDialogs(&dialogs);
  pf::HandleException(pf::EFOpenError("Cannot open file \"x\""));
  pf::HandleException(std::runtime_error("plain failure"));
  try {
    pf::Abort();
  } catch (const std::exception& e) {
    pf::HandleException(e);
  }
  pf::SetDialogs(nullptr);
  ASSERT_EQ(dialogs.Calls().size(), 2u);
  EXPECT_EQ(dialogs.Calls()[0].text, "Cannot open file \"x\"");
  EXPECT_EQ(dialogs.Calls()[0].type, pf::mtError);
  EXPECT_EQ(dialogs.Calls()[0].buttons, pf::mbOK);
  EXPECT_EQ(dialogs.Calls()[1].text, "plain failure");

  // A dialog that fails itself does not let the exception escape the handler.
  struct Broken : pf::RecordingDialogService {
    int MessageDlg(std::string_view, pf::TMsgDlgType, unsigned) override { throw std::runtime_error("no display"); }
  } broken;
  pf::SetDialogs(&broken);
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(pf::HandleException(pf::EConvertError("lost?")));
  std::string err = testing::internal::GetCapturedStderr();
  pf::SetDialogs(nullptr);
  EXPECT_NE(err.find("lost?"), std::string::npos);
}

}  // namespace
