// The document root from inside, over objects with known answers: layout one below the other, the point and
// position queries, selected text, inline borders, the animation timer and the print copy.
#include <gtest/gtest.h>

#include "platform/core/codepage.h"
#include "platform/graphics/bitmap.h"
#include "platform/ui/extctrls.h"
#include "tests/gif/giflib_oracle.h"
#include "viewer/animated_images.h"
#include "viewer/section_list.h"

namespace {

using namespace viewer;

// An object of a given height that holds the document positions of its text (from StartCurs) and, at source
// position sourceStart on, the same text in the source.
class FakeObject : public TSectionBase {
 public:
  FakeObject(TSectionList* list, std::u16string text, int32_t height, int32_t sourceStart)
      : TSectionBase(list), Text(std::move(text)), Height(height), SourceStart(sourceStart) {}
  FakeObject(TSectionList* list, const FakeObject& source)
      : TSectionBase(list, source), Text(source.Text), Height(source.Height), SourceStart(source.SourceStart) {}

  std::unique_ptr<TSectionBase> CreateClone(TSectionList* ownerList) const override {
    return std::make_unique<FakeObject>(ownerList, *this);
  }
  int32_t ComputeLayout(pf::TCanvas&, const pf::TRect&, IndentManager&, int32_t x, int32_t y, int32_t, int32_t,
                        int32_t& curs, int32_t& maxWidth) override {
    StartCurs = curs;
    Len = static_cast<int32_t>(Text.size());
    curs += Len;
    YPosition = ContentTop = DrawTop = y;
    ContentBottom = DrawBottom = y + Height;
    maxWidth = 10 * Len;
    return Height;
  }
  int GetLinkAt(pf::TCanvas&, int32_t, int32_t, std::unique_ptr<TUrlTarget>&, TFormControlObj*&,
                std::string& title) override {
    title = pf::Latin1ToUtf8(std::string(Text.begin(), Text.end()));
    return 4;
  }
  bool Holds(int32_t position) const { return position >= StartCurs && position < StartCurs + Len; }
  bool GetPositionXY(pf::TCanvas&, int32_t docPos, int32_t& x, int32_t& y) override {
    if (!Holds(docPos)) return false;
    x = 10 * (docPos - StartCurs);
    y = ContentTop;
    return true;
  }
  int32_t MapToDocPos(int32_t sourcePos, bool) override {
    const int32_t offset = sourcePos - SourceStart;
    return offset >= 0 && offset < Len ? StartCurs + offset : -1;
  }
  void CollectSelectedText(SelTextCount& collector) override {
    const int32_t from = std::max(OwnerList->SelB, StartCurs) - StartCurs;
    const int32_t to = std::min(OwnerList->SelE, StartCurs + Len) - StartCurs;
    if (to > from) collector.AddChars(Text.data() + from, to - from);
  }

