// The dialog components and the screen's dialog service: message boxes with German buttons and the toolkit's file
// choosers.
#include "platform/ui/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <map>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/ui/forms.h"
#include "platform/ui/host_qt.h"

namespace pf {

using namespace pf::literals;

namespace {

struct ButtonSpec {
  unsigned button;
  int result;
  std::string_view text;
  QMessageBox::ButtonRole role;
};
// In the order the classic boxes show them.
const ButtonSpec kButtons[] = {
    {mbYes, mrYes, "&Ja", QMessageBox::YesRole},
    {mbNo, mrNo, "&Nein", QMessageBox::NoRole},
    {mbOK, mrOk, "OK", QMessageBox::AcceptRole},
    {mbCancel, mrCancel, "Abbrechen", QMessageBox::RejectRole},
    {mbAbort, mrAbort, "&Abbrechen", QMessageBox::RejectRole},
    {mbRetry, mrRetry, "&Wiederholen", QMessageBox::AcceptRole},
    {mbIgnore, mrIgnore, "&Ignorieren", QMessageBox::AcceptRole},
    {mbAll, mrAll, "&Alle", QMessageBox::YesRole},
    {mbNoToAll, mrNoToAll, "N&ein für alle"_l1, QMessageBox::NoRole},
    {mbYesToAll, mrYesToAll, "Ja für &alle"_l1, QMessageBox::YesRole},
};

QWidget* ActiveWindow() {
  TCustomForm* form = Screen().ActiveForm();
  return form != nullptr && form->Visible() ? form->Host()->outer : nullptr;
}

// Shows a box; answers the result of the button pressed (Escape: the escape button's, mrCancel without one).
int ShowBox(std::string_view text, std::string_view caption, QMessageBox::Icon icon, unsigned buttons,
            int defaultResult) {
  EnsureUi();
  QMessageBox box(icon, ToQString(caption), ToQString(text), QMessageBox::NoButton, ActiveWindow());
  std::map<QAbstractButton*, int> results;
  QPushButton* escape = nullptr;
  int escapeRank = 0;
  for (const ButtonSpec& spec : kButtons) {
    if ((buttons & spec.button) == 0) continue;
    QPushButton* button = box.addButton(ToQString(spec.text), spec.role);
    results[button] = spec.result;
    if (spec.result == defaultResult) box.setDefaultButton(button);
    // Escape means Cancel, else No, else OK when it is the only choice.
    const int rank = spec.result == mrCancel ? 3 : spec.result == mrNo ? 2 : spec.result == mrOk ? 1 : 0;
    if (rank > escapeRank) escape = button, escapeRank = rank;
  }
  if (escape != nullptr) box.setEscapeButton(escape);
  box.exec();
  auto it = results.find(box.clickedButton());
  return it != results.end() ? it->second : mrCancel;
}

std::string_view DlgCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Warnung";
    case mtError:
      return "Fehler";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Bestätigen"_l1;
    default:
      return {};
  }
}

QMessageBox::Icon DlgIcon(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return QMessageBox::Warning;
    case mtError:
      return QMessageBox::Critical;
    case mtInformation:
      return QMessageBox::Information;
    case mtConfirmation:
      return QMessageBox::Question;
    default:
      return QMessageBox::NoIcon;
  }
}

// "desc|*.a;*.b|..." as the toolkit's filters "desc (*.a *.b)". A description that shows its patterns already
// ("Fragenlisten (*.qlt)", as the classic dialogs want it) gets them only once.
QStringList NameFilters(const std::string& filter) {
  QStringList result;
  std::vector<std::string> parts(1);
  for (char c : filter)
    if (c == '|')
      parts.emplace_back();
    else
      parts.back() += c;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = ToQString(parts[i + 1]);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString description = ToQString(parts[i]).trimmed();
    const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
    QString withBlanks = description;  // the patterns it shows, separated as the toolkit reads them
    withBlanks.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << (withBlanks.endsWith(shown) ? withBlanks : description + QLatin1Char(' ') + shown);
  }
  return result;
}

// File names are the file system's bytes; the toolkit's strings are decoded the file system's way.
QString FromFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }
std::string ToFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

class ScreenDialogs : public IDialogService {
 public:
  int MessageDlg(std::string_view text, TMsgDlgType type, unsigned buttons) override {
    const int defaultResult = (buttons & mbOK) != 0 ? mrOk : (buttons & mbYes) != 0 ? mrYes : mrNone;
    const std::string caption = type == mtCustom ? Application().Title() : std::string(DlgCaption(type));
    return ShowBox(text, caption, DlgIcon(type), buttons, defaultResult);
  }

