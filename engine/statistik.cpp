#include "engine/statistik.h"

#include <algorithm>
#include <exception>

#include "engine/procs.h"
#include "gif/gif_image.h"
#include "platform/core/classes.h"
#include "platform/core/files.h"
#include "platform/core/strings.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace engine {

using namespace pf::literals;

namespace {

constexpr int kChartWidth = 277;
constexpr int kChartHeight = 200;
constexpr int kPlotLeft = 25;
constexpr int kPlotRight = 275;   // exclusive
constexpr int kPlotTop = 20;      // 100 %
constexpr int kPlotBottom = 180;  // 0 %
constexpr int kMaxBars = 250;
constexpr std::string_view kChartFont = "Verdana, Arial, helvetica";
constexpr pf::TColor kCaptionColor = 0xA00000;

bool IsDecimal(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
         IsInteger(text);
}

// The number that follows marker, searched from pos on, up to delimiter (a blank when delimiter is empty) or the
// end of the line; pos moves behind it.
bool ReadLogNumber(std::string_view line, std::string_view marker, std::string_view delimiter, size_t& pos,
                   int32_t& value) {
  size_t start = line.find(marker, pos);
  if (start == std::string_view::npos) return false;
  start += marker.size();
  size_t end = line.find(delimiter.empty() ? std::string_view(" ") : delimiter, start);
  if (end == std::string_view::npos) end = line.size();
  std::string_view field = line.substr(start, end - start);
  if (!IsDecimal(field)) return false;
  value = pf::StrToInt(field);
  pos = end;
  return true;
}

// Header line: "<td>TA/17&nbsp;&nbsp;</td><td>[06.12.2024 16:51:03] &nbsp;47 von 51 Fragen in 42 min (90) ...".
bool ReadHeaderLine(std::string_view line, NormalisedLogLine& entry) {
  entry.Code = pf::Copy(line, 5, 2);
  // The sheet number starts at character 8 and ends at the first "&", or at the first blank when one stands
  // within the first 15 characters.
  size_t end = line.find(' ');
  if (end == std::string_view::npos || end >= 15) end = line.find('&');
  if (end == std::string_view::npos || end < 7) return false;
  std::string_view sheet = line.substr(7, end - 7);
  if (!IsDecimal(sheet)) return false;
  entry.Sheet = pf::StrToInt(sheet);
  size_t pos = end;
  return ReadLogNumber(line, "] &nbsp;", "", pos, entry.Answered) &&
         ReadLogNumber(line, "von ", "", pos, entry.Total) && entry.Total > 0 &&
         ReadLogNumber(line, "in ", "", pos, entry.Minutes) && ReadLogNumber(line, "min (", ")", pos, entry.TimeLimit);
}

// Result line: "<td valign="top">...</td><td>Richtig: 40 (78%) &nbsp; Falsch: ...".
bool ReadResultLine(std::string_view line, NormalisedLogLine& entry) {
  size_t pos = 0;
  return ReadLogNumber(line, ": ", "", pos, entry.Right) && entry.Right <= entry.Total &&
         ReadLogNumber(line, "(", "%", pos, entry.Percentage);
}

// Bar colours by result and part; k counts the bars drawn, from 0 at the newest.
pf::TColor BarColor(const NormalisedLogLine& entry, int k) {
  bool odd = k % 2 != 0;
  if (entry.Percentage < 73) return odd ? 0x0000FF : 0x0000F0;
  switch (entry.Code[0]) {
    case 'T':
      return entry.Code[1] == 'A' ? (odd ? 0xFF9999 : 0xFFCCCC) : (odd ? 0xFF9966 : 0xFFCC99);
    case 'B':
      return odd ? 0x80FFFF : 0xB0FFFF;
    default:
      return odd ? 0x80FF80 : 0xD0FFD0;
  }
}

void SetChartFont(pf::TCanvas& canvas, int points) {
  pf::TFont& font = canvas.Font();
  font.SetName(std::string(kChartFont));
  font.SetSize(points);
  font.SetColor(kCaptionColor);
  font.SetQuality(pf::fqNonAntialiased);  // hard pixels survive the reduction to the web palette
}

void MarkLine(pf::TCanvas& canvas, pf::TColor color, int y) {
  canvas.Pen().SetColor(color);
  canvas.MoveTo(kPlotLeft, y);
  canvas.LineTo(kPlotRight, y);
}

std::string ChartTag(const AppState& state, std::string_view code, int n, std::string_view title) {
  return "<img src=\"" + StatisticsChartPath(state, code, n) + "\" width=\"277\" height=\"200\" border=\"0\" title=\"" +
         std::string(title) + "\" alt=\"" + std::string(title) + "\">";
}

}  // namespace

