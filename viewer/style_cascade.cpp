// The cascade: which rules of the style list an element takes, in which order, and the four looks of a link.
#include <algorithm>

#include "platform/core/strings.h"
#include "viewer/style_properties.h"

namespace viewer {

namespace {

constexpr size_t kMaxKeyParts = 10;

TSelectorPart SplitPart(std::string_view text) {
  TSelectorPart part;
  if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
    part.pseudo = text.substr(colon + 1);
    text = text.substr(0, colon);
  }
  if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
    part.id = text.substr(hash + 1);
    text = text.substr(0, hash);
  }
  if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
    part.classes = text.substr(dot + 1);
    text = text.substr(0, dot);
  }
  part.tag = text;
  return part;
}

// The parts of a contextual key, subject first: at most ten (the rest stays in the tenth), the part count and
// sequence number taken off the second, a ">" on an ancestor part turned into its flag; empty parts left out.
std::vector<TSelectorPart> SplitKey(std::string_view key) {
  std::vector<std::string> texts;
  size_t pos = key.find_first_not_of(' ');
  while (pos != std::string_view::npos) {
    const size_t end = texts.size() + 1 == kMaxKeyParts ? key.size() : std::min(key.find(' ', pos), key.size());
    texts.emplace_back(key.substr(pos, end - pos));
    pos = key.find_first_not_of(' ', end);
  }
  std::vector<TSelectorPart> parts;
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string text = texts[i];
    if (i == 1) text.erase(0, std::min(text.size(), text.find_first_not_of("0123456789", 1)));
    bool direct = false;
    if (i >= 1 && text.find('>') != std::string::npos) {
      direct = true;
      text.erase(std::remove(text.begin(), text.end(), '>'), text.end());
    }
    if (text.empty()) continue;
    parts.push_back(SplitPart(text));
    parts.back().directParent = direct;
  }
  return parts;
}

// One class of the "."-joined list.
bool HasClass(std::string_view list, std::string_view one) {
  for (size_t start = 0; start <= list.size();) {
    const size_t dot = std::min(list.find('.', start), list.size());
    if (list.substr(start, dot - start) == one) return true;
    start = dot + 1;
  }
  return false;
}

// Every "."-separated class of wanted is in the "."-joined list have.
bool ClassesContained(std::string_view wanted, std::string_view have) {
  for (size_t start = 0; start <= wanted.size();) {
    const size_t dot = std::min(wanted.find('.', start), wanted.size());
    const std::string_view one = wanted.substr(start, dot - start);
    if (!one.empty() && !HasClass(have, one)) return false;
    start = dot + 1;
  }
  return true;
}

struct ElementKey {
  std::string_view tag, classes, id, pseudo;
};

bool FitsElement(const TSelectorPart& p, const ElementKey& e) {
  return (p.tag.empty() || p.tag == e.tag) && (p.classes.empty() || ClassesContained(p.classes, e.classes)) &&
         (p.id.empty() || p.id == e.id) &&
         (p.pseudo == e.pseudo || (p.pseudo.empty() && (e.pseudo.empty() || e.pseudo == "link")));
}

bool FitsAncestor(const TSelectorPart& p, const TProperties& a) {
  return (p.tag.empty() || p.tag == a.PropTag) && (p.classes.empty() || ClassesContained(p.classes, a.PropClass)) &&
         (p.id.empty() || p.id == a.PropID) && (p.pseudo.empty() || p.pseudo == a.PropPseudo);
}

bool AncestorsMatch(const std::vector<TSelectorPart>& parts, const std::vector<const TProperties*>& ancestors) {
  size_t next = 0;
  for (size_t i = 1; i < parts.size(); ++i) {
    for (;;) {
      if (next >= ancestors.size()) return false;
      if (FitsAncestor(parts[i], *ancestors[next++])) break;
      if (parts[i].directParent) return false;
    }
  }
  return true;
}

// Calls f with each class of a "."-joined list ("a.b" gives a and b).
template <typename F>
void ForEachClass(std::string_view classes, F f) {
  for (size_t start = 0; start < classes.size();) {
    const size_t dot = std::min(classes.find('.', start), classes.size());
    if (dot > start) f(classes.substr(start, dot - start));
    start = dot + 1;
  }
}

std::vector<std::string> SingleClasses(std::string_view classes) {
  std::vector<std::string> list;
  ForEachClass(classes, [&](std::string_view c) { list.emplace_back(c); });
  return list;
}