  int MessageBox(std::string_view text, std::string_view caption, unsigned flags) override {
    static constexpr struct {
      unsigned buttons;
      int first, second;
    } kSets[] = {{mbOK, mrOk, mrOk},
                 {mbOK | mbCancel, mrOk, mrCancel},
                 {mbAbort | mbRetry | mbIgnore, mrAbort, mrRetry},
                 {mbYes | mbNo | mbCancel, mrYes, mrNo},
                 {mbYes | mbNo, mrYes, mrNo},
                 {mbRetry | mbCancel, mrRetry, mrCancel}};
    const auto& set = kSets[(flags & 0x0F) < 6 ? (flags & 0x0F) : 0];
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
      case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
      case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
      case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
      case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
      default:
        break;
    }
    return ShowBox(text, caption, icon, set.buttons, (flags & 0xF00) == MB_DEFBUTTON2 ? set.second : set.first);
  }

  std::optional<std::string> OpenFileDialog(std::string_view title, std::string_view filter,
                                            std::string_view initialDir) override {
    TFileDialogRequest request;
    request.Title = title;
    request.Filter = filter;
    request.InitialDir = initialDir;
    std::optional<TFileDialogResult> result = FileDialog(request);
    if (!result) return std::nullopt;
    return result->FileName;
  }

  std::optional<std::string> SelectDirectory(std::string_view caption, std::string_view initialDir) override {
    EnsureUi();
    const QString dir =
        QFileDialog::getExistingDirectory(ActiveWindow(), ToQString(caption), FromFileName(std::string(initialDir)),
                                          QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dir.isEmpty()) return std::nullopt;
    return ToFileName(dir);
  }

  std::optional<TFileDialogResult> FileDialog(const TFileDialogRequest& request) override {
    EnsureUi();
    QFileDialog dialog(ActiveWindow(), ToQString(request.Title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save || !request.FileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(request.Filter);
    if (!filters.isEmpty()) {
      dialog.setNameFilters(filters);
      dialog.selectNameFilter(filters.value(std::clamp(request.FilterIndex, 1, int(filters.size())) - 1));
    }
    const std::string folder = ExtractFileDir(request.FileName);
    const std::string dir = !folder.empty() ? folder : request.InitialDir;
    if (!dir.empty()) dialog.setDirectory(FromFileName(dir));
    if (!request.FileName.empty()) dialog.selectFile(FromFileName(ExtractFileName(request.FileName)));
    if (!request.DefaultExt.empty()) dialog.setDefaultSuffix(ToQString(request.DefaultExt));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return TFileDialogResult{ToFileName(dialog.selectedFiles().first()), index >= 0 ? index + 1 : request.FilterIndex};
  }

  bool PrinterSetupDialog() override { return ShowPrinterSetup(ActiveWindow()); }
};

}  // namespace

void InstallDialogService() {
  static ScreenDialogs service;
  SetDialogs(&service);
}

void ShowMessage(const std::string& text) { Dialogs().MessageBox(text, Application().Title(), MB_OK); }

std::vector<std::string> ModalDialogTexts() {
  const QWidget* dialog = QApplication::activeModalWidget();
  if (dialog == nullptr) return {};
  std::vector<std::string> texts{FromQString(dialog->windowTitle())};
  auto add = [&texts](const QString& text) {
    if (!text.isEmpty()) texts.push_back(FromQString(text));
  };
  for (const QWidget* child : dialog->findChildren<QWidget*>()) {
    if (!child->isVisible()) continue;
    if (const auto* label = qobject_cast<const QLabel*>(child)) add(label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(child)) add(button->text());
    if (const auto* list = qobject_cast<const QComboBox*>(child))
      for (int i = 0; i < list->count(); ++i) add(list->itemText(i));
  }
  return texts;
}

bool TOpenDialog::Run(bool save) {
  TFileDialogRequest request;
  request.Save = save;
  request.Title = Title;
  request.Filter = Filter;
  request.FilterIndex = FilterIndex;
  request.InitialDir = InitialDir;
  request.FileName = FileName;
  request.DefaultExt = DefaultExt;
  request.OverwritePrompt = (Options & ofOverwritePrompt) != 0;
  request.FileMustExist = (Options & ofFileMustExist) != 0;
  std::optional<TFileDialogResult> result = Dialogs().FileDialog(request);
  if (!result) return false;
  FileName = result->FileName;
  FilterIndex = result->FilterIndex;
  return true;
}

bool TOpenDialog::Execute() { return Run(false); }

bool TSaveDialog::Execute() { return Run(true); }

bool TPrinterSetupDialog::Execute() { return Dialogs().PrinterSetupDialog(); }

}  // namespace pf
