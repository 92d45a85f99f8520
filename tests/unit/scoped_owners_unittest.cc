// The owners of base/scoped_gdi.h and base/scoped_crypt.h: move-only, a move
// hands the handle over, and the handle goes exactly once.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>
#include <objidl.h>
#include <shlwapi.h>

#include <type_traits>
#include <utility>

#include "base/scoped_com.h"
#include "base/scoped_crypt.h"
#include "base/scoped_gdi.h"
#include "base/scoped_handle.h"

namespace {

template <class T>
constexpr bool kMoveOnly = !std::is_copy_constructible_v<T> && !std::is_copy_assignable_v<T> &&
                           std::is_nothrow_move_constructible_v<T> && std::is_nothrow_move_assignable_v<T>;

static_assert(kMoveOnly<base::ScopedPaintDC>);
static_assert(kMoveOnly<base::ScopedGetDC>);
static_assert(kMoveOnly<base::ScopedScreenDC>);
static_assert(kMoveOnly<base::ScopedSelectObject>);
static_assert(kMoveOnly<base::ScopedBitmapDC>);
static_assert(kMoveOnly<base::ScopedIcon>);
static_assert(kMoveOnly<base::ScopedGdiObject>);
static_assert(kMoveOnly<base::ScopedCryptProvider>);
static_assert(kMoveOnly<base::ScopedCryptHash>);
static_assert(kMoveOnly<base::ScopedCryptKey>);

bool IsGdiObject(HGDIOBJ object) { return ::GetObjectType(object) != 0; }

TEST(ScopedGdiTest, BitmapDCOwnsItsBitmapAndDeletesItOnce) {
  base::ScopedScreenDC screen;
  ASSERT_TRUE(screen);
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  {
    base::ScopedBitmapDC buffer(screen.get(), 8, 4);
    ASSERT_TRUE(buffer);
    bitmap = buffer.bitmap();
    dc = buffer.get();
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), bitmap);
    base::ScopedBitmapDC moved(std::move(buffer));
    EXPECT_FALSE(buffer);
    EXPECT_EQ(buffer.get(), nullptr);
    EXPECT_EQ(moved.get(), dc);
    EXPECT_EQ(moved.bitmap(), bitmap);
    EXPECT_TRUE(IsGdiObject(bitmap));
  }
  EXPECT_FALSE(IsGdiObject(bitmap));
  EXPECT_FALSE(IsGdiObject(dc));
}

TEST(ScopedGdiTest, BitmapDCGivesABorrowedBitmapBackSelectable) {
  base::ScopedScreenDC screen;
  base::ScopedBitmap bitmap(::CreateCompatibleBitmap(screen.get(), 4, 4));
  ASSERT_TRUE(bitmap);
  {
    base::ScopedBitmapDC first(screen.get(), bitmap.get());
    ASSERT_TRUE(first);
    EXPECT_EQ(::GetCurrentObject(first.get(), OBJ_BITMAP), bitmap.get());
  }
  EXPECT_TRUE(IsGdiObject(bitmap.get()));
  // Deselected: another context can take it.
  base::ScopedBitmapDC second(screen.get(), bitmap.get());
  EXPECT_EQ(::GetCurrentObject(second.get(), OBJ_BITMAP), bitmap.get());
}

TEST(ScopedGdiTest, BitmapDCMoveAssignmentFreesWhatItHeld) {
  base::ScopedScreenDC screen;
  base::ScopedBitmapDC target(screen.get(), 2, 2);
  const HBITMAP old_bitmap = target.bitmap();
  const HDC old_dc = target.get();
  base::ScopedBitmapDC source(screen.get(), 3, 3);
  const HBITMAP new_bitmap = source.bitmap();
  target = std::move(source);
  EXPECT_FALSE(IsGdiObject(old_bitmap));
  EXPECT_FALSE(IsGdiObject(old_dc));
  EXPECT_EQ(target.bitmap(), new_bitmap);
  EXPECT_EQ(::GetCurrentObject(target.get(), OBJ_BITMAP), new_bitmap);
}