bool NormaliseLog(Engine& engine, std::vector<NormalisedLogLine>& lines) {
  const AppState& state = engine.State();
  EnginePort& port = engine.Port();
  const pf::TStringList& log = state.ExamLog;
  int bad = 0;  // 1-based number of the first bad line
  for (int i = 0; i < log.Count() && bad == 0; i += 2) {
    NormalisedLogLine entry;
    if (!ReadHeaderLine(log[i], entry)) {
      bad = i + 1;
    } else if (i + 1 < log.Count()) {
      if (!ReadResultLine(log[i + 1], entry))
        bad = i + 2;
      else
        lines.push_back(std::move(entry));
    }  // a last line without its result line is dropped
  }
  if (bad == 0) return true;
  std::string n = pf::IntToStr(bad);
  port.Msg(" Fehler in Pexu.log Zeile " + n + std::string(". Bitte das Log bereinigen oder löschen."_l1));
  port.ShowWarning("Die Statistik kann wegen eines Fehlers in Zeile " + n +
                   " der Logdatei nicht aufgebaut werden.\n\r" + "Schauen Sie sich die Datei " +
                   pf::PathJoin(state.DataDir, "Pexu.log") +
                   std::string(" an oder löschen Sie die Logdatei mit <Strg-Entf>."_l1));
  return false;
}

std::string StatisticsChartPath(const AppState& state, std::string_view code, int n) {
  return pf::PathJoin(pf::PathJoin(state.DataDir, "html"), std::string(code) + "Statistik" + pf::IntToStr(n) + ".gif");
}

std::unique_ptr<pf::TBitmap> PaintStatisticsChart(const std::vector<NormalisedLogLine>& lines, std::string_view code,
                                                  int n) {
  auto bitmap = std::make_unique<pf::TBitmap>(kChartWidth, kChartHeight, pf::pf24bit);
  pf::TCanvas& canvas = bitmap->Canvas();
  int count = int(std::count_if(lines.begin(), lines.end(), [&](const auto& l) { return l.Code == code; }));
  int shown = n != 0 && n <= count ? n : std::min(count, kMaxBars);
  if (shown > 0) {
    std::string caption;
    if (n != 0)
      caption = "Die letzten " + pf::IntToStr(shown) + std::string(" Prüfungen"_l1);
    else if (count <= kMaxBars)
      caption = "Alle " + pf::IntToStr(shown) + std::string(" Prüfungen"_l1);
    else
      caption = "Die letzten 250 von " + pf::IntToStr(count) + std::string(" Prüfungen"_l1);
    SetChartFont(canvas, 10);
    canvas.TextOut(kPlotLeft, kPlotBottom + 2, caption);
    SetChartFont(canvas, 7);
    canvas.TextOut(5, 69, "67%");
    canvas.TextOut(5, 57, "73%");
    canvas.TextOut(1, 15, "100%");

    int w = (kPlotRight - kPlotLeft) / shown;
    int x = kPlotLeft + w * shown;
    int k = 0;
    for (auto it = lines.rbegin(); it != lines.rend() && k < shown; ++it) {
      if (it->Code != code) continue;
      // Integer arithmetic: the exact Trunc(right / total * 160) without rounding noise.
      int height = int(int64_t(it->Right) * (kPlotBottom - kPlotTop) / it->Total);
      canvas.Brush().SetColor(BarColor(*it, k));
      canvas.FillRect(pf::Rect(x - w, kPlotBottom - height, x, kPlotBottom));
      x -= w;
      ++k;
    }
    MarkLine(canvas, 0x0000FF, 73);  // 67 %
    MarkLine(canvas, 0x009FFF, 63);  // 73 %
    MarkLine(canvas, 0x00FF00, 20);  // 100 %
  }
  DrawChartAxes(*bitmap);
  return bitmap;
}

