// COM pointers: Microsoft::WRL::ComPtr from mingw-w64's <wrl/client.h>,
// with one helper for the way its ComPtr departs from the Windows SDK's.
//
// mingw-w64's ComPtr::Attach adds a reference (the SDK's takes the one the
// pointer came with), and its move assignment copies (the source keeps its
// pointer; the counts stay right). So:
//  - a pointer that comes with its reference (SHCreateMemStream, a new
//    object's first reference) goes into base::AdoptComPtr, never Attach;
//  - out-parameters take GetAddressOf() (empty owner) or
//    ReleaseAndGetAddressOf();
//  - hand an owner over by move construction or Swap, or Reset the source.
#pragma once

#include <wrl/client.h>

namespace base {

// An owner of `pointer` that takes over the reference it came with.
template <class T>
Microsoft::WRL::ComPtr<T> AdoptComPtr(T* pointer) {
  Microsoft::WRL::ComPtr<T> owner;
  *owner.GetAddressOf() = pointer;
  return owner;
}

}  // namespace base