// What an ancestor must have for a contextual key to match, as ContextAnchors names it.
std::string AnchorOf(const std::vector<TSelectorPart>& parts) {
  std::string classMark, tagMark;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!parts[i].id.empty()) return "#" + parts[i].id;
    if (classMark.empty())
      ForEachClass(parts[i].classes, [&](std::string_view c) {
        if (classMark.empty()) classMark = "." + std::string(c);
      });
    if (tagMark.empty() && !parts[i].tag.empty()) tagMark = "<" + parts[i].tag;
  }
  return classMark.empty() ? tagMark : classMark;
}

// The rules an element takes, merged in the order of their weight.
class RuleMatcher {
 public:
  RuleMatcher(TProperties& element, const TStyleList& styles, const TPropStack& stack, const ElementKey& key,
              double parentSize, const std::vector<std::string>& classes)
      : element_(element), styles_(styles), key_(key), parentSize_(parentSize), classes_(classes), stack_(stack) {}

  // Tag, pseudo-class, classes, their combinations with pseudo-class and id, then the contextual rules. A key with a
  // class is tried for each of the element's classes and for their joined list, so that every class rule comes
  // after the tag rules and before the id rules.
  void Run(bool hoverOrVisited) {
    const std::string tag(key_.tag), id(key_.id), pseudo(key_.pseudo);
    if (tag == "a" && !pseudo.empty()) Apply("::" + pseudo);
    if (!hoverOrVisited) Apply(tag);
    if (!pseudo.empty()) Apply(":" + pseudo);
    if (!hoverOrVisited) PerClass([&](const std::string& c) { Apply("." + c), Apply(tag + "." + c); });
    if (!pseudo.empty()) {
      Apply(tag + ":" + pseudo);
      PerClass([&](const std::string& c) { Apply("." + c + ":" + pseudo), Apply(tag + "." + c + ":" + pseudo); });
    }
    if (!id.empty()) {
      Apply("#" + id);
      Apply(tag + "#" + id);
      PerClass([&](const std::string& c) { Apply("." + c + "#" + id); });
      if (!pseudo.empty()) Apply("#" + id + ":" + pseudo), Apply(tag + "#" + id + ":" + pseudo);
      PerClass([&](const std::string& c) { Apply(tag + "." + c + "#" + id); });
      if (!pseudo.empty())
        PerClass([&](const std::string& c) {
          Apply("." + c + "#" + id + ":" + pseudo), Apply(tag + "." + c + "#" + id + ":" + pseudo);
        });
    }
    Walk(tag);
    // A key's classes begin with one of the element's single classes: the joined list finds no other key.
    PerClass([&](const std::string& c) {
      if (c.find('.') == std::string::npos) Walk("." + c);
    });
    if (!pseudo.empty()) Walk(":" + pseudo);
    // Keys whose subject is an id alone ("div #x") have no other prefix to be found by.
    if (!id.empty()) Walk("#" + id);
  }

 private:
  template <typename F>
  void PerClass(F f) {
    for (const std::string& c : classes_) f(c);
  }

  void Apply(const std::string& key) {
    bool found = false;
    for (int i = styles_.LowerBound(key, found); i < styles_.Count() && styles_.Key(i) == key; ++i)
      element_.Merge(styles_.Rule(i), parentSize_);
  }

  // The contextual keys whose subject part is prefix, alone or followed by an id, classes or a pseudo-class (in
  // key order, these four ranges follow each other), each merged when it matches. Only these keys can fit the
  // element, so the walk visits no other, and no key lies in the ranges of two of the element's prefixes.
  void Walk(const std::string& prefix) {
    // Past a tag or a class, every further class of a subject must be one of the element's and its id the
    // element's, so that rules like "p a.c1", "p a.btn.c1" or "p a.btn#i1" cost only the links they name.
    const bool narrow = !prefix.empty() && prefix.find_first_of("#: ") == std::string::npos;
    found_.clear();
    probes_ = 0;
    for (const char next : {' ', '#', '.', ':'}) {
      const std::string start = prefix + next;
      if (narrow && (next == '#' || next == '.'))
        Narrow(start);
      else
        AddCandidates(Range(start));
    }
    std::sort(found_.begin(), found_.end());
    found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
    for (const int rule : found_) {
      const std::vector<TSelectorPart>& parts = styles_.ContextParts(rule);
      if (parts.size() < 2) continue;
      if (FitsElement(parts[0], key_) && AncestorsMatch(parts, Ancestors()))
        element_.Merge(styles_.Rule(rule), parentSize_);
    }
  }

