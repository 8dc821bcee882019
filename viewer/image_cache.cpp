// The image cache with its reference counts and ageing, and the document's fetching of pictures through it.
#include "viewer/image_cache.h"

#include "platform/core/strings.h"
#include "viewer/animated_images.h"
#include "viewer/borders.h"
#include "viewer/section_list.h"

namespace viewer {

TBitmapItem::TBitmapItem(TLoadedImage image, std::unique_ptr<pf::TBitmap> mask, TTransparency transparency)
    : Transp(mask ? transparency : tkNone), MImage(std::move(image)), Mask(std::move(mask)) {}

TImageRef TBitmapItem::Answer(TMaskRequest request, TTransparency& transparency, pf::TBitmap*& mask) {
  const TImageRef image = Image();
  transparency = Transp;
  mask = Mask.get();
  auto* const* bitmap = std::get_if<pf::TBitmap*>(&image);
  if (mask || !bitmap || request != mrOwnMask || !(*bitmap)->Transparent()) return image;
  // The bitmap stays transparent, so that requests without the mask still draw it so.
  if (!OwnMask) OwnMask = (*bitmap)->CreateMask((*bitmap)->TransparentColor());
  transparency = tkOwnMask;
  mask = OwnMask.get();
  return image;
}

// Names as the file system tells them apart: letter case counts.
std::string ImageCacheKey(const std::string& name) { return pf::Trim(name); }

// ---- the cache ----

TStringBitmapList::TStringBitmapList() {
  SetCaseSensitive(true);
  SetSorted(true);
  SetDuplicates(pf::dupError);
  pf::LoadGdiPlus();
}

TStringBitmapList::~TStringBitmapList() {
  Clear();
  pf::UnloadGdiPlus();
}

int TStringBitmapList::AddObject(const std::string& key, std::unique_ptr<TBitmapItem> item) {
  const int index = pf::TStringList::AddObject(key, item.get());  // a key already cached raises: item stays ours
  item.release()->UsageCount++;
  return index;
}

TImageRef TStringBitmapList::UseImage(int index) {
  TBitmapItem* item = Item(index);
  item->AccessCount = 0;
  item->UsageCount++;
  return item->Image();
}

void TStringBitmapList::ReleaseUsage(const std::string& key) {
  int index = -1;
  if (Find(key, index) && Item(index)->UsageCount > 0) Item(index)->UsageCount--;
}

void TStringBitmapList::FreeUnused(int32_t maxAge) {
  for (int i = Count() - 1; i >= 0; --i) {
    TBitmapItem* item = Item(i);
    if (item->AccessCount > maxAge && item->UsageCount < 1) {
      Delete(i);
      delete item;
    }
  }
}

void TStringBitmapList::AgeAndPurge() {
  for (int i = 0; i < Count(); ++i) Item(i)->AccessCount++;
  FreeUnused(MaxCache);
}

void TStringBitmapList::ApplyCacheLimit(int32_t n) {
  FreeUnused(n);
  MaxCache = n;
}

void TStringBitmapList::Clear() {
  for (int i = 0; i < Count(); ++i) delete Item(i);
  pf::TStringList::Clear();
}

// ---- fetching a document's picture ----

namespace {

constexpr pf::TColor kNoColor = static_cast<pf::TColor>(-1);  // the bitmap handler gave no transparent colour

pf::TObject* SenderOf(const TSectionList& document) {
  return document.TheOwner ? document.TheOwner->Sender() : nullptr;
}

// The bitmap handler's picture, with a mask of the colour it named.
TLoadedImage FromBitmapHandler(TSectionList& document, const std::string& name, TTransparency& transparency,
                               std::unique_ptr<pf::TBitmap>& mask) {
  pf::TBitmap* given = nullptr;
  pf::TColor color = kNoColor;
  document.OnBitmapRequest(SenderOf(document), name, given, color);
  if (!given) return std::monostate();
  std::unique_ptr<pf::TBitmap> bitmap(given);  // the cache owns what the handler gives
  if (color != kNoColor) {
    mask = ExtractMaskBitmap(*bitmap, true, color);
    transparency = tkGivenMask;
  }
  return bitmap;
}

// The image handler's stream: GIF data as an animated image or a frame bitmap, other data as pictures; no stream
// means the file of the expanded name.
TLoadedImage FromImageHandler(TSectionList& document, const std::string& name, TTransparency& transparency,
                              std::unique_ptr<pf::TBitmap>& mask, bool& delayed) {
  pf::TMemoryStream* stream = nullptr;
  document.OnImageRequest(SenderOf(document), name, stream);
  if (stream && stream == ImageWaitStream()) {
    delayed = true;
    return std::monostate();
  }
  if (!stream) {
    const std::string file = document.TheOwner ? document.TheOwner->ExpandFileName(name) : name;
    return LoadImageFile(file, transparency, mask);
  }
  const TImageKind kind = DetectImageType(*stream);
  if (kind == ikGif87 || kind == ikGif89) {
    TLoadedImage gif = LoadGifStream(*stream, transparency, mask);
    if (!IsEmpty(RefOf(gif))) return gif;
  }
  return ReadImageStream(*stream, transparency, mask);
}

}  // namespace

TImageRef FetchImage(TSectionList& document, const std::string& name, TMaskRequest request, TTransparency& transparency,
                     pf::TBitmap*& mask, bool& fromCache, bool& delayed) {
  fromCache = delayed = false;
  transparency = tkNone;
  mask = nullptr;
  TStringBitmapList* cache = document.BitmapList;
  if (pf::Trim(name).empty() || !cache) return std::monostate();
  const std::string key = ImageCacheKey(name);
  int index = -1;
  if (cache->Find(key, index)) {
    fromCache = true;
    cache->UseImage(index);
    return cache->Item(index)->Answer(request, transparency, mask);
  }
  std::unique_ptr<pf::TBitmap> givenMask;
  TLoadedImage loaded;
  if (!document.OnBitmapRequest && !document.OnImageRequest) {
    loaded = LoadImageFile(name, transparency, givenMask);
  } else {
    if (document.OnBitmapRequest) loaded = FromBitmapHandler(document, name, transparency, givenMask);
    if (IsEmpty(RefOf(loaded)) && document.OnImageRequest)
      loaded = FromImageHandler(document, name, transparency, givenMask, delayed);
  }
  if (IsEmpty(RefOf(loaded))) {
    transparency = tkNone;
    return std::monostate();
  }
  index = cache->AddObject(key, std::make_unique<TBitmapItem>(std::move(loaded), std::move(givenMask), transparency));
  return cache->Item(index)->Answer(request, transparency, mask);
}

}  // namespace viewer
