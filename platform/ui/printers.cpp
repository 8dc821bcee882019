// TPrinter over the toolkit's printing: QPrinter for the desktop's queues, QPdfWriter for PDF files, QPicture pages
// for the recording back end; the printer set-up dialog.
#include "platform/ui/printers.h"

#include <unistd.h>

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>

#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/canvas_qt.h"
#include "platform/ui/host_qt.h"

namespace pf {

namespace {

constexpr const char* kPrinting = "Printing in progress";
constexpr const char* kNotPrinting = "Printer is not currently printing";
constexpr const char* kInvalidPrinter = "Printer selected is not valid";
constexpr const char* kNoDefaultPrinter = "There is no default printer currently selected";
constexpr size_t kJobNameLength = 31;  // what a print queue keeps of a job's name

QString FromFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

QPageLayout::Orientation ToQt(TPrinterOrientation o) {
  return o == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// The printer's surface: the job's painter while one runs; device capabilities always.
class PrinterTarget : public CanvasTarget {
 public:
  explicit PrinterTarget(const TPrinter& printer) : printer_(printer) {}
  int32_t Width() const override { return printer_.PageGeometry().width; }
  int32_t Height() const override { return printer_.PageGeometry().height; }
  QImage* BeginImage() override { return nullptr; }
  void EndImage(bool) override {}
  QPainter* Painter() override;
  int BitsPerPixel() const override { return 24; }
  int LogPixels() const override { return printer_.PageGeometry().dpi; }
  TRect PhysicalPage() const override {
    const TPrinter::Geometry& g = printer_.PageGeometry();
    return {-g.offsetX, -g.offsetY, g.paperWidth - g.offsetX, g.paperHeight - g.offsetY};
  }
  int Technology() const override { return DT_RASPRINTER; }

 private:
  const TPrinter& printer_;
};

std::string Rect(const QRectF& r) {
  const QRect i = r.toAlignedRect();
  return Format("%d,%d,%d,%d", {i.left(), i.top(), i.width(), i.height()});
}

// Writes what is painted on it as lines (a recorded page played back onto it).
class CallLog : public QPaintDevice {
 public:
  explicit CallLog(QSize size) : engine_(lines), size_(size) {}
  QPaintEngine* paintEngine() const override { return &engine_; }
  std::vector<std::string> lines;

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return size_.width();
      case PdmHeight:
        return size_.height();
      case PdmDepth:
        return 24;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return kPixelsPerInch;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 1;
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(std::vector<std::string>& out) : QPaintEngine(AllFeatures), out_(out) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
      if (state.state() & DirtyTransform) transform_ = state.transform();
    }
    void drawRects(const QRectF* rects, int count) override {
      for (int i = 0; i < count; ++i) out_.push_back("rect " + Rect(transform_.mapRect(rects[i])));
    }
    void drawLines(const QLineF* lines, int count) override {
      for (int i = 0; i < count; ++i) {
        const QLineF l = transform_.map(lines[i]);
        out_.push_back(Format("line %d,%d,%d,%d", {int(l.x1()), int(l.y1()), int(l.x2()), int(l.y2())}));
      }
    }
    void drawEllipse(const QRectF& r) override { out_.push_back("ellipse " + Rect(transform_.mapRect(r))); }
    void drawPath(const QPainterPath& path) override {
      out_.push_back("path " + Rect(transform_.map(path).boundingRect()));
    }
    void drawPoints(const QPointF* points, int count) override {
      out_.push_back("points " +
                     Rect(transform_.map(QPolygonF(QList<QPointF>(points, points + count))).boundingRect()));
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
      out_.push_back("polygon " +
                     Rect(transform_.map(QPolygonF(QList<QPointF>(points, points + count))).boundingRect()));
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
      out_.push_back("image " + Rect(transform_.mapRect(r)));
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
      out_.push_back("image " + Rect(transform_.mapRect(r)));
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
      const QPointF at = transform_.map(p);
      out_.push_back(Format("text %d,%d ", {int(at.x()), int(at.y())}) + FromQString(item.text()));
    }

   private:
    std::vector<std::string>& out_;
    QTransform transform_;
  };
  mutable Engine engine_;
  QSize size_;
};

}  // namespace

struct TPrinter::Recorded {
  std::vector<std::unique_ptr<QPicture>> pages;
  Geometry geometry;
};

struct TPrinter::Job {
  QPainter painter;
  std::unique_ptr<QPdfWriter> pdf;
  std::unique_ptr<QPrinter> printer;
  std::shared_ptr<Recorded> recording;
  std::string tempFile;
};

QPainter* PrinterTarget::Painter() {
  TPrinter::Job* job = printer_.ActiveJob();
  return job != nullptr && job->painter.isActive() ? &job->painter : nullptr;
}

