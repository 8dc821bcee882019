// The engine part of the main window: catalogue access through the ZIP component, drawing questions, sheets,
// evaluation, the exam log and question lists. It works on the shared state and reaches windows only through the
// port. The main window creates the AppState and calls StartUp, then owns one Engine on them; it routes the
// viewer's form submissions to PexuPageViewerFormSubmit, its exam menu items to BuildExamSheet (part and class as
// arguments: the state takes them only when the sheet is written), the log button and "LetztesLog.html" links to
// LogSpeedButtonClick, ".qff" links to AddToWrongQuestionsList, the own-exam menu items to PruefungladenClick, and
// calls ShutDown at close.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/port.h"
#include "engine/state.h"
#include "platform/core/classes.h"

namespace zip {
class TZipReader;
}

namespace engine {

struct QuestionRecord;

// An own question list as its file holds it: an optional "#" title, part code + "=" + questions per sheet,
// "Zeit=" + minutes, then one identifier per line. A sheet of mode 'a' is drawn from it; it is handed to the sheet
// builder instead of being put into the shared state first, so that a list that cannot be drawn changes nothing.
struct QuestionList {
  std::optional<std::string> title;  // the first line without its "#", when it has one
  std::string partCode;              // the head's first two characters in upper case, not yet checked
  int32_t questionCount = 0;
  std::string timeText;          // trimmed
  int32_t minutes = 0;           // at least 1
  std::vector<std::string> ids;  // the lines after "Zeit=" as written; blank lines carry nothing
};

// Reads a question list file. False when it cannot be read or has not that form: no head or time line, no "=" after
// the part code, a count or time that is not a number, a time below one minute, or more than a megabyte (a list of
// every question of a part is a few kilobytes).
bool ReadQuestionList(const std::string& path, QuestionList& list);

// The part codes of the catalogue: TA, TE, BE and VE (operating and regulations are examined in class E only).
bool IsCataloguePart(char part, char cls);

class Engine {
 public:
  Engine(AppState& state, EnginePort& port);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  AppState& State() { return state_; }
  EnginePort& Port() { return port_; }

  // Extracts one entry of the archive into list through the ZIP component; returns the number of entries
  // extracted (0: missing or damaged, list unchanged). ZIP and file errors pass to the caller as exceptions.
  int Entzippen(const std::string& archivePath, const std::string& entryName, pf::TStrings& list);

  // Loads the pool of part + class into CatalogueLines, checks it and counts its questions. A missing archive or
  // entry, a damaged or malformed pool and a pool without questions end with a warning and false
  // (CatalogueLines then empty).
  bool CountPoolQuestions(char part, char cls, int32_t& poolSize);
  // The same reading and checking of the pool of a part code ("TA"), into lines of the caller's own (the editor and
  // the question window keep pools apart from the running sheet's CatalogueLines). False, lines empty, after the
  // warning.
  bool ReadPool(const std::string& partCode, pf::TStrings& lines);

  // The questions of training section (chapter prefix + block digit "1".."9") into list; count := their number.
  // A bad section, a missing pool and an empty block end with a warning and false.
  bool SelectTrainingBlock(char part, char cls, int32_t& count, pf::TStringList& list, const std::string& section);

  // The questions of an exam drawn by the part's section table into list; poolSize := their number. Any error of
  // the table ends with a warning and false before a question is drawn.
  bool SelectBySections(char part, char cls, int32_t& poolSize, pf::TStringList& list);

  // The viewer's form submission: 'T' draws an exam sheet, 'U' a training sheet, 'A' evaluates a sheet. The lines
  // are checked first; a submission that does not fit its form gets a warning and changes nothing.
  void PexuPageViewerFormSubmit(const std::string& action, const std::string& target, const std::string& encType,
                                const std::string& method, const pf::TStrings& results);

  // Draws, writes and shows a sheet in mode 'k' (exam), 't' (training block section) or 'a' (own list, which then
  // must be given). A part code the catalogue does not have (only TA, TE, BE and VE) is refused with a warning
  // before anything is drawn. On success the shared state describes the new sheet and sheetId and mode hold its
  // number and mode; on failure nothing changes.
  bool BuildExamSheet(char part, char cls, std::string& sheetId, const std::string& section, char& mode,
                      const QuestionList* ownList = nullptr);

  // Saves a page (Latin-1 lines), shows it at "#top" and takes its title as the window caption.
  void SaveAndShowPage(const std::string& fileName, const pf::TStrings& lines);

  // The part and class that the question links of the page at path act on: for the sheet, its answer list and the
  // evaluation page, those of the sheet they were last written for (an evaluation may grade an older sheet, and the
  // user may go back to it after drawing a newer one); for any other page those of the current sheet.
  std::pair<char, char> PagePart(const std::string& path) const;

  // Grades a submitted sheet, writes and shows the evaluation page and, for exams, adds the two log lines. Only the
  // questions of the sheet part + cls + sheetId are graded, each once; lines of other questions are ignored.
  void WriteEvaluationPage(char part, char cls, const pf::TStrings& results, const std::string& section,
                           const std::string& sheetId, char mode);
  static int CountAnswered(const pf::TStrings& results);