  // The keys that go on from first with a class (first ends in ".") or an id ("#"). A long range is looked up only
  // where that class is none or one of the element's, or that id none or the element's, and past such a class the
  // same holds for the next class or id. A range is narrowed only while the walk's look-ups, its own included, stay
  // fewer than its keys, so that narrowing never costs more than trying the keys.
  void Narrow(const std::string& first) {
    std::vector<std::string> starts{first};
    while (!starts.empty()) {
      const std::string start = std::move(starts.back());
      starts.pop_back();
      const RuleRange range = Range(start);
      const std::ptrdiff_t size = range.second - range.first;
      if (size <= kFewRules) {
        AddCandidates(range);
        continue;
      }
      const bool id = start.back() == '#';
      const std::vector<std::string>& names = id ? IdNames() : ClassNames();
      const auto probes = static_cast<std::ptrdiff_t>(names.size() * (id ? 2 : 4));
      if (size <= probes_ + probes) {
        AddCandidates(range);
        continue;
      }
      probes_ += probes;
      for (const std::string& name : names) {
        const std::string named = start + name;
        AddCandidates(Range(named + ' '));
        AddCandidates(Range(named + ':'));
        if (!id) starts.push_back(named + '.'), starts.push_back(named + '#');
      }
    }
  }

  using RuleRange = std::pair<std::vector<int>::const_iterator, std::vector<int>::const_iterator>;

  // The contextual rules whose key begins with start, in key order.
  RuleRange Range(const std::string& start) const {
    const std::vector<int>& rules = styles_.ContextualRules();
    const auto first = std::lower_bound(rules.begin(), rules.end(), start,
                                        [this](int rule, const std::string& key) { return styles_.Key(rule) < key; });
    auto begins = [&](int rule) { return styles_.Key(rule).compare(0, start.size(), start) == 0; };
    // Most ranges looked up are empty: the first key tells so without a second search.
    if (first == rules.end() || !begins(*first)) return {first, first};
    return {first, std::partition_point(first, rules.end(), begins)};
  }

  // The rules of a range that can match here: a few are all tried; of many, only those that need no anchor or one
  // the ancestry has, so that many rules for the ancestors' classes cost only those that apply.
  void AddCandidates(const RuleRange& range) {
    const auto [first, end] = range;
    if (end - first <= kFewRules) {
      found_.insert(found_.end(), first, end);
      return;
    }
    for (const std::vector<int>* group : Groups()) {
      for (auto at = std::lower_bound(group->begin(), group->end(), *first); at != group->end() && *at <= *(end - 1);
           ++at)
        found_.push_back(*at);
    }
  }

  static constexpr std::ptrdiff_t kFewRules = 8;

  TProperties& element_;
  const TStyleList& styles_;
  ElementKey key_;
  double parentSize_;
  const std::vector<std::string>& classes_;
  // The ancestry is gathered only for a contextual rule, so that deep nesting costs nothing without such rules.
  const std::vector<const TProperties*>& Ancestors() {
    if (!ancestorsKnown_) ancestors_ = stack_.AncestorsOf(&element_);
    ancestorsKnown_ = true;
    return ancestors_;
  }
  // The groups of ContextAnchors the ancestry lets match: the one without anchor and those of the ancestors' ids,
  // classes and tags, each once.
  const std::vector<const std::vector<int>*>& Groups() {
    if (groupsKnown_) return groups_;
    const std::unordered_map<std::string, std::vector<int>>& anchors = styles_.ContextAnchors();
    std::string probe;
    auto take = [&](char kind, std::string_view name) {
      probe.assign(1, kind).append(name);
      if (const auto group = anchors.find(probe); group != anchors.end()) groups_.push_back(&group->second);
    };
    if (const auto open = anchors.find(""); open != anchors.end()) groups_.push_back(&open->second);
    for (const TProperties* a : Ancestors()) {
      if (!a->PropID.empty()) take('#', a->PropID);
      ForEachClass(a->PropClass, [&](std::string_view c) { take('.', c); });
      if (!a->PropTag.empty()) take('<', a->PropTag);
    }
    std::sort(groups_.begin(), groups_.end());
    groups_.erase(std::unique(groups_.begin(), groups_.end()), groups_.end());
    groupsKnown_ = true;
    return groups_;
  }

