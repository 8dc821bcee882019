#include "platform/core/services.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/core/exceptions.h"

namespace {

TEST(Services, RecordingDialogsAnswerTheDefaultButtonOrTheScript) {
  pf::RecordingDialogService d;
  EXPECT_EQ(d.MessageDlg("a", pf::mtWarning, pf::mbOK | pf::mbCancel), pf::mrOk);
  EXPECT_EQ(d.MessageDlg("b", pf::mtConfirmation, pf::mbOK | pf::mbYesToAll | pf::mbYes), pf::mrYes);
  EXPECT_EQ(d.MessageDlg("c", pf::mtError, pf::mbRetry | pf::mbCancel), pf::mrCancel);  // Cancel comes first
  EXPECT_EQ(d.MessageBox("d", "Cap", pf::MB_YESNOCANCEL | pf::MB_ICONQUESTION), pf::mrYes);
  EXPECT_EQ(d.MessageBox("e", "Cap", pf::MB_YESNO | pf::MB_DEFBUTTON2), pf::mrNo);
  EXPECT_EQ(d.OpenFileDialog("Open", "Lists|*.qlt", "/data"), std::nullopt);

  ASSERT_EQ(d.Calls().size(), 6u);
  const auto& box = d.Calls()[3];
  EXPECT_EQ(box.kind + "|" + box.text + "|" + box.caption, "MessageBox|d|Cap");
  const auto& open = d.Calls()[5];
  EXPECT_EQ(open.kind + "|" + open.text + "|" + open.caption + "|" + open.initialDir,
            "OpenFileDialog|Open|Lists|*.qlt|/data");

  d.PushAnswer(pf::mrCancel);
  d.PushPath("/tmp/a.qlt");
  d.PushPath(std::nullopt);
  EXPECT_EQ(d.MessageBox("y", "", pf::MB_OKCANCEL), pf::mrCancel);
  EXPECT_EQ(d.MessageDlg("z", pf::mtWarning, pf::mbOK | pf::mbCancel), pf::mrOk);  // script used up
  EXPECT_EQ(d.OpenFileDialog("", "", ""), "/tmp/a.qlt");
  EXPECT_EQ(d.SelectDirectory("", ""), std::nullopt);  // a scripted cancel
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
  ASSERT_EQ(dialogs.Calls().size(), 2u);  // nothing for the abort
  EXPECT_EQ(dialogs.Calls()[0].text + "|" + dialogs.Calls()[1].text, "Cannot open file \"x\"|plain failure");
  EXPECT_EQ(dialogs.Calls()[0].type, pf::mtError);

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
