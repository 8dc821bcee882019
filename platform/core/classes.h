// String lists: TStrings and TStringList with the semantics of the classic class library.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Lines are stored as Latin-1 bytes, unchanged. Loading splits at CR LF, LF or a lone CR and adds no empty line
// after a final line break; saving writes CR LF after every line. Objects are opaque pointers the list does not own.
class TStrings {
 public:
  virtual ~TStrings() = default;

  virtual int Count() const = 0;
  virtual const std::string& Get(int index) const = 0;  // index out of range: EListError
  virtual void Put(int index, std::string s) = 0;
  virtual void* GetObject(int index) const = 0;
  virtual void PutObject(int index, void* object) = 0;
  virtual void Insert(int index, std::string s) = 0;
  virtual void InsertObject(int index, std::string s, void* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual int Add(std::string s);  // returns the index
  virtual int AddObject(std::string s, void* object);
  virtual int IndexOf(std::string_view s) const;  // Latin-1 case-insensitive; -1 when absent
  int IndexOfObject(const void* object) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);

  const std::string& operator[](int index) const { return Get(index); }
  const std::string& Strings(int index) const { return Get(index); }
  void* Objects(int index) const { return GetObject(index); }

  void Assign(const TStrings& source);
  void AddStrings(const TStrings& source);
  bool Equals(const TStrings& other) const;

  // Lines joined with CR LF after each; SetText splits like loading does.
  std::string Text() const;
  void SetText(std::string_view text);
  // Comma-separated, items with blanks, commas or quotes double-quoted (quotes doubled).
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  // "name=value" lines. Names are compared Latin-1 case-insensitively.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  std::string Values(std::string_view name) const;
  void SetValue(std::string_view name, std::string_view value);  // empty value deletes the line
  int IndexOfName(std::string_view name) const;

  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);  // ResolvePath; EFOpenError
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& fileName) const;  // atomically; EFCreateError

  // Batches changes: a list with change events reports one change when the outermost EndUpdate is reached.
  void BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
  }
  void EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
  }
  int UpdateCount() const { return updateCount_; }

 protected:
  // Helper for derived classes: raises EListError "List index out of bounds (%d)".
  [[noreturn]] static void IndexError(int index);
  // Called when an update batch begins (true) and ends (false).
  virtual void SetUpdateState(bool updating) {}
  // Replaces the content with lines (what SetText and the loaders split). The default clears and adds one by one.
  virtual void SetLines(std::vector<std::string> lines);

 private:
  int updateCount_ = 0;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  TStringList(const TStringList& other);
  TStringList& operator=(const TStringList& other);

  int Count() const override { return static_cast<int>(items_.size()); }
  const std::string& Get(int index) const override;
  void Put(int index, std::string s) override;  // on a sorted list: EListError "Operation not allowed on sorted list"
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  void Insert(int index, std::string s) override;  // sorted list: EListError as Put
  void InsertObject(int index, std::string s, void* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(std::string s) override { return AddObject(std::move(s), nullptr); }
  // Sorted: at its place; dupIgnore drops an equal string (its object stays) and returns its index, dupError raises
  // EListError "String list does not allow duplicates". One change event with the object already in place.
  int AddObject(std::string s, void* object) override;
  int IndexOf(std::string_view s) const override;  // binary search when sorted

  // Binary search on a sorted list: true when found; index is where s is or would be inserted (the first equal).
  bool Find(std::string_view s, int& index) const;
  void Sort();
  // compare(list, i, j) < 0 when item i goes before item j. Stable.
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);  // sorting on
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool caseSensitive);

  std::function<void(TStringList&)> OnChange;
  std::function<void(TStringList&)> OnChanging;

 protected:
  int CompareStrings(std::string_view a, std::string_view b) const;
  void SetUpdateState(bool updating) override;
  // In one step: a sorted list sorts the lines once instead of inserting each at its place. A refused duplicate
  // leaves the list as it was.
  void SetLines(std::vector<std::string> lines) override;

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  void Changing();
  void Changed();
  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace pf