TEST(ScopedGdiTest, SelectObjectPutsThePreviousObjectBack) {
  base::ScopedScreenDC screen;
  base::ScopedBitmapDC buffer(screen.get(), 2, 2);
  const HGDIOBJ original = ::GetCurrentObject(buffer.get(), OBJ_FONT);
  base::ScopedFont font(::CreateFontW(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                                      L"Tahoma"));
  ASSERT_TRUE(font);
  {
    base::ScopedSelectObject selected(buffer.get(), font.get());
    EXPECT_EQ(::GetCurrentObject(buffer.get(), OBJ_FONT), font.get());
    base::ScopedSelectObject moved(std::move(selected));
    EXPECT_EQ(::GetCurrentObject(buffer.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(::GetCurrentObject(buffer.get(), OBJ_FONT), original);
  {
    base::ScopedSelectObject nothing(buffer.get(), nullptr);  // selects nothing
    EXPECT_EQ(::GetCurrentObject(buffer.get(), OBJ_FONT), original);
  }
}

TEST(ScopedGdiTest, WindowAndPaintContextsMoveOver) {
  base::ScopedWindow window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr,
                                              ::GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window);
  {
    base::ScopedGetDC dc(window.get());
    ASSERT_TRUE(dc);
    const HDC raw = dc.get();
    base::ScopedGetDC moved(std::move(dc));
    EXPECT_FALSE(dc);
    EXPECT_EQ(moved.get(), raw);
  }
  {
    base::ScopedPaintDC paint(window.get());
    ASSERT_TRUE(paint);
    const HDC raw = paint.get();
    base::ScopedPaintDC moved(std::move(paint));
    EXPECT_FALSE(paint);
    EXPECT_EQ(moved.get(), raw);
  }
}

TEST(ScopedGdiTest, IconIsDestroyedOnReset) {
  BYTE and_mask[4 * 4 / 8 * 4] = {};
  BYTE xor_mask[4 * 4 / 8 * 4] = {};
  base::ScopedIcon icon(::CreateIcon(::GetModuleHandleW(nullptr), 4, 4, 1, 1, and_mask, xor_mask));
  ASSERT_TRUE(icon);
  base::ScopedIcon moved(std::move(icon));
  EXPECT_FALSE(icon);
  ASSERT_TRUE(moved);
  moved.reset();
  EXPECT_FALSE(moved);
}

TEST(ScopedCryptTest, ProviderAndHashMoveAndHash) {
  base::ScopedCryptProvider provider;
  HCRYPTPROV raw_provider = 0;
  ASSERT_TRUE(::CryptAcquireContextW(&raw_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
  provider.reset(raw_provider);
  base::ScopedCryptHash hash;
  ASSERT_TRUE(::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.receive()));
  base::ScopedCryptHash moved(std::move(hash));
  EXPECT_FALSE(hash);
  ASSERT_TRUE(moved);
  const BYTE data[] = {'a', 'b', 'c'};
  EXPECT_TRUE(::CryptHashData(moved.get(), data, sizeof(data), 0));
  BYTE out[32];
  DWORD size = sizeof(out);
  EXPECT_TRUE(::CryptGetHashParam(moved.get(), HP_HASHVAL, out, &size, 0));
  EXPECT_EQ(size, 32u);
  EXPECT_EQ(out[0], 0xBA);  // SHA-256("abc") = ba7816bf...
}

// A COM object that counts its references and tells when it is gone.
class Counted : public IUnknown {
 public:
  explicit Counted(bool* gone) : gone_(gone) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) {
      *gone_ = true;
      delete this;
    }
    return refs;
  }
  ULONG refs() const { return refs_; }

 private:
  virtual ~Counted() = default;
  ULONG refs_ = 1;
  bool* gone_;
};

TEST(ScopedComTest, AdoptComPtrTakesOverTheReferenceAPointerCameWith) {
  bool gone = false;
  Counted* raw = new Counted(&gone);
  {
    Microsoft::WRL::ComPtr<Counted> owner = base::AdoptComPtr(raw);
    EXPECT_EQ(owner.Get(), raw);
    EXPECT_EQ(raw->refs(), 1u);
    Microsoft::WRL::ComPtr<Counted> moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.Get(), raw);
    EXPECT_EQ(raw->refs(), 1u);
  }
  EXPECT_TRUE(gone);
}

TEST(ScopedComTest, AdoptComPtrOfAMemoryStreamLeavesOneReference) {
  const BYTE bytes[] = {1, 2, 3};
  const Microsoft::WRL::ComPtr<IStream> stream = base::AdoptComPtr(::SHCreateMemStream(bytes, sizeof(bytes)));
  ASSERT_TRUE(stream);
  IStream* raw = stream.Get();
  raw->AddRef();
  EXPECT_EQ(raw->Release(), 1u);  // the owner's, alone
}

}  // namespace
