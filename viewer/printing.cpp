// One print run of a document: the print copy laid out at the body's width on the printer canvas, scaled so that a
// logical unit is a screen pixel times the print scale, cut into pages that the copy's painting ends, with the
// header and footer events and tables printed by parts.
#include "viewer/printing.h"

#include <algorithm>
#include <cmath>

#include "platform/core/mathutil.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/fonts.h"
#include "viewer/borders.h"
#include "viewer/page_viewer.h"
#include "viewer/table_structure.h"

namespace viewer {

namespace {

constexpr double kCentimetresPerInch = 2.54;
constexpr double kMaxMarginCm = 100.0;
// Pages before the first printed one are drawn this many body widths to the right, off the paper.
constexpr int32_t kOffPaperShift = 3;

// A margin in device pixels less the printer's unprintable border on that side, never below 0.
int32_t MarginPixels(double cm, int32_t dpi, int32_t unprintable) {
  const double clamped = std::isfinite(cm) ? std::clamp(cm, 0.0, kMaxMarginCm) : 0.0;
  return std::max(0, static_cast<int32_t>(clamped / kCentimetresPerInch * dpi) - unprintable);
}

// The canvas's font, pen and brush as they were before the run; put back after every page.
struct TCanvasObjects {
  explicit TCanvasObjects(pf::TCanvas& canvas) {
    font.Assign(canvas.Font());
    pen.Assign(canvas.Pen());
    brush.Assign(canvas.Brush());
  }
  void RestoreTo(pf::TCanvas& canvas) const {
    canvas.Font().Assign(font);
    canvas.Pen().Assign(pen);
    canvas.Brush().Assign(brush);
  }
  pf::TFont font;
  pf::TPen pen;
  pf::TBrush brush;
};

}  // namespace

struct TDocumentPrint::TGeometry {
  int32_t px = 0, py = 0;  // printer pixels per inch
  int32_t logical = 0;     // logical units per inch
  int32_t unprintableTop = 0;
  double marginTop = 0;  // the top margin (cm) the rest was computed for
  // Device pixels of the printable area.
  int32_t leftDev = 0, topDev = 0, bodyWidthDev = 0, bodyHeightDev = 0;
  // Logical units.
  int32_t left = 0, top = 0, bodyWidth = 0, bodyHeight = 0, pageWidth = 0, pageHeight = 0;
  pf::HRGN bodyClip;