void DrawChartAxes(pf::TBitmap& bitmap) {
  pf::TCanvas& canvas = bitmap.Canvas();
  canvas.Pen().SetColor(pf::clBlack);
  canvas.Pen().SetWidth(1);
  canvas.Polyline({{kPlotLeft, kPlotTop}, {kPlotLeft, kPlotBottom}, {kPlotRight, kPlotBottom}});
  SetChartFont(canvas, 10);
}

void DrawStatisticsChart(const AppState& state, const std::vector<NormalisedLogLine>& lines, std::string_view code,
                         int n) {
  std::unique_ptr<pf::TBitmap> bitmap = PaintStatisticsChart(lines, code, n);
  SaveChartAsGif(*bitmap, StatisticsChartPath(state, code, n));
}

void SaveChartAsGif(pf::TBitmap& bitmap, const std::string& fileName) {
  gif::TGifPicture picture;
  picture.Assign(bitmap);
  picture.SaveToFile(fileName);
}

void WriteStatisticsPage(Engine& engine, char classLetter) {
  const AppState& state = engine.State();
  EnginePort& port = engine.Port();
  const std::string root = port.ServerRoot();
  const std::string cls(1, classLetter);
  pf::TStringList page;
  // One row of the navigation column: a bullet and a link.
  auto nav = [&](std::string_view bullet, std::string_view linkClass, const std::string& href, std::string_view title,
                 std::string_view text) {
    std::string titleAttr = title.empty() ? "" : " title=\"" + std::string(title) + "\"";
    page.Add("    <tr><td><img src=\"" + root + "/pics/" + std::string(bullet) +
             ".gif\" width=\"8\" height=\"12\" border=\"0\" alt=\"\"></td><td><a class=\"" + std::string(linkClass) +
             "\" href=\"" + href + "\"" + titleAttr + ">" + std::string(text) + "</a></td></tr>");
  };
  // One block of the content: the part's header row and its two charts.
  auto block = [&](std::string_view code, std::string_view colour, const std::string& name) {
    page.Add("    <tr><td bgcolor=\"" + std::string(colour) + "\" colspan=\"2\"><big>" + name + "</big></td></tr>");
    page.Add("    <tr>");
    page.Add("      <td bgcolor=\"#ffffff\">" + ChartTag(state, code, 20, "Maximal die letzten 20 Pr&uuml;fungen") +
             "</td>");
    page.Add("      <td bgcolor=\"#ffffff\">" + ChartTag(state, code, 0, "Maximal die letzten 250 Pr&uuml;fungen") +
             "</td>");
    page.Add("    </tr>");
  };
  const std::string spacer = "    <tr><td bgcolor=\"#ffffff\" colspan=\"2\"><p>&nbsp;</p></td></tr>";

  AddLines(page, {"<html>", "<head>"});
  page.Add("<title>Pexu - Statistik Klasse " + cls + "</title>");
  page.Add("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-15\">");
  page.Add("<link rel=\"stylesheet\" href=\"" + root + "/css/pexu.css\" type=\"text/css\">");
  AddLines(page,
           {"</head>", "<body text=\"#0000a0\" bgcolor=\"#ffffff\">", "<a name=\"top\"></a><div align=\"center\">",
            "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"740\">", "<tr>"});
  page.Add("  <td colspan=\"2\" background=\"" + root + "/pics/hglogo.gif\"><img src=\"" + root +
           "/pics/seitenkopf.jpg\" width=\"740\" height=\"65\" border=\"0\" title=\"Pexu - Quendolar\" "
           "alt=\"Pexu - Quendolar\"></td>");
  AddLines(page, {"</tr>", "<tr>", "  <td valign=\"top\" bgcolor=\"#3fa0df\" width=\"100\">"});
  page.Add("    <img src=\"" + root + "/pics/clearpix.gif\" width=\"100\" height=\"1\" border=\"0\" alt=\"\"><br>");
  page.Add("    <table border=\"0\" cellspacing=\"0\" cellpadding=\"2\">");
  nav("gdot", "menu", root + "/html/index.html", " zur Startseite", "Home");
  nav("gdot", "menu", root + "/html/aktuell.html", " Was hat sich getan?", "Aktuell");
  nav("gdot", "menu", root + "/html/training.html", " Training von Pr&uuml;fungsteilen", "Training");
  nav("rdot", "menu", root + "/html/pruefungen.html", " Pr&uuml;fungstraining f&uuml;r die Klassen A und E",
      "Pr&uuml;fungen");
  for (char c : {'A', 'E'}) {
    std::string lower(1, char(c - 'A' + 'a'));
    nav("gdot", c == classLetter ? "sel" : "menu", root + "/html/klasse" + lower + ".html", "",
        "Klasse " + std::string(1, c));
    if (c == classLetter) nav("gdot", "sel", "statistik" + cls + ".html", "", "Statistik");
  }
  nav("gdot", "menu", state.DataDir + "/html/LetztesLog.html", " Pr&uuml;fungslog", "Log");
  nav("gdot", "menu", root + "/html/links.html", " N&uuml;tzliche Links zum Thema Amateurfunkpr&uuml;fung", "Links");
  nav("gdot", "menu", root + "/html/faq.html", " H&auml;ufig gestellte Fragen", "FAQ");
  nav("gdot", "menu", root + "/html/pexuhilfe.html", " Die Hilfe zu Pexu", "Hilfe");
  AddLines(page, {"    </table>", "  </td>"});
  page.Add("  <td valign=\"top\" background=\"" + root + "/pics/vr.gif\" width=\"640\">");
  page.Add("    <img src=\"" + root + "/pics/clearpix.gif\" width=\"640\" height=\"1\" border=\"0\" alt=\"\"><br>");
  page.Add("    <h1>Statistik zu den Pr&uuml;fungen der Klasse " + cls + "</h1>");
  page.Add("    <table border=\"0\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">");
  block("T" + cls, classLetter == 'A' ? "#e7e7ff" : "#e0f0ff", "Technische Kenntnisse Klasse " + cls);
  page.Add(spacer);
  block("BE", "#ffffc7", "Betriebliche Kenntnisse");
  page.Add(spacer);
  block("VE", "#d0ffc0", "Kenntnisse von Vorschriften");
  AddLines(page, {"    </table>", "  </td>", "</tr>", "<tr>", "  <td colspan=\"2\" align=\"center\"><small>",
                  "    <a class=\"text\" href=\"#top\">Top</a> |"});
  page.Add("    <a class=\"text\" href=\"" + root + "/html/index.html\">Home</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/aktuell.html\">Aktuell</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/training.html\">Training</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/pruefungen.html\">Pr&uuml;fungen</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/links.html\">Links</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/faq.html\">FAQ</a> |");
  page.Add("    <a class=\"text\" href=\"" + root + "/html/pexuhilfe.html\">Hilfe</a>");
  AddLines(page, {"  </small></td>", "</tr>"});
  page.Add("<tr><td colspan=\"2\" background=\"" + root + "/pics/hr2.gif\">&nbsp;</td></tr>");
  page.Add("<tr>");
  page.Add("  <td colspan=\"2\" align=\"center\"><small>Pexu &nbsp;" + MailLink(port.CompanyName()) + " &nbsp; " +
           PageDate() + "</small></td>");
  AddLines(page, {"</tr>", "</table>", "</div>", "</body>", "</html>"});

  engine.SaveAndShowPage(pf::PathJoin(pf::PathJoin(state.DataDir, "html"), "statistik" + cls + ".html"), page);
}

void ShowStatistics(Engine& engine, char classLetter) {
  const AppState& state = engine.State();
  EnginePort& port = engine.Port();
  classLetter = pf::AnsiUpperChar(classLetter);  // links name the pages in lower case
  std::vector<NormalisedLogLine> lines;
  if (!NormaliseLog(engine, lines)) return;
  const std::string technical = "T" + std::string(1, classLetter);
  try {
    port.SetProgress(5);
    DrawStatisticsChart(state, lines, technical, 0);
    port.SetProgress(25);
    DrawStatisticsChart(state, lines, technical, 20);
    port.SetProgress(30);
    DrawStatisticsChart(state, lines, "BE", 0);
    port.SetProgress(50);
    DrawStatisticsChart(state, lines, "BE", 20);
    port.SetProgress(55);
    DrawStatisticsChart(state, lines, "VE", 0);
    port.SetProgress(75);
    DrawStatisticsChart(state, lines, "VE", 20);
    port.SetProgress(80);
    WriteStatisticsPage(engine, classLetter);
  } catch (...) {
    port.SetProgress(0);  // a failed write must not leave the bar standing
    throw;
  }
  port.SetProgress(0);
}

}  // namespace engine