TPrinter::TPrinter() {
  const char* setting = std::getenv("PEXU_PRINTER");
  const std::string value = setting != nullptr ? setting : "";
  if (value.rfind("pdf:", 0) == 0) {
    backend_ = pbPdfFile;
    outputFileName_ = value.substr(4);
  } else if (value == "recording") {
    backend_ = pbRecording;
  } else if (value.rfind("system:", 0) == 0) {
    const int index = Printers().IndexOf(value.substr(7));
    if (index >= 0) printerIndex_ = index;
  }
}

TPrinter::~TPrinter() {
  if (!printing_) return;
  try {
    Abort();
  } catch (...) {
    // Nothing is left to report to: the job is dropped either way.
  }
}

void TPrinter::CheckNotPrinting() const {
  if (printing_) throw EPrinter(kPrinting);
}

void TPrinter::CheckPrinting() const {
  if (!printing_) throw EPrinter(kNotPrinting);
}

const TStrings& TPrinter::Printers() {
  if (!printersRead_) {
    printersRead_ = true;
    EnsureUi();
    for (const QString& name : QPrinterInfo::availablePrinterNames()) printers_.Add(FromQString(name));
  }
  return printers_;
}

std::string TPrinter::QueueName() const {
  auto& self = const_cast<TPrinter&>(*this);
  if (printerIndex_ >= 0 && printerIndex_ < self.Printers().Count()) return self.Printers()[printerIndex_];
  const std::string name = FromQString(QPrinterInfo::defaultPrinterName());
  if (!name.empty()) return name;
  return self.Printers().Count() > 0 ? self.Printers()[0] : std::string();
}

void TPrinter::SetPrinterIndex(int value) {
  CheckNotPrinting();
  if (value < -1 || value >= Printers().Count()) throw EPrinter(kInvalidPrinter);
  printerIndex_ = value;
  geometryValid_ = false;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
  CheckNotPrinting();
  orientation_ = value;
  geometryValid_ = false;
}

void TPrinter::SetCopies(int value) {
  CheckNotPrinting();
  copies_ = std::max(value, 1);
}

void TPrinter::SetBackend(TPrinterBackend value) {
  CheckNotPrinting();
  backend_ = value;
  geometryValid_ = false;
}

void TPrinter::SetOutputFileName(const std::string& value) {
  CheckNotPrinting();
  outputFileName_ = value;
}

void TPrinter::SetResolution(int dotsPerInch) {
  CheckNotPrinting();
  resolution_ = std::clamp(dotsPerInch, 72, 2400);
  geometryValid_ = false;
}

void TPrinter::SetUnprintableBorderMM(int millimetres) {
  CheckNotPrinting();
  borderMM_ = std::clamp(millimetres, 0, 50);
  geometryValid_ = false;
}

const TPrinter::Geometry& TPrinter::PageGeometry() const {
  if (geometryValid_) return geometry_;
  EnsureUi();
  QPageLayout layout(QPageSize(QPageSize::A4), ToQt(orientation_),
                     QMarginsF(borderMM_, borderMM_, borderMM_, borderMM_), QPageLayout::Millimeter);
  int dpi = resolution_;
  if (backend_ == pbSystem) {
    QPrinter probe(QPrinter::HighResolution);
    probe.setPrinterName(ToQString(QueueName()));
    probe.setPageOrientation(ToQt(orientation_));
    layout = probe.pageLayout();
    dpi = probe.resolution();
  }
  const QRect paint = layout.paintRectPixels(dpi), full = layout.fullRectPixels(dpi);
  geometry_ = {paint.width(),
               paint.height(),
               full.width(),
               full.height(),
               paint.left() - full.left(),
               paint.top() - full.top(),
               dpi};
  geometryValid_ = true;
  return geometry_;
}

int32_t TPrinter::PageWidth() const { return PageGeometry().width; }
int32_t TPrinter::PageHeight() const { return PageGeometry().height; }

TCanvas& TPrinter::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(std::make_unique<PrinterTarget>(*this));
  return *canvas_;
}

void TPrinter::BeginDoc() {
  CheckNotPrinting();
  EnsureUi();
  const std::string name = Title.substr(0, std::min(Title.size(), kJobNameLength));
  auto job = std::make_unique<Job>();
  const Geometry& g = PageGeometry();
  switch (backend_) {
    case pbPdfFile: {
      if (outputFileName_.empty()) throw EPrinter(kInvalidPrinter);
      job->tempFile = outputFileName_ + ".~" + IntToStr(static_cast<int64_t>(::getpid()));
      job->pdf = std::make_unique<QPdfWriter>(FromFileName(job->tempFile));
      job->pdf->setResolution(g.dpi);
      job->pdf->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), ToQt(orientation_),
                                          QMarginsF(borderMM_, borderMM_, borderMM_, borderMM_),
                                          QPageLayout::Millimeter));
      job->pdf->setTitle(ToQString(name));
      job->pdf->setCreator(QStringLiteral("Pexu"));
      if (!job->painter.begin(job->pdf.get())) {
        DeleteFile(job->tempFile);
        throw EPrinter(kInvalidPrinter);
      }
      break;
    }
    case pbSystem: {
      if (Printers().Count() == 0) throw EPrinter(kNoDefaultPrinter);
      job->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      job->printer->setPrinterName(ToQString(QueueName()));
      if (!job->printer->isValid()) throw EPrinter(kInvalidPrinter);
      job->printer->setPageOrientation(ToQt(orientation_));
      job->printer->setCopyCount(copies_);
      job->printer->setDocName(ToQString(name));
      if (!job->painter.begin(job->printer.get())) throw EPrinter(kInvalidPrinter);
      break;
    }
    case pbRecording:
      job->recording = std::make_shared<Recorded>();
      job->recording->geometry = g;
      job->recording->pages.push_back(std::make_unique<QPicture>());
      job->painter.begin(job->recording->pages.back().get());
      break;
  }
  job_ = std::move(job);
  printing_ = true;
  aborted_ = false;
  pageNumber_ = 1;
  log_.push_back("BeginDoc " + name);
}