  // The exam log page, and deleting the log after a confirmation.
  void LogSpeedButtonClick();
  void LogloeschenClick();

  // Adds a question to the part's list of wrongly answered questions.
  void AddToWrongQuestionsList(char part, char cls, const std::string& id);
  // Asks for an own question list and builds an exam from it.
  void PruefungladenClick();

  // For tests: replaces the extraction road (archive path, entry name, list) -> entries extracted.
  using EntryExtractor = std::function<int(const std::string&, const std::string&, pf::TStrings&)>;
  void SetEntryExtractor(EntryExtractor extractor) { extractor_ = std::move(extractor); }

 private:
  int Extract(const std::string& entryName, pf::TStrings& list);
  bool ArchiveExists();
  bool LoadPool(char part, char cls);
  // Everything a sheet needs, worked out before anything of the shared state changes.
  struct Sheet {
    char part = 'T', cls = 'A', mode = 'k';
    std::string section;  // training only
    int32_t questionCount = 0;
    int32_t poolSize = 0;  // questions in the part's pool
    std::string timeText;
    std::string dark, middle, light, title;
    pf::TStringList selected;
    std::string sheetId;
  };
  bool LoadOwnList(const std::string& path);
  bool SelectFromOwnList(const QuestionList& ownList, pf::TStringList& selected);
  bool WriteSheet(Sheet& sheet);
  void WriteSheetHeader(const Sheet& sheet, const std::string& version, pf::TStringList& page);
  void WriteQuestionBlock(const Sheet& sheet, const QuestionRecord& record, int index, const pf::TStrings& order,
                          pf::TStringList& page, pf::TStrings& key);
  // A sheet written in this run, kept so that it can be graded by its own questions and class also after newer
  // sheets were drawn.
  struct SheetRecord {
    char part, cls;
    std::string id;
    std::string section;                 // training sheets only
    std::vector<std::string> questions;  // identifiers in sheet order
  };
  // What the evaluation page and the log lines say about one graded sheet.
  struct Evaluation {
    char part = 'T', cls = 'A';
    std::string sheetId;
    bool training = false;
    std::string dark, middle, light, title, timeText;
    int32_t questionCount = 0, minutes = 0;
    int answered = 0, right = 0, percentage = 0;
    bool passed = false;
    std::string wrong;  // identifiers of the wrongly answered questions, each followed by a blank
  };
  void WriteEvaluationHead(const Evaluation& e, pf::TStringList& page);
  void GradeQuestions(Evaluation& e, const pf::TStrings& lines, pf::TStringList& page);
  void WriteEvaluationFoot(const Evaluation& e, pf::TStringList& page);
  const SheetRecord* FindSheet(char part, char cls, const std::string& id) const;
  const SheetRecord* FindSubmittedSheet(char part, const std::string& id, const pf::TStrings& results) const;
  void WriteAnswerListPage(const Sheet& sheet, const pf::TStrings& key, pf::TStringList& page);
  // The head of the engine's pages, from "<html>" to the "top" anchor: title, the Latin-1 meta line, pexu2.css.
  void AddPageHead(pf::TStringList& page, const std::string& title);
  void SavePage(const std::string& fileName, const pf::TStrings& lines);
  void NotePagePart(const std::string& fileName, char part, char cls);
  void ShowPage(const std::string& fileName);
  std::string HtmlPath(const std::string& name) const;
  bool SaveExamLog(const std::string& header, const std::string& result);

  AppState& state_;
  EnginePort& port_;
  std::unique_ptr<zip::TZipReader> unzipper_;  // the main window's Unzipper
  EntryExtractor extractor_;
  std::vector<SheetRecord> sheets_;  // newest last
  struct PageRecord {
    std::string path;
    char part, cls;
  };
  std::vector<PageRecord> pageParts_;  // the pages written with question links, each once
};

// Warning texts shared by the readers.
std::string MissingFileText(const std::string& path);  // "Die Datei " + path + " existiert nicht."

// The contact address of the pages' mail links, and such a link with company as its text.
constexpr const char* ContactAddress = "pexu-team@example.org";
std::string MailLink(const std::string& company);
// Adds fixed lines to a page under construction.
void AddLines(pf::TStrings& page, std::initializer_list<std::string_view> lines);
// The rows of a question on a page, each on the background colour: its text, its picture (a path "./pics/..."
// written below root) and one answer line ("R:..." or "W:..."), whose "./pics" become root + "/pics". The answer's
// first cell is a radio button named id with the value "R" or "W" + position, or empty when id is empty.
void WriteQuestionTextRow(pf::TStrings& page, const std::string& colour, const std::string& text);
void WritePictureRow(pf::TStrings& page, const std::string& colour, const std::string& root,
                     const std::string& picture);
void WriteAnswerRow(pf::TStrings& page, const std::string& colour, const std::string& root, std::string answer,
                    const std::string& id, int position);
// Page dates "dd.mm.yyyy  hh:mm:ss" (two blanks) and log dates "dd.mm.yyyy hh:mm:ss".
std::string PageDate();
std::string LogDate();

}  // namespace engine
