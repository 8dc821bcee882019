// TViewerPrinter over the layer's printer, and the unit printer.
#include "platform/core/services.h"
#include "viewer/printing.h"

namespace viewer {

TViewerPrinter::~TViewerPrinter() {
  if (printing_) {
    try {
      EndDoc();
    } catch (...) {
      // The job ends either way; nobody is left to hear of it.
    }
  }
  state_ = psNoHandle;
  device_ = nullptr;
}

void TViewerPrinter::CheckPrinting() const {
  if (!printing_) throw pf::EPrinter(std::string(kNotPrinting));
}

// The context stands for the layer's current printer at the time it is made; a device context is the job itself.
void TViewerPrinter::SetState(TState value) {
  if (value == state_) return;
  switch (value) {
    case psNoHandle:
      if (printing_) throw pf::EPrinter(std::string(kPrintingInProgress));
      device_ = nullptr;
      break;
    case psHandleIC:
      if (state_ == psHandleDC) return;
      device_ = &pf::Printer();
      break;
    case psHandleDC:
      device_ = &pf::Printer();
      break;
  }
  state_ = value;
}

void TViewerPrinter::ResetCanvas() {
  pf::TCanvas& canvas = device_->Canvas();
  canvas.SelectClipRgn(nullptr);
  canvas.SetMapMode(pf::MM_TEXT);
  canvas.SetWindowOrgEx(0, 0);
  canvas.SetViewportOrgEx(0, 0);
}

void TViewerPrinter::BeginDoc() {
  if (printing_) throw pf::EPrinter(std::string(kPrintingInProgress));
  SetState(psHandleDC);
  if (device_->Printing()) throw pf::EPrinter(std::string(kPrintingInProgress));
  device_->Title = Title.substr(0, std::min(Title.size(), kTitleLength));
  try {
    device_->BeginDoc();
  } catch (const pf::EPrinter&) {
    SetState(psNoHandle);
    throw pf::EPrinter(std::string(kInvalidPrinter));
  }
  ResetCanvas();
  printing_ = true;
  aborted_ = false;
  pageNumber_ = 1;
}

void TViewerPrinter::NewPage() {
  CheckPrinting();
  device_->NewPage();
  ++pageNumber_;
  ResetCanvas();
}

void TViewerPrinter::EndDoc() {
  CheckPrinting();
  const bool aborted = aborted_;
  printing_ = false;
  aborted_ = false;
  pageNumber_ = 0;
  if (!aborted && device_->Printing()) device_->EndDoc();
}

void TViewerPrinter::Abort() {
  CheckPrinting();
  if (device_->Printing()) device_->Abort();
  aborted_ = true;
  EndDoc();
}

pf::TCanvas& TViewerPrinter::GetCanvas() {
  SetState(psHandleIC);
  return device_->Canvas();
}

int32_t TViewerPrinter::GetPageWidth() { return GetCanvas().GetDeviceCaps(pf::HORZRES); }
int32_t TViewerPrinter::GetPageHeight() { return GetCanvas().GetDeviceCaps(pf::VERTRES); }

// ---- the unit printer ----

namespace {
std::unique_ptr<TViewerPrinter> ownPrinter;
TViewerPrinter* currentPrinter = nullptr;
}  // namespace

TViewerPrinter& GetViewerPrinter() {
  if (!currentPrinter) {
    if (!ownPrinter) ownPrinter = std::make_unique<TViewerPrinter>();
    currentPrinter = ownPrinter.get();
  }
  return *currentPrinter;
}

TViewerPrinter* SetViewerPrinter(TViewerPrinter* printer) {
  TViewerPrinter* previous = currentPrinter;
  currentPrinter = printer;
  return previous;
}

bool PrinterAbortProc() {
  pf::ProcessMessages();
  return !GetViewerPrinter().Aborted();
}

}  // namespace viewer