void TPrinter::NewPage() {
  CheckPrinting();
  if (job_->pdf) job_->pdf->newPage();
  if (job_->printer) job_->printer->newPage();
  if (job_->recording) {
    job_->painter.end();
    job_->recording->pages.push_back(std::make_unique<QPicture>());
    job_->painter.begin(job_->recording->pages.back().get());
  }
  ++pageNumber_;
  log_.push_back("NewPage");
}

void TPrinter::EndDoc() {
  CheckPrinting();
  std::unique_ptr<Job> job = std::move(job_);
  if (job->painter.isActive()) job->painter.end();
  const bool aborted = aborted_;
  printing_ = false;
  aborted_ = false;
  pageNumber_ = 0;
  if (aborted) return;
  log_.push_back("EndDoc");
  if (job->recording) recorded_ = job->recording;
  if (job->pdf) {
    job->pdf.reset();  // the writer lets go of the file
    if (!RenameFile(job->tempFile, outputFileName_)) {
      DeleteFile(job->tempFile);
      throw EPrinter(kInvalidPrinter);
    }
  }
}

void TPrinter::Abort() {
  CheckPrinting();
  aborted_ = true;
  if (job_->printer) job_->printer->abort();
  if (job_->painter.isActive()) job_->painter.end();
  if (job_->pdf) {
    job_->pdf.reset();
    DeleteFile(job_->tempFile);
  }
  log_.push_back("Abort");
  EndDoc();
}

int TPrinter::RecordedPageCount() const { return recorded_ ? static_cast<int>(recorded_->pages.size()) : 0; }

std::vector<std::string> TPrinter::RecordedCalls(int page) const {
  if (page < 0 || page >= RecordedPageCount()) throw EPrinter("Page index out of range");
  const Geometry& g = recorded_->geometry;
  CallLog log(QSize(g.width, g.height));
  {
    QPainter painter(&log);
    painter.drawPicture(0, 0, *recorded_->pages[static_cast<size_t>(page)]);
  }
  return log.lines;
}

void TPrinter::GetRecordedRaster(int page, TBitmap& bitmap) const {
  if (page < 0 || page >= RecordedPageCount()) throw EPrinter("Page index out of range");
  const Geometry& g = recorded_->geometry;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(g.paperWidth, g.paperHeight);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect({0, 0, g.paperWidth, g.paperHeight});
  if (QImage* image = canvas.Target()->BeginImage()) {
    QPainter painter(image);
    painter.drawPicture(g.offsetX, g.offsetY, *recorded_->pages[static_cast<size_t>(page)]);
  }
  canvas.Target()->EndImage(true);
  bitmap.PixelsChanged();
}

// ---- The current printer

namespace {
TPrinter* currentPrinter = nullptr;
}

TPrinter& Printer() {
  static TPrinter own;
  return currentPrinter != nullptr ? *currentPrinter : own;
}

TPrinter* SetPrinter(TPrinter* printer) {
  TPrinter* previous = &Printer();
  currentPrinter = printer;
  return previous;
}

bool ShowPrinterSetup(QWidget* parent) {
  TPrinter& p = Printer();
  if (p.Printing()) throw EPrinter(kPrinting);
  QPrinter printer(QPrinter::HighResolution);
  if (p.Backend() == pbPdfFile) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(FromFileName(p.OutputFileName()));
  } else if (p.Printers().Count() > 0) {
    printer.setPrinterName(ToQString(p.PrinterIndex() >= 0 ? p.Printers()[p.PrinterIndex()] : std::string()));
  }
  printer.setPageOrientation(ToQt(p.Orientation()));
  printer.setCopyCount(p.Copies());
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Drucker einrichten"));
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    p.SetBackend(pbPdfFile);
    p.SetOutputFileName(QFile::encodeName(printer.outputFileName()).toStdString());
  } else {
    p.SetBackend(pbSystem);
    p.SetPrinterIndex(p.Printers().IndexOf(FromQString(printer.printerName())));
  }
  p.SetOrientation(printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait);
  p.SetCopies(printer.copyCount());
  return true;
}

}  // namespace pf
