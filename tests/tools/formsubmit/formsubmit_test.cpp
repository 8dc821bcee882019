// formsubmit as a black box: what each kind of control submits when set through its window, and the exam road
// end to end: the static pages start a sheet of each part, the engine writes it, formsubmit answers it and the
// engine grades exactly the answers given.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace fs = std::filesystem;

namespace {

struct Output {
  std::string text;
  int status = -1;
};

Output Execute(const std::string& program, const std::string& arguments) {
  int wait = -1;
  Output out;
  out.text = enginetest::RunCommand(program + " " + arguments + " 2>/dev/null", &wait);
  out.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return out;
}

// The output's lines joined by "|".
std::string Joined(const std::string& text) {
  std::string joined = text;
  while (!joined.empty() && joined.back() == '\n') joined.pop_back();
  std::replace(joined.begin(), joined.end(), '\n', '|');
  return joined;
}

// A sheet in the shape the engine writes: the submit button in the foot before the questions, each question's
// radio buttons followed by its hidden "=N" field, the part and sheet fields last.
const char* const kSheet =
    "<form name=\"formular\" action=\"PexuA\" method=\"post\"><table><tfoot><tr><td>"
    "<input type=\"submit\" value=\" auswerten \"></td></tr></tfoot><tbody>"
    "<tr><td><input type=\"radio\" name=\"TA107\" value=\"W1\"><input type=\"radio\" name=\"TA107\" value=\"W2\">"
    "<input type=\"radio\" name=\"TA107\" value=\"R3\"><input type=\"radio\" name=\"TA107\" value=\"W4\">"
    "<input type=\"hidden\" name=\"TA107\" value=\"N\"></td></tr>"
    "<tr><td><input type=\"radio\" name=\"TA108\" value=\"R1\"><input type=\"radio\" name=\"TA108\" value=\"W2\">"
    "<input type=\"hidden\" name=\"TA108\" value=\"N\"></td></tr></tbody></table>"
    "<input type=\"hidden\" name=\"teil\" value=\"A\"><input type=\"hidden\" name=\"gebiet\" value=\"T\">"
    "<input type=\"hidden\" name=\"testid\" value=\"17\"></form>";

const char* const kSmallSheet =
    "<form name=\"formular\" action=\"PexuA\" method=\"post\">"
    "<input type=\"radio\" name=\"TA101\" value=\"W1\"><input type=\"radio\" name=\"TA101\" value=\"R2\">"
    "<input type=\"hidden\" name=\"TA101\" value=\"N\"><input type=\"submit\" value=\" auswerten \">"
    "<input type=\"hidden\" name=\"teil\" value=\"A\"><input type=\"hidden\" name=\"d\" value=\"1\" disabled></form>";

const char* const kKinds =
    "<form><input type=checkbox name=c checked><textarea name=t>a\r\n<b>&lt;</textarea><select name=s><option "
    "value=1>One<option selected>Two</select><input type=text name=e value=\"  v \"></form>";

TEST(FormSubmit, EachKindOfControlSubmitsAsSetThroughItsWindow) {
  enginetest::TempDir dir;
  const std::string head = "TARGET |ENCTYPE |";
  struct Case {
    std::string page, arguments, expected;
  } cases[] = {
      // The exam road: a checked radio's pair, then its group's hidden field; the unnamed button adds nothing, a
      // disabled field nothing either.
      {kSmallSheet, "--check TA101=R2 --press-submit",
       "ACTION PexuA|" + head +
           "METHOD post|RESULT TA101=R2|"
           "RESULT TA101=N|RESULT teil=A"},
      {kSmallSheet, "--press-submit", "ACTION PexuA|" + head + "METHOD post|RESULT TA101=N|RESULT teil=A"},
      {kSheet, "--check TA107=R3 --press-submit 1",
       "ACTION PexuA|" + head +
           "METHOD post|RESULT TA107=R3|RESULT TA107=N|RESULT TA108=N|RESULT teil=A|"
           "RESULT gebiet=T|RESULT testid=17"},
      {kSheet, "--check TA107=W1 --check TA107=R3 --press-submit",
       "ACTION PexuA|" + head +
           "METHOD post|RESULT TA107=R3|RESULT TA107=N|RESULT TA108=N|RESULT teil=A|"
           "RESULT gebiet=T|RESULT testid=17"},
      // Enter in an edit box adds no button pair; a hard line break stays CR LF; the option's value goes.
      {kKinds, "--enter e", "ACTION |" + head + "METHOD get|RESULT c=on|RESULT t=a\\r\\n<b><|RESULT s=Two|RESULT e=v"},
      {kKinds, "--check c=on --text t=\xC3\xA4x --select s=1 --text e=w --enter e",
       "ACTION |" + head + "METHOD get|RESULT c=on|RESULT t=\xC3\xA4x|RESULT s=1|RESULT e=w"},
      {"<form action=x><input type=checkbox name=c checked><input type=checkbox name=d value=x>"
       "<input type=text name=e disabled value=z><input type=submit name=go value=Send></form>",
       "--press-submit", "ACTION x|" + head + "METHOD get|RESULT c=on|RESULT go=Send"},
      {"<form><input name=q value=\"a=b&amp;c\"></form>", "--enter q", "ACTION |" + head + "METHOD get|RESULT q=a=b&c"},
      {"<form action=i><input type=image name=map src=b.gif></form>", "--click-image map 5 7",
       "ACTION i|" + head + "METHOD get|RESULT map.x=5|RESULT map.y=7"},
      {"<form action=i><input type=image src=b.gif></form>", "--click-image '' 5 7",
       "ACTION i|" + head + "METHOD get|RESULT x=5|RESULT y=7"},
      {"<form method=postal><select name=s multiple><option value=1>A<option selected>B<option selected "
       "value=3>C</select><input type=submit></form>",
       "--press-submit", "ACTION |" + head + "METHOD post|RESULT s=B|RESULT s=3"},
      {"<form><select name=s multiple size=2><option>A<option>B<option>C</select><input type=submit></form>",
       "--select s=C --select s=A --press-submit", "ACTION |" + head + "METHOD get|RESULT s=A|RESULT s=C"},
      {"<form action=one><input type=hidden name=a value=1><input type=submit></form><form action=two target=t "
       "enctype=e><input type=hidden name=b value=2><input type=submit name=x value=y></form>",
       "--press-submit 2", "ACTION two|TARGET t|ENCTYPE e|METHOD get|RESULT b=2|RESULT x=y"},
      // The static pages: each button starts its part with its own form.
      {"@klasseE.html", "--press-submit 2", "ACTION PexuTE|" + head + "METHOD post|RESULT teil=B"},
      {"@trainingA.html", "--press-submit", "ACTION PexuUA|" + head + "METHOD post|RESULT teil=T|RESULT abschnitt=TA1"},
      {"@trainingE.html", "--select abschnitt=VC1 --press-submit 3",
       "ACTION PexuUE|" + head + "METHOD post|RESULT teil=V|RESULT abschnitt=VC1"},
      // Nothing submitted: a disabled button takes no click.
      {"<form><input type=submit disabled></form>", "--press-submit", "NONE"},
  };
  for (const Case& c : cases) {
    std::string file = dir.File("page.html");
    if (c.page.starts_with('@'))
      file = std::string(PEXU_SOURCE_DIR) + "/resources/html/" + c.page.substr(1);
    else
      enginetest::WriteFile(file, c.page);
    const Output out = Execute(PEXU_FORMSUBMIT, "'" + file + "' " + c.arguments);
    EXPECT_EQ(Joined(out.text), c.expected) << c.page << " " << c.arguments;
    EXPECT_EQ(out.status, 0) << c.arguments;
  }
}

TEST(FormSubmit, BadInputIsNamedAndExitsWithTwo) {
  enginetest::TempDir dir;
  enginetest::WriteFile(dir.File("page.html"), kSmallSheet);
  const std::string page = "'" + dir.File("page.html") + "' ";
  for (const std::string& arguments : std::vector<std::string>{
           page + "--check TA101=R9 --press-submit", page + "--press-submit 2", page + "--enter TA101",
           page + "--select TA101=N --press-submit", page + "--check TA101", page, "--press-submit",
           "'" + dir.File("missing.html") + "' --press-submit", page + "--press-submit --enter x"}) {
    const Output out = Execute(PEXU_FORMSUBMIT, arguments);
    EXPECT_EQ(out.status, 2) << arguments;
    EXPECT_EQ(out.text, "") << arguments;
  }
}

// One question of a sheet: its identifier, its right answer's value and one wrong one.
struct Question {
  std::string id, right, wrong;
};

std::vector<Question> QuestionsOf(const std::string& sheet) {
  std::vector<Question> questions;
  const std::regex radio("<input type=\"radio\" name=\"([A-Z0-9]{5})\" value=\"([RW])([1-4])\">");
  for (std::sregex_iterator it(sheet.begin(), sheet.end(), radio), end; it != end; ++it) {
    if (questions.empty() || questions.back().id != (*it)[1]) questions.push_back({(*it)[1], "", ""});
    ((*it)[2] == "R" ? questions.back().right : questions.back().wrong) = (*it)[2].str() + (*it)[3].str();
  }
  return questions;
}

// The evaluation page's verdicts in order: "ok", "falsch" or "nicht bearbeitet" per question identifier.
std::vector<std::pair<std::string, std::string>> Verdicts(const std::string& page) {
  std::vector<std::pair<std::string, std::string>> verdicts;
  const std::regex row("<b>([A-Z0-9]{5})</b>[\\s\\S]*?<font color=\"#[0-9a-f]{6}\">(ok|falsch|nicht bearbeitet)<");
  for (std::sregex_iterator it(page.begin(), page.end(), row), end; it != end; ++it)
    verdicts.emplace_back((*it)[1], (*it)[2]);
  return verdicts;
}

std::string Arguments(const std::string& text) {
  std::string arguments;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    if (line.starts_with("RESULT ")) arguments += " '" + line.substr(7) + "'";
    if (end == std::string::npos) break;
  }
  return arguments;
}