  std::u16string Text;
  int32_t Height, SourceStart;
};

struct Document {
  Document() {
    list.TFreeList<TSectionBase>::Add(std::make_unique<FakeObject>(&list, u"abcd", 20, 100));
    list.TFreeList<TSectionBase>::Add(std::make_unique<FakeObject>(&list, u"efgh", 30, 200));
  }
  int32_t Layout() {
    int32_t width = 0;
    return list.ComputeLayout(bitmap.Canvas(), {0, 0, 300, 200}, width);
  }
  TSectionList list{nullptr, nullptr};
  pf::TBitmap bitmap;
};

TEST(SectionList, ObjectsLieOneBelowTheOtherAndAnswerByPositionAndPoint) {
  Document doc;
  EXPECT_EQ(doc.Layout(), 50);
  EXPECT_EQ(doc.list.Len, 8);
  ASSERT_EQ(doc.list.PositionList.size(), 2u);
  int32_t top = -1;
  int index = -1;
  EXPECT_EQ(doc.list.FindSectionAtY(25, top, index), doc.list[1]);
  EXPECT_EQ(top, 20);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(doc.list.FindSectionAtY(-1, top, index), nullptr);
  // Only the object whose band holds the point answers.
  std::unique_ptr<TUrlTarget> link;
  TFormControlObj* control = nullptr;
  std::string title;
  for (auto [y, expected] : {std::pair{5, "abcd"}, {25, "efgh"}, {60, ""}}) {
    title.clear();
    EXPECT_EQ(doc.list.GetLinkAt(doc.bitmap.Canvas(), 0, y, link, control, title), *expected ? 4 : 0) << y;
    EXPECT_EQ(title, expected) << y;
  }
  struct Case {
    int32_t position, x, y;
  } cases[] = {{5, 10, 20}, {7, 30, 20}, {8, 30, 35}, {100, 30, 35}};  // at and past the end: the last, 15 lower
  for (const Case& c : cases) {
    int32_t x = -1, y = -1;
    EXPECT_TRUE(doc.list.GetPositionXY(doc.bitmap.Canvas(), c.position, x, y)) << c.position;
    EXPECT_EQ(x, c.x) << c.position;
    EXPECT_EQ(y, c.y) << c.position;
  }
  // Source positions: held ones map into the text, others to the document's length.
  EXPECT_EQ(doc.list.MapToDocPos(202), 6);
  EXPECT_EQ(doc.list.MapToDocPos(150), 8);
  // A named position in the text scrolls to its line.
  doc.list.IDNameList.AddCharPosition("x", 201);
  TIDObject* named = nullptr;
  ASSERT_TRUE(doc.list.IDNameList.Find("X", named));
  EXPECT_EQ(named->GetPositionY(), 20);
}

TEST(SectionList, SelectedTextIsCountedAndCopiedWithinTheBuffer) {
  Document doc;
  doc.Layout();
  std::u16string buffer(8, u'#');
  struct Case {
    int32_t selB, selE, size, count, copied;
    std::u16string text;
  } cases[] = {
      {2, 7, 8, 5, 6, u"cdefg"},
      {2, 7, 4, 5, 4, u"cde"},  // the 0 always fits
      {3, 3, 1, 0, 1, u""},
      {3, 3, 0, 0, 0, u"########"},  // no selection
  };
  for (const Case& c : cases) {
    buffer.assign(8, u'#');
    doc.list.SelB = c.selB;
    doc.list.SelE = c.selE;
    EXPECT_EQ(doc.list.CountSelectedChars(), c.count);
    EXPECT_EQ(doc.list.CopySelectedTextToBuffer(buffer.data(), c.size), c.copied);
    EXPECT_EQ(std::u16string(buffer.c_str()), c.text) << c.selB << " " << c.size;
  }
}

TEST(SectionList, InlineBordersConvertToDocumentPositionsOnNeed) {
  Document doc;
  doc.Layout();
  for (auto [start, end] : {std::pair{101, 203}, {202, 202}}) {
    auto record = std::make_unique<InlineRec>();
    record->StartSource = start;
    record->EndSource = end;
    doc.list.InlineList->Add(std::move(record));
  }
  doc.list.InlineList->NeedsConverting = true;
  EXPECT_EQ(doc.list.InlineList->StartOf(0), 1);
  EXPECT_EQ(doc.list.InlineList->EndOf(0), 7);
  EXPECT_EQ(doc.list.InlineList->StartOf(1), 5);  // an empty span starts one before its end
  EXPECT_EQ(doc.list.InlineList->EndOf(1), 6);
  EXPECT_EQ(doc.list.InlineList->StartOf(5), 99999999);
  EXPECT_EQ(doc.list.InlineList->EndOf(-1), 99999999);
}

class Animation : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAnimationClock([this] { return now; });
    giftest::OracleGif gif;
    gif.width = gif.height = 2, gif.globalMap = {0, 0, 0, 255, 0, 0}, gif.loops = 0;
    for (uint8_t colour : {0, 1}) {
      giftest::OracleFrame frame;
      frame.width = frame.height = 2, frame.pixels = std::vector<uint8_t>(4, colour), frame.delay = 5;
      gif.frames.push_back(frame);
    }
    const std::vector<uint8_t> bytes = giftest::GiflibWrite(gif);
    pf::TReadOnlyMemoryStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    bool nonAnimated = false;
    image = CreateGifImageFromStream(nonAnimated, in);
  }
  void TearDown() override { SetAnimationClock(nullptr); }
  uint32_t now = 1000;
  std::unique_ptr<TgfAnimatedImage> image;
};

// The timer runs exactly while the document has animated pictures: 50 ms to the first step, then 40 ms; a print
// copy has none and never animates.
TEST_F(Animation, TheTimerRunsWhileTheDocumentHasAnimatedPictures) {
  pf::TPanel panel(nullptr);
  Document doc;
  doc.Layout();
  ASSERT_TRUE(doc.list.Timer);
  EXPECT_FALSE(doc.list.Timer->Enabled());
  doc.list.Paint(doc.bitmap.Canvas(), {0, 0, 300, 200}, 0);
  EXPECT_FALSE(doc.list.Timer->Enabled());

  doc.list.PPanel = &panel;
  doc.list.AGifList.push_back(image.get());
  doc.Layout();
  EXPECT_TRUE(doc.list.Timer->Enabled());
  EXPECT_EQ(doc.list.Timer->Interval(), TSectionList::kFirstAnimationInterval);
  EXPECT_TRUE(image->Animate());
  image->ShowIt = true;
  now += 60;
  doc.list.AnimationTimerTick();
  EXPECT_EQ(image->CurrentFrame(), 2);
  EXPECT_EQ(doc.list.Timer->Interval(), TSectionList::kAnimationInterval);

  TSectionList copy(doc.list);
  EXPECT_TRUE(copy.IsCopy);
  EXPECT_EQ(copy.PPanel, nullptr);
  EXPECT_EQ(copy.InlineList, doc.list.InlineList);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy[1]->OwnerList, &copy);
  copy.AGifList.push_back(image.get());
  int32_t width = 0;
  EXPECT_EQ(copy.ComputeLayout(doc.bitmap.Canvas(), {0, 0, 300, 200}, width), 50);
  EXPECT_FALSE(copy.Timer);
  EXPECT_FALSE(image->Animate());
  EXPECT_TRUE(copy.PositionList.empty());
}

}  // namespace
