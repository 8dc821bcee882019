// Printing: TPrinter, the current printer (Printer()) and its back ends.
//   - pbSystem: the desktop's print queues (Printers, PrinterIndex; -1 is the default queue).
//   - pbPdfFile: a PDF file (OutputFileName), written beside the target and renamed into place by EndDoc; an
//     aborted job leaves no file.
//   - pbRecording: nothing leaves the program; each page keeps its drawing (RecordedCalls) and can be rendered
//     (GetRecordedRaster), and RecordedLog tells what happened to the jobs. For tests.
// A new printer takes its back end from the environment variable PEXU_PRINTER ("pdf:FILE", "recording" or
// "system[:QUEUE]"), else the system's queues. The page is A4 in the printer's Orientation; the PDF and recording
// back ends print at Resolution dots per inch, with an optional unprintable border around the page that the
// canvas's device capabilities report as the system's printers do (PHYSICALOFFSETX/Y).
// The canvas answers GetDeviceCaps for the page (HORZRES/VERTRES: the printable area, LOGPIXELSX/Y: the resolution,
// PHYSICALWIDTH/HEIGHT: the paper, TECHNOLOGY: DT_RASPRINTER, 24 bits); before BeginDoc it only measures, and what
// is drawn on it then goes nowhere. Its mapping and font stay from page to page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/classes.h"
#include "platform/core/exceptions.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace pf {

// The framework's printer errors: "Printing in progress", "Printer is not currently printing", "Printer selected is
// not valid", "There is no default printer currently selected".
PF_DECLARE_EXCEPTION(EPrinter, Exception)

enum TPrinterOrientation { poPortrait, poLandscape };
enum TPrinterBackend { pbSystem, pbPdfFile, pbRecording };

class TPrinter {
 public:
  TPrinter();
  // A running job is aborted.
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // ---- Settings. Changing one while a job runs raises EPrinter "Printing in progress".
  // The system's print queues (read once).
  const TStrings& Printers();
  int PrinterIndex() const { return printerIndex_; }
  // -1 selects the default queue; another index outside Printers raises EPrinter "Printer selected is not valid".
  void SetPrinterIndex(int value);
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation value);
  int Copies() const { return copies_; }
  void SetCopies(int value);  // at least 1
  TPrinterBackend Backend() const { return backend_; }
  void SetBackend(TPrinterBackend value);
  const std::string& OutputFileName() const { return outputFileName_; }
  void SetOutputFileName(const std::string& value);
  int Resolution() const { return resolution_; }
  void SetResolution(int dotsPerInch);  // 72 to 2400
  int UnprintableBorderMM() const { return borderMM_; }
  void SetUnprintableBorderMM(int millimetres);  // 0 to 50

  // The job's name (the first 31 characters reach the queue or the PDF's title).
  std::string Title;

  // ---- Jobs.
  // Starts a job and its first page: EPrinter "Printing in progress" during a job, "Printer selected is not valid"
  // when the back end cannot start (no queue, a PDF file that cannot be made), "There is no default printer
  // currently selected" for the system back end without any queue.
  void BeginDoc();
  // Ends the page and starts the next; EPrinter "Printer is not currently printing" without a job.
  void NewPage();
  // Ends the job (the PDF file is then in place); EPrinter "Printer is not currently printing" without a job.
  void EndDoc();
  // Drops the job (nothing is printed, no file is left); EPrinter "Printer is not currently printing" without one.
  void Abort();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  // 1 on the first page of a job, 0 outside one.
  int PageNumber() const { return pageNumber_; }
  // The printable area in device pixels.
  int32_t PageWidth() const;
  int32_t PageHeight() const;
  TCanvas& Canvas();

  // ---- What the recording back end kept: one line per job event ("BeginDoc <title>", "NewPage", "EndDoc",
  // "Abort"), the pages of the last job that was not aborted, each page's drawing as lines ("text X,Y <text>",
  // "rect", "line", "polygon", "path", "ellipse", "points", "image", with device co-ordinates), and its raster.
  const std::vector<std::string>& RecordedLog() const { return log_; }
  int RecordedPageCount() const;
  std::vector<std::string> RecordedCalls(int page) const;
  // The page as a 24-bit bitmap of the paper's size, white where nothing was drawn.
  void GetRecordedRaster(int page, TBitmap& bitmap) const;

  // For the implementation: the running job, and the page geometry in device pixels (the printable area's size,
  // the paper's size, the printable area's offset on the paper, dots per inch).
  struct Job;
  Job* ActiveJob() const { return job_.get(); }
  struct Geometry {
    int32_t width = 0, height = 0, paperWidth = 0, paperHeight = 0, offsetX = 0, offsetY = 0, dpi = 0;
  };
  const Geometry& PageGeometry() const;

 private:
  void CheckNotPrinting() const;
  void CheckPrinting() const;
  std::string QueueName() const;

  TStringList printers_;
  bool printersRead_ = false;
  int printerIndex_ = -1;
  TPrinterOrientation orientation_ = poPortrait;
  int copies_ = 1;
  TPrinterBackend backend_ = pbSystem;
  std::string outputFileName_;
  int resolution_ = 600;
  int borderMM_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
  int pageNumber_ = 0;
  mutable Geometry geometry_;
  mutable bool geometryValid_ = false;
  std::unique_ptr<TCanvas> canvas_;
  std::unique_ptr<Job> job_;
  std::vector<std::string> log_;
  struct Recorded;
  std::shared_ptr<Recorded> recorded_;
};

// The current printer (made on first use); SetPrinter puts another in its place and answers the previous one
// (nullptr: the own one again). The caller owns the printers it sets.
TPrinter& Printer();
TPrinter* SetPrinter(TPrinter* printer);

}  // namespace pf
