#include "platform/win32/win32_platform.h"

#include <objbase.h>

namespace hush::platform::win32 {

ComApartment::ComApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  initialised_ = SUCCEEDED(hr);
}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

}  // namespace hush::platform::win32
