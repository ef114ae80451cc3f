#include "platform/win32/win32_core_audio.h"

#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"

namespace hush::platform::win32 {

namespace {

static_assert(sizeof(GUID) == sizeof(Guid));

GUID ToGuid(const Guid& g) {
  GUID out;
  std::memcpy(&out, &g, sizeof out);
  return out;
}

// The COM object the endpoint calls; it forwards to the program's own sink.
class CallbackAdapter final : public ::IAudioEndpointVolumeCallback {
 public:
  explicit CallbackAdapter(std::shared_ptr<platform::IAudioEndpointVolumeCallback> sink) : sink_(std::move(sink)) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(::IAudioEndpointVolumeCallback))) {
      *out = static_cast<::IAudioEndpointVolumeCallback*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override { return sink_->OnNotify(data); }
  const std::shared_ptr<platform::IAudioEndpointVolumeCallback>& sink() const { return sink_; }

 private:
  std::atomic<ULONG> refs_{1};
  std::shared_ptr<platform::IAudioEndpointVolumeCallback> sink_;
};

class Win32EndpointVolume : public platform::IAudioEndpointVolume {
 public:
  explicit Win32EndpointVolume(::IAudioEndpointVolume* volume) : volume_(volume) {}
  ~Win32EndpointVolume() override {
    for (CallbackAdapter* adapter : adapters_) adapter->Release();
    volume_->Release();
  }
  HResult RegisterControlChangeNotify(std::shared_ptr<platform::IAudioEndpointVolumeCallback> sink) override {
    if (!sink) return E_POINTER;
    auto* adapter = new CallbackAdapter(std::move(sink));
    const HRESULT hr = volume_->RegisterControlChangeNotify(adapter);
    if (FAILED(hr)) {
      adapter->Release();
      return hr;
    }
    adapters_.push_back(adapter);
    return hr;
  }
  HResult UnregisterControlChangeNotify(const std::shared_ptr<platform::IAudioEndpointVolumeCallback>& sink) override {
    for (auto it = adapters_.begin(); it != adapters_.end(); ++it) {
      if ((*it)->sink() != sink) continue;
      const HRESULT hr = volume_->UnregisterControlChangeNotify(*it);
      (*it)->Release();
      adapters_.erase(it);
      return hr;
    }
    return E_INVALIDARG;
  }
  HResult GetMasterVolumeLevelScalar(float* level) override { return volume_->GetMasterVolumeLevelScalar(level); }
  HResult SetMasterVolumeLevelScalar(float level, const Guid* context) override {
    GUID guid = context ? ToGuid(*context) : GUID_NULL;
    return volume_->SetMasterVolumeLevelScalar(level, context ? &guid : nullptr);
  }

 private:
  ::IAudioEndpointVolume* volume_;
  std::vector<CallbackAdapter*> adapters_;
};

class Win32Device : public platform::IMMDevice {
 public:
  explicit Win32Device(::IMMDevice* device) : device_(device) {}
  ~Win32Device() override { device_->Release(); }
  HResult Activate(const Guid& iid, std::uint32_t clsctx, const PropVariantI2* params,
                   std::unique_ptr<platform::IAudioEndpointVolume>* out) override {
    PROPVARIANT variant;
    PropVariantInit(&variant);
    if (params) {
      variant.vt = params->vt;
      variant.iVal = params->iVal;
    }
    const GUID riid = ToGuid(iid);
    void* object = nullptr;
    const HRESULT hr = device_->Activate(riid, clsctx, params ? &variant : nullptr, &object);
    if (SUCCEEDED(hr) && object) {
      if (IsEqualIID(riid, __uuidof(::IAudioEndpointVolume)))
        *out = std::make_unique<Win32EndpointVolume>(static_cast<::IAudioEndpointVolume*>(object));
      else
        static_cast<IUnknown*>(object)->Release();
    }
    return hr;
  }

 private:
  ::IMMDevice* device_;
};

class Win32Enumerator : public platform::IMMDeviceEnumerator {
 public:
  explicit Win32Enumerator(::IMMDeviceEnumerator* enumerator) : enumerator_(enumerator) {}
  ~Win32Enumerator() override { enumerator_->Release(); }
  HResult GetDefaultAudioEndpoint(std::int32_t dataFlow, std::int32_t role,
                                  std::unique_ptr<platform::IMMDevice>* device) override {
    ::IMMDevice* found = nullptr;
    const HRESULT hr = enumerator_->GetDefaultAudioEndpoint(static_cast<EDataFlow>(dataFlow),
                                                           static_cast<ERole>(role), &found);
    if (SUCCEEDED(hr) && found) *device = std::make_unique<Win32Device>(found);
    return hr;
  }

 private:
  ::IMMDeviceEnumerator* enumerator_;
};

}  // namespace

std::unique_ptr<platform::IMMDeviceEnumerator> Win32CoreAudio::CreateDeviceEnumerator() {
  ::IMMDeviceEnumerator* enumerator = nullptr;
  const HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(::IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator));
  if (FAILED(hr) || !enumerator) throw Failure(DescribeStatus(static_cast<DWORD>(hr)));
  return std::make_unique<Win32Enumerator>(enumerator);
}

}  // namespace hush::platform::win32