  void ToLogical() {
    left = pf::MulDiv(leftDev, logical, px);
    top = pf::MulDiv(topDev, logical, py);
    bodyWidth = pf::MulDiv(bodyWidthDev, logical, px);
    bodyHeight = pf::MulDiv(bodyHeightDev, logical, py);
    bodyClip = pf::CreateRectRgn(leftDev, topDev - 1, leftDev + bodyWidthDev + 2, topDev + bodyHeightDev + 2);
  }
};

struct TDocumentPrint::TPageState {
  int32_t number = 1;      // the page's number, counted from the document's first page
  int32_t y = 0;           // the document y where the page starts
  bool onPaper = false;    // the page is printed (not before the first page asked for)
  int32_t x = 0;           // the logical x the body is drawn at
  int32_t headHeight = 0;  // the head rows of a table printed by parts, repeated at the page's top
  int32_t end = 0;         // the document y where the page ends
  bool last = false;       // the document ends on this page
};

TDocumentPrint::TDocumentPrint(const TSectionList& document, TSettings settings)
    : source_(document), settings_(std::move(settings)) {}

TDocumentPrint::~TDocumentPrint() = default;

double TDocumentPrint::MarginTop() const { return settings_.MarginTop ? *settings_.MarginTop : 2.0; }

void TDocumentPrint::SetUpGeometry(pf::TCanvas& canvas) {
  auto g = std::make_unique<TGeometry>();
  g->px = std::max(1, canvas.GetDeviceCaps(pf::LOGPIXELSX));
  g->py = std::max(1, canvas.GetDeviceCaps(pf::LOGPIXELSY));
  const double scale = std::isfinite(settings_.Scale) && settings_.Scale > 0 ? settings_.Scale : 1.0;
  // A logical unit is a screen pixel enlarged by the scale: at scale 2 text prints twice as large and the body
  // holds half as much (an inch has half as many logical units).
  g->logical = std::max(1, static_cast<int32_t>(std::lround(pf::kPixelsPerInch / scale)));
  const int32_t width = canvas.GetDeviceCaps(pf::HORZRES), height = canvas.GetDeviceCaps(pf::VERTRES);
  const int32_t offsetX = canvas.GetDeviceCaps(pf::PHYSICALOFFSETX),
                offsetY = canvas.GetDeviceCaps(pf::PHYSICALOFFSETY);
  const int32_t unprintableRight = std::max(0, canvas.GetDeviceCaps(pf::PHYSICALWIDTH) - width - offsetX);
  const int32_t unprintableBottom = std::max(0, canvas.GetDeviceCaps(pf::PHYSICALHEIGHT) - height - offsetY);
  g->unprintableTop = offsetY;
  g->marginTop = MarginTop();
  g->leftDev = MarginPixels(settings_.MarginLeft, g->px, offsetX);
  g->topDev = MarginPixels(g->marginTop, g->py, offsetY);
  g->bodyWidthDev = width - g->leftDev - MarginPixels(settings_.MarginRight, g->px, unprintableRight);
  g->bodyHeightDev = height - g->topDev - MarginPixels(settings_.MarginBottom, g->py, unprintableBottom);
  g->ToLogical();
  g->pageWidth = pf::MulDiv(width, g->logical, g->px);
  g->pageHeight = pf::MulDiv(height, g->logical, g->py);
  if (g->bodyWidth < 1 || g->bodyHeight < 1) throw pf::EPrinter(std::string(kNoRoomForBody));
  geometry_ = std::move(g);
}

void TDocumentPrint::ApplyMapping(pf::TCanvas& canvas) const {
  canvas.SetMapMode(pf::MM_ANISOTROPIC);
  canvas.SetWindowExtEx(geometry_->logical, geometry_->logical);
  canvas.SetViewportExtEx(geometry_->px, geometry_->py);
  canvas.SetWindowOrgEx(0, 0);
}

// A handler moved the top margin: the body starts there and keeps its bottom; a change that would leave no body
// is not followed.
void TDocumentPrint::FollowTopMarginChange(double oldMarginTop) {
  TGeometry& g = *geometry_;
  const int32_t topDev = MarginPixels(MarginTop(), g.py, g.unprintableTop);
  const int32_t difference = topDev - g.topDev;
  if (g.bodyHeightDev - difference < 1) return;
  g.marginTop = MarginTop();
  g.topDev = topDev;
  g.bodyHeightDev -= difference;
  g.ToLogical();
  if (g.bodyHeight < 1) {
    g.topDev -= difference;
    g.bodyHeightDev += difference;
    g.marginTop = oldMarginTop;
    g.ToLogical();
  }
}

int32_t TDocumentPrint::Print(int32_t fromPage, int32_t toPage) {
  pagesPrinted_ = 0;
  bool stop = false;
  if (OnPrintProgress) OnPrintProgress(0, stop);
  if (source_.Count() == 0) return 0;
  copy_ = std::make_unique<TSectionList>(source_);
  copy_->SetYOffset(0);
  copy_->Printing = true;
  copy_->Background = pf::clWhite;
  const double savedMarginTop = MarginTop();
  std::unique_ptr<TViewerPrinter> own;
  TViewerPrinter* printer = Printer;
  TViewerPrinter* previous = nullptr;
  if (!printer) {
    own = std::make_unique<TViewerPrinter>();
    printer = own.get();
    previous = SetViewerPrinter(printer);
  }
  pf::TCanvas& canvas = printer->GetCanvas();
  const TCanvasObjects saved(canvas);
  // Whatever happens, the unit's printer, the top margin and the canvas objects are as they were afterwards, and a
  // job of the run's own that did not end is dropped.
  struct TRestore {
    TDocumentPrint& run;
    TViewerPrinter* own;
    TViewerPrinter* previous;
    const TCanvasObjects& saved;
    pf::TCanvas& canvas;
    double marginTop;
    ~TRestore() {
      if (own) {
        if (own->Printing()) {
          try {
            own->Abort();
          } catch (...) {
            // Dropping the job is all that is left to do.
          }
        }
        SetViewerPrinter(previous);
      }
      if (run.settings_.MarginTop) *run.settings_.MarginTop = marginTop;
      canvas.SelectClipRgn(nullptr);
      canvas.SetMapMode(pf::MM_TEXT);
      saved.RestoreTo(canvas);
      run.copy_.reset();
    }
  } restore{*this, own.get(), previous, saved, canvas, savedMarginTop};

  SetUpGeometry(canvas);
  if (!settings_.Title.empty()) printer->Title = settings_.Title;
  if (printer->Printing())
    printer->NewPage();
  else
    printer->BeginDoc();
  ApplyMapping(canvas);
  // Pictures drawn through the GDI+ layer are placed in device pixels, whatever the canvas's mapping: the copy's
  // scale turns its logical units into the printer's pixels.
  copy_->ScaleX = static_cast<float>(geometry_->px) / static_cast<float>(geometry_->logical);
  copy_->ScaleY = static_cast<float>(geometry_->py) / static_cast<float>(geometry_->logical);
  int32_t maxWidth = 0;
  docHeight_ = copy_->ComputeLayout(canvas, pf::TRect{0, 0, geometry_->bodyWidth, geometry_->bodyHeight}, maxWidth);

  TPageState page;
  while (page.number <= toPage) {
    page.onPaper = page.number >= fromPage;
    stop = PrintPage(canvas, page) || !printer->Printing();
    saved.RestoreTo(canvas);
    if (page.onPaper) ++pagesPrinted_;
    if (stop) break;
    if (page.onPaper && page.number < toPage) printer->NewPage();
    ++page.number;
  }
  const int32_t lastPage = std::min(page.number, toPage);
  if (own && own->Printing()) {
    if (pagesPrinted_ == 0)
      own->Abort();
    else
      own->EndDoc();
  }
  return lastPage;
}

// One page: the body, the headers and footers, then the place of the next page. True when the run ends here.
bool TDocumentPrint::PrintPage(pf::TCanvas& canvas, TPageState& page) {
  PaintBody(canvas, page);
  page.last = page.end >= docHeight_ - settings_.MarginHeight;
  bool stop = page.onPaper && PaintHeadersAndFooters(canvas, page);
  if (MarginTop() != geometry_->marginTop) FollowTopMarginChange(geometry_->marginTop);
  // A page that its content did not let end below its top is cut at its natural end, so the rest still comes.
  const int32_t next = page.end > page.y ? page.end : page.y + geometry_->bodyHeight - page.headHeight;
  page.y = next;
  if (!PrinterAbortProc()) stop = true;
  if (OnPrintProgress) OnPrintProgress(page.number, stop);
  return stop || page.y >= docHeight_ - settings_.MarginHeight;
}

void TDocumentPrint::PaintBody(pf::TCanvas& canvas, TPageState& page) {
  const TGeometry& g = *geometry_;
  ApplyMapping(canvas);
  canvas.SelectClipRgn(g.bodyClip);
  // A table that the last page left in the middle repeats its head rows at the top of this one.
  ThtmlTable* continued = copy_->PartTable;
  if (continued && !continued->TablePart.GoesOn()) continued = nullptr;
  copy_->PartTable = continued;
  if (continued) continued->TablePart.TablePart = TTablePartRec::tpWhole;
  page.headHeight = continued ? continued->HeaderHeight : 0;
  page.x = page.onPaper ? g.left : g.left + kOffPaperShift * g.bodyWidth;
  const int32_t bodyTop = g.top + page.headHeight, bodyBottom = g.top + g.bodyHeight;
  copy_->SetYOffset(page.y - bodyTop);
  copy_->PageBottom = page.y + g.bodyHeight - page.headHeight;
  copy_->PageShortened = false;
  if (page.onPaper && settings_.PrintBackground)
    PaintDocumentBackground(canvas, pf::TRect{g.left, g.top, g.left + g.bodyWidth, bodyBottom}, page.x);
  copy_->Paint(canvas, pf::TRect{page.x, bodyTop, page.x + g.bodyWidth, bodyBottom}, page.x);
  page.end = copy_->PageBottom;
  // What was drawn beyond the page's end comes again on the next page: it goes under white here.
  const int32_t endY = page.end - copy_->YOff;
  canvas.Brush().SetColor(pf::clWhite);
  canvas.Pen().SetColor(pf::clWhite);
  canvas.FillRect(pf::TRect{0, 0, g.pageWidth, g.top});
  if (endY < bodyBottom) canvas.FillRect(pf::TRect{0, endY, g.pageWidth, g.pageHeight});
  if (!page.onPaper) return;
  if (continued) PaintBand(canvas, *continued, 0, continued->BodyStartRow(), page.x, g.top);
  ThtmlTable* parts = copy_->PartTable;
  if (parts && parts->TablePart.GoesOn())
    PaintBand(canvas, *parts, parts->FootStartRowOrEnd(), parts->Rows.Count(), page.x, endY);
}

void TDocumentPrint::PaintDocumentBackground(pf::TCanvas& canvas, const pf::TRect& rect, int32_t x) const {
  canvas.Brush().SetColor(source_.Background | PaletteColorFlag());
  canvas.FillRect(rect);
  if (!source_.ShowImages) return;
  // Placed as the screen places it: in the document, which stands at x and YOff on the page; a fixed position is the
  // body's.
  const pf::TRect area{x, -copy_->YOff, x + geometry_->bodyWidth,
                       std::max(docHeight_, geometry_->bodyHeight) - copy_->YOff};
  DrawBackgroundPicture(canvas, rect, source_.BackgroundImage, source_.BackgroundMask, source_.BackgroundPos, area,
                        rect, true, copy_->ScaleX, copy_->ScaleY);
}

void TDocumentPrint::PaintBand(pf::TCanvas& canvas, ThtmlTable& table, int firstRow, int endRow, int32_t x,
                               int32_t canvasTop) {
  if (firstRow >= endRow) return;
  const int32_t height = table.RowTop(endRow) - table.RowTop(firstRow) + std::max(0, table.CellSpacing);
  const pf::TRect band{x, canvasTop, x + geometry_->bodyWidth, canvasTop + height};
  canvas.IntersectClipRect(band.Left, band.Top, band.Right, band.Bottom);
  table.PaintRows(canvas, band, firstRow, endRow, canvasTop);
  canvas.SelectClipRgn(geometry_->bodyClip);
}

bool TDocumentPrint::PaintHeadersAndFooters(pf::TCanvas& canvas, const TPageState& page) {
  const TGeometry& g = *geometry_;
  bool stop = false;
  canvas.SelectClipRgn(nullptr);
  const uint32_t oldAlign = canvas.SetTextAlign(0);
  const int32_t bodyEnd = g.top + g.bodyHeight;
  if (OnPrintHeader) OnPrintHeader(canvas, page.number, g.pageWidth, g.top, stop);
  if (OnPrintFooter) {
    canvas.SetWindowOrgEx(0, -bodyEnd);
    OnPrintFooter(canvas, page.number, g.pageWidth, g.pageHeight - bodyEnd, stop);
    canvas.SetWindowOrgEx(0, 0);
  }
  if (OnPrintHTMLHeader) PrintHtmlBand(canvas, OnPrintHTMLHeader, page, true, stop);
  if (OnPrintHTMLFooter) PrintHtmlBand(canvas, OnPrintHTMLFooter, page, false, stop);
  canvas.SetTextAlign(oldAlign);
  return stop;
}

// The band's document is printed through a copy laid out at the band's width, scaled like the body, over the
// band's background.
void TDocumentPrint::PrintHtmlBand(pf::TCanvas& canvas, const TBandEvent& event, const TPageState& page, bool header,
                                   bool& stop) {
  const TGeometry& g = *geometry_;
  int32_t xl = g.left, xr = g.left + g.bodyWidth;
  const TSectionList* document = event(page.number, page.last, xl, xr, stop);
  if (!document || document->Count() == 0 || xr <= xl) return;
  TSectionList copy(*document);
  copy.Printing = true;
  copy.ScaleX = copy_->ScaleX;
  copy.ScaleY = copy_->ScaleY;
  int32_t maxWidth = 0;
  const int32_t height = copy.ComputeLayout(canvas, pf::TRect{0, 0, xr - xl, kBandLayoutHeight}, maxWidth);
  const int32_t bodyEnd = g.top + g.bodyHeight;
  const int32_t top = header ? g.top - height : bodyEnd;
  const pf::TRect band{xl, header ? std::max(0, top) : bodyEnd, xr, header ? g.top : g.pageHeight};
  if (band.Bottom <= band.Top) return;
  canvas.SelectClipRgn(nullptr);
  canvas.IntersectClipRect(band.Left, band.Top, band.Right, band.Bottom);
  canvas.Brush().SetColor(copy.Background);
  canvas.FillRect(band);
  copy.SetYOffset(-top);
  copy.PageBottom = height + 1;
  copy.PageShortened = true;
  copy.Paint(canvas, band, xl);
  canvas.SelectClipRgn(nullptr);
}

// ---- the viewer's printing ----

namespace {

// The hidden viewer a header or footer handler loads its HTML into: the viewer's defaults, no margin above and
// below, backgrounds printed.
std::unique_ptr<TPageViewer> MakeBandViewer(TPageViewer& viewer) {
  auto band = std::make_unique<TPageViewer>(nullptr);
  band->SetVisible(false);
  if (viewer.Parent()) band->SetParent(viewer.Parent());
  band->SetDefBackground(viewer.DefBackground());
  band->SetDefFontName(viewer.DefFontName());
  band->SetDefFontSize(viewer.DefFontSize());
  band->SetDefFontColor(viewer.DefFontColor());
  band->SetCharSet(viewer.CharSet());
  band->SetMarginHeight(0);
  band->SectionList().PrintBackground = true;
  band->SectionList().PrintTableBackground = true;
  return band;
}

}  // namespace

void TPageViewer::Print(int32_t fromPage, int32_t toPage) {
  if (processing_) {
    bool stop = false;
    if (OnPrintProgress) OnPrintProgress(this, 0, stop);
    return;
  }
  TDocumentPrint::TSettings settings;
  settings.MarginLeft = PrintMarginLeft;
  settings.MarginRight = PrintMarginRight;
  settings.MarginBottom = PrintMarginBottom;
  settings.MarginTop = &PrintMarginTop;
  settings.Scale = printScale_;
  settings.MarginHeight = marginHeight_;
  settings.PrintBackground = (htOptions_ & htPrintBackground) != 0;
  settings.Title = title_;
  TDocumentPrint run(*sectionList_, settings);
  if (OnPrintHeader)
    run.OnPrintHeader = [this](pf::TCanvas& canvas, int32_t page, int32_t w, int32_t h, bool& stop) {
      OnPrintHeader(this, canvas, page, w, h, stop);
    };
  if (OnPrintFooter)
    run.OnPrintFooter = [this](pf::TCanvas& canvas, int32_t page, int32_t w, int32_t h, bool& stop) {
      OnPrintFooter(this, canvas, page, w, h, stop);
    };
  if (OnPrintProgress) run.OnPrintProgress = [this](int32_t page, bool& stop) { OnPrintProgress(this, page, stop); };
  std::unique_ptr<TPageViewer> header, footer;
  auto bandEvent = [this](const ThtmlPagePrinted& event, std::unique_ptr<TPageViewer>& band) {
    band = MakeBandViewer(*this);
    return [this, &event, viewer = band.get()](int32_t page, bool last, int32_t& xl, int32_t& xr,
                                               bool& stop) -> const TSectionList* {
      event(this, *viewer, page, last, xl, xr, stop);
      return &viewer->SectionList();
    };
  };
  if (OnPrintHTMLHeader) run.OnPrintHTMLHeader = bandEvent(OnPrintHTMLHeader, header);
  if (OnPrintHTMLFooter) run.OnPrintHTMLFooter = bandEvent(OnPrintHTMLFooter, footer);
  // The document must stay as it is while it prints: loading, history moves and clearing wait for the end.
  SetProcessing(true);
  Finally done([this] { SetProcessing(false); });
  run.Print(fromPage, toPage);
}

}  // namespace viewer