// Every part of both classes: a static page's button starts the sheet, formsubmit answers all right, none, or
// a mix (right, wrong, open in turn), and the engine grades each question as answered.
TEST(FormSubmit, TheEngineGradesExactlyTheAnswersGivenThroughTheSheet) {
  struct Part {
    const char* page;
    int button;
    const char* code;
  } parts[] = {
      {"klasseA.html", 1, "TA"}, {"klasseE.html", 1, "TE"}, {"klasseE.html", 2, "BE"}, {"klasseE.html", 3, "VE"}};
  const std::string program = std::string(PEXU_SOURCE_DIR) + "/resources";
  for (const Part& part : parts) {
    enginetest::TempDir data;
    fs::create_directories(data.File("Fragen"));
    fs::copy_file(PEXU_CATALOGUE, data.File("Fragen/KAEFragen.qst"));
    const std::string driver =
        std::string(PEXU_DRIVER) + " --program '" + program + "' --data '" + data.Path() + "' --seed 7 submit";
    const Output start = Execute(
        PEXU_FORMSUBMIT, "'" + program + "/html/" + part.page + "' --press-submit " + std::to_string(part.button));
    const std::string action = start.text.substr(7, start.text.find('\n') - 7);
    ASSERT_EQ(action.substr(0, 5), "PexuT") << part.code;
    ASSERT_EQ(Execute(driver, action + Arguments(start.text)).status, 0) << part.code;
    const std::string sheetFile = data.File("html/LetztePruefung.html");
    const std::string sheet = enginetest::ReadFile(sheetFile);
    const std::vector<Question> questions = QuestionsOf(sheet);
    ASSERT_GE(questions.size(), 10u) << part.code;
    EXPECT_NE(sheet.find("name=\"gebiet\" value=\"" + std::string(1, part.code[0]) + "\""), std::string::npos);
    EXPECT_NE(sheet.find(std::string("Klasse ") + part.code[1]), std::string::npos);

    for (const char* choice : {"right", "none", "mix"}) {
      std::string checks;
      std::vector<std::pair<std::string, std::string>> expected;
      for (size_t i = 0; i < questions.size(); ++i) {
        const int kind = std::string(choice) == "right" ? 0 : std::string(choice) == "none" ? 2 : int(i % 3);
        if (kind < 2)
          checks += " --check " + questions[i].id + "=" + (kind == 0 ? questions[i].right : questions[i].wrong);
        expected.emplace_back(questions[i].id, kind == 0 ? "ok" : kind == 1 ? "falsch" : "nicht bearbeitet");
      }
      const Output answers = Execute(PEXU_FORMSUBMIT, "'" + sheetFile + "'" + checks + " --press-submit");
      ASSERT_EQ(answers.text.substr(0, 12), "ACTION PexuA") << part.code << " " << choice;
      ASSERT_EQ(Execute(driver, "PexuA" + Arguments(answers.text)).status, 0);
      const std::string evaluation = enginetest::ReadFile(data.File("html/LetzteAuswertung.html"));
      EXPECT_EQ(Verdicts(evaluation), expected) << part.code << " " << choice;
      const size_t right = std::count_if(expected.begin(), expected.end(), [](auto& v) { return v.second == "ok"; });
      EXPECT_NE(evaluation.find(std::to_string(right) + " von " + std::to_string(questions.size()) + " Fragen ="),
                std::string::npos)
          << part.code << " " << choice;
    }
  }
}

}  // namespace