  const TPropStack& stack_;
  std::vector<const TProperties*> ancestors_;
  bool ancestorsKnown_ = false;
  std::vector<const std::vector<int>*> groups_;
  bool groupsKnown_ = false;
  std::vector<int> found_;  // the rules one walk tries, gathered from its ranges
  // What may follow a "." or a "#" of a subject that fits: nothing, or one of the element's classes (each once), or
  // its id. Gathered only for a long range, so that elements without such rules cost nothing more.
  const std::vector<std::string>& ClassNames() {
    if (!classNames_.empty()) return classNames_;
    classNames_.emplace_back();
    PerClass([&](const std::string& c) {
      if (c.find('.') == std::string::npos) classNames_.push_back(c);
    });
    std::sort(classNames_.begin(), classNames_.end());
    classNames_.erase(std::unique(classNames_.begin(), classNames_.end()), classNames_.end());
    return classNames_;
  }
  const std::vector<std::string>& IdNames() {
    if (idNames_.empty()) {
      idNames_.emplace_back();
      if (!key_.id.empty()) idNames_.emplace_back(key_.id);
    }
    return idNames_;
  }
  std::vector<std::string> classNames_, idNames_;
  std::ptrdiff_t probes_ = 0;  // the look-ups of the present walk's narrowing
};

// Temporary computed styles inserted above an element on the stack, removed when this goes.
class TemporaryStyles {
 public:
  TemporaryStyles(TPropStack& stack, const TProperties& element) : stack_(stack) {
    const int at = stack.IndexOf(&element);
    base_ = at >= 0 ? at + 1 : stack.Count();
  }
  ~TemporaryStyles() { PopAll(); }
  TemporaryStyles(const TemporaryStyles&) = delete;
  TemporaryStyles& operator=(const TemporaryStyles&) = delete;

  TProperties& Push(const TProperties& below) {
    TProperties& p = *stack_.Insert(base_ + count_++, std::make_unique<TProperties>());
    p.InheritFrom(below.PropTag, below);
    return p;
  }
  void PopAll() {
    for (; count_ > 0; --count_) stack_.Delete(base_);
  }

 private:
  TPropStack& stack_;
  int base_ = 0;
  int count_ = 0;
};

}  // namespace

const std::vector<TSelectorPart>& TStyleList::ContextParts(int index) const {
  const Entry& entry = Sorted().at(static_cast<size_t>(index));
  if (!entry.parts) entry.parts = std::make_unique<std::vector<TSelectorPart>>(SplitKey(entry.key));
  return *entry.parts;
}

const std::unordered_map<std::string, std::vector<int>>& TStyleList::ContextAnchors() const {
  const std::vector<int>& rules = ContextualRules();
  if (!anchorsKnown_) {
    anchors_.clear();
    for (const int rule : rules) anchors_[AnchorOf(ContextParts(rule))].push_back(rule);
    anchorsKnown_ = true;
  }
  return anchors_;
}

void TProperties::ApplyStyles(const TStyleList& styles, TPropStack& stack, std::string_view tag,
                              std::string_view classes, std::string_view id, std::string_view pseudo,
                              std::string_view title, std::shared_ptr<const TProperties> inlineStyle) {
  const std::string joined = pf::Trim(classes);
  std::vector<std::string> classList = SingleClasses(joined);
  if (classList.size() > 1) classList.push_back(joined);
  PropTag = tag;
  PropClass = joined;
  PropID = id;
  PropPseudo = pseudo;
  InlineStyle = std::move(inlineStyle);
  if (!title.empty()) PropTitle = title;

  const TPropValue& size = Props[piFontSize];
  const double parentSize =
      IsNumber(size) ? (std::holds_alternative<double>(size) ? std::get<double>(size) : std::get<int32_t>(size))
                     : DefPointSize();
  const ElementKey key{PropTag, PropClass, PropID, PropPseudo};
  RuleMatcher(*this, styles, stack, key, parentSize, classList).Run(pseudo == "hover" || pseudo == "visited");
  if (InlineStyle) Merge(*InlineStyle, parentSize);
  if (pseudo == "link") {
    BuildLinkFontInfo(styles, stack);
    IsLink = true;
  }
}

void TProperties::BuildLinkFontInfo(const TStyleList& styles, TPropStack& stack) {
  if (!LinkFontInfo) LinkFontInfo = std::make_unique<TFontInfoArray>();
  SaveBackgroundColor();
  auto& info = LinkFontInfo->Info;
  info[TFontInfoArray::fiLink] = GetFontInfo();
  TemporaryStyles temporary(stack, *this);
  auto look = [&](const TProperties& below, const char* pseudo) -> TProperties& {
    TProperties& p = temporary.Push(below);
    p.ApplyStyles(styles, stack, PropTag, PropClass, PropID, pseudo, PropTitle, InlineStyle);
    return p;
  };
  TProperties& visited = look(*this, "visited");
  info[TFontInfoArray::fiVisited] = visited.GetFontInfo();
  info[TFontInfoArray::fiVisitedHover] = look(visited, "hover").GetFontInfo();
  temporary.PopAll();
  info[TFontInfoArray::fiHover] = look(*this, "hover").GetFontInfo();
}

}  // namespace viewer
