// Printing of documents: TViewerPrinter, the viewer's small printer object over the layer's current printer, the
// unit printer, and TDocumentPrint, one print run of a document (its print copy laid out at the printable width,
// scaled, cut into pages, with headers, footers and tables printed by parts). TPageViewer::Print runs one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/strings.h"
#include "platform/graphics/canvas.h"
#include "platform/ui/printers.h"
#include "viewer/section_list.h"

namespace viewer {

class ThtmlTable;

// A print job on the layer's current printer (pf::Printer() when the job's context is made). Errors are
// pf::EPrinter with the texts kPrintingInProgress, kNotPrinting and kInvalidPrinter.
class TViewerPrinter {
 public:
  enum TState : uint8_t { psNoHandle, psHandleIC, psHandleDC };
  static constexpr size_t kTitleLength = 31;  // what a job's name keeps of the title

  TViewerPrinter() = default;
  // Ends a running job and lets go of the printer.
  ~TViewerPrinter();
  TViewerPrinter(const TViewerPrinter&) = delete;
  TViewerPrinter& operator=(const TViewerPrinter&) = delete;

  std::string Title;

  // Starts the job (named by the first 31 characters of Title) and its first page.
  void BeginDoc();
  void NewPage();
  // Ends the page and the job (unless aborted).
  void EndDoc();
  // Drops the job: nothing of it is printed.
  void Abort();

  // The canvas of the page (an information context before a job: it measures and answers the device capabilities).
  pf::TCanvas& GetCanvas();
  int32_t GetPageWidth();   // HORZRES
  int32_t GetPageHeight();  // VERTRES
  int32_t PageNumber() const { return pageNumber_; }
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  TState State() const { return state_; }
  // The layer's printer behind the context; nullptr without one.
  pf::TPrinter* Device() const { return device_; }

 private:
  void SetState(TState value);
  void CheckPrinting() const;
  // The canvas as a new page finds it: no clip, one unit a pixel, origins at the page's corner.
  void ResetCanvas();

  int32_t pageNumber_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
  TState state_ = psNoHandle;
  pf::TPrinter* device_ = nullptr;
};

// The unit's printer object (made on first use) and its replacement, which answers the previous one. The unit owns
// only the one it made; whoever sets another keeps owning it.
TViewerPrinter& GetViewerPrinter();
TViewerPrinter* SetViewerPrinter(TViewerPrinter* printer);
// Between pages: pending work without user input is done; false when the unit's printer was aborted.
bool PrinterAbortProc();

// The errors of a print job (Latin-1).
namespace print_texts {
using namespace pf::literals;
inline constexpr std::string_view kPrintingInProgress = "Das Drucken ist im Gang";
inline constexpr std::string_view kNotPrinting = "Der Drucker ist nicht am Drucken";
inline constexpr std::string_view kInvalidPrinter = "Ausgewählter Drucker ist ungültig"_l1;
inline constexpr std::string_view kNoRoomForBody = "Die Druckränder lassen keinen Platz für die Seite"_l1;
}  // namespace print_texts
using print_texts::kInvalidPrinter;
using print_texts::kNoRoomForBody;
using print_texts::kNotPrinting;
using print_texts::kPrintingInProgress;

// One print run of a document on the unit's printer.
class TDocumentPrint {
 public:
  // What the run needs beside the document. The margins are in centimetres; MarginTop may be changed by a header or
  // footer handler while the run goes on (it is restored afterwards).
  struct TSettings {
    double MarginLeft = 2.0, MarginRight = 2.0, MarginBottom = 2.0;
    double* MarginTop = nullptr;   // the caller's value; nullptr: 2.0
    double Scale = 1.0;            // one logical unit is one screen pixel times this
    int32_t MarginHeight = 5;      // the document's own margin at its end
    bool PrintBackground = false;  // the document's background colour and picture go under the body
    std::string Title;             // the document's title ("" keeps the printer's)
  };
  // The page events: a header or footer drawn on the canvas (w the page width, h the margin, logical units), the
  // progress after each page (0 before the first); any may stop the run after the current page.
  using TPageEvent = std::function<void(pf::TCanvas& canvas, int32_t numPage, int32_t w, int32_t h, bool& stop)>;
  using TProgressEvent = std::function<void(int32_t numPage, bool& stop)>;
  // The HTML header or footer of a page: the handler answers the document to print in the band (nullptr: none)
  // and may narrow xl..xr, the band's logical left and right (the body's edges at first); lastPage when the
  // document ends on this page. A header ends at the top margin (its top cut off when it is higher), a footer
  // starts at the body's end and is cut at the page's end.
  using TBandEvent =
      std::function<const TSectionList*(int32_t numPage, bool lastPage, int32_t& xl, int32_t& xr, bool& stop)>;
  // The height a header or footer document is laid out for.
  static constexpr int32_t kBandLayoutHeight = 300;

  TDocumentPrint(const TSectionList& document, TSettings settings);
  ~TDocumentPrint();

  TPageEvent OnPrintHeader, OnPrintFooter;
  TBandEvent OnPrintHTMLHeader, OnPrintHTMLFooter;
  TProgressEvent OnPrintProgress;
  // A job that already runs on this printer goes on with a new page (the run neither begins nor ends it); nullptr:
  // the run makes its own printer object, makes it the unit's printer for its time, and ends or aborts the job.
  TViewerPrinter* Printer = nullptr;

  // Prints pages fromPage..toPage (numbered from 1); the pages before fromPage are laid out but not printed. A job
  // that printed no page is aborted (no paper, no file). Answers the number of the last page laid out.
  int32_t Print(int32_t fromPage, int32_t toPage);

  // After Print: the pages that reached the paper.
  int32_t PagesPrinted() const { return pagesPrinted_; }

 private:
  struct TGeometry;
  struct TPageState;
  void SetUpGeometry(pf::TCanvas& canvas);
  void ApplyMapping(pf::TCanvas& canvas) const;
  bool PrintPage(pf::TCanvas& canvas, TPageState& page);
  void PaintBody(pf::TCanvas& canvas, TPageState& page);
  // The document's background under rect (logical units): its colour, and its picture placed and repeated as the
  // screen does with the document's left edge at x.
  void PaintDocumentBackground(pf::TCanvas& canvas, const pf::TRect& rect, int32_t x) const;
  void PaintBand(pf::TCanvas& canvas, ThtmlTable& table, int firstRow, int endRow, int32_t x, int32_t canvasTop);
  bool PaintHeadersAndFooters(pf::TCanvas& canvas, const TPageState& page);
  void PrintHtmlBand(pf::TCanvas& canvas, const TBandEvent& event, const TPageState& page, bool header, bool& stop);
  void FollowTopMarginChange(double oldMarginTop);
  double MarginTop() const;

  const TSectionList& source_;
  TSettings settings_;
  std::unique_ptr<TSectionList> copy_;
  std::unique_ptr<TGeometry> geometry_;
  int32_t docHeight_ = 0;
  int32_t pagesPrinted_ = 0;
};

}  // namespace viewer
