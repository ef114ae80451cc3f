#include "platform/linux/pulse_core_audio.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "platform/linux/alsa_endpoint.h"

namespace hush::platform::linux_backend {

// One connection to the sound server, on a threaded main loop (or, for a single step, a loop run only
// while waiting). Every call below takes the lock of a threaded loop.
class PulseConnection {
 public:
  // followChanges: a connection kept for the run, on a loop thread of its own that follows the
  // server's change events. Without it (one step, then the end) the loop runs on the caller's thread
  // only while the caller waits: no thread to start and hand each answer over.
  PulseConnection(bool withLoop, bool followChanges) : follow_(followChanges) {
    if (!withLoop) return;
    if (!follow_) {
      plain_ = pa_mainloop_new();
      return;
    }
    loop_ = pa_threaded_mainloop_new();
    if (loop_ && pa_threaded_mainloop_start(loop_) < 0) {
      pa_threaded_mainloop_free(loop_);
      loop_ = nullptr;
    }
  }
  ~PulseConnection() {
    if (plain_) {
      Drop();
      pa_mainloop_free(plain_);
      return;
    }
    if (!loop_) return;
    {
      Lock lock(*this);
      Drop();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
  }
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  // Without a loop (it could not be made or started) there is nothing to lock, and no server either.
  struct Lock {
    explicit Lock(const PulseConnection& connection) : loop(connection.loop_) {
      if (loop) pa_threaded_mainloop_lock(loop);
    }
    ~Lock() {
      if (loop) pa_threaded_mainloop_unlock(loop);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    pa_threaded_mainloop* loop;
  };

  // Waits for the next event of the loop; an answer's callback ends the wait with Signal.
  void WaitEvent() {
    if (plain_) pa_mainloop_iterate(plain_, 1, nullptr);
    else pa_threaded_mainloop_wait(loop_);
  }
  void Signal() {
    if (loop_) pa_threaded_mainloop_signal(loop_, 0);
  }

  pa_context* context() const { return context_; }

  // Connected and ready, connecting again when the server went away. Caller holds the lock.
  bool EnsureReady() {
    if (!loop_ && !plain_) return false;
    if (context_ && pa_context_get_state(context_) == PA_CONTEXT_READY) return true;
    Drop();
    context_ = pa_context_new(plain_ ? pa_mainloop_get_api(plain_) : pa_threaded_mainloop_get_api(loop_), "Hushdial");
    if (!context_) return false;
    pa_context_set_state_callback(context_, &PulseConnection::OnState, this);
    pa_context_set_subscribe_callback(context_, &PulseConnection::OnEvent, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      Drop();
      return false;
    }
    for (;;) {
      const pa_context_state_t state = pa_context_get_state(context_);
      if (state == PA_CONTEXT_READY) break;
      if (!PA_CONTEXT_IS_GOOD(state)) {
        Drop();
        return false;
      }
      WaitEvent();
    }
    // Sink and server changes keep the default sink's level known between steps, so that a step
    // needs one round trip (the set) rather than three.
    if (pa_operation* op = !follow_ ? nullptr : pa_context_subscribe(
            context_, static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr))
      pa_operation_unref(op);
    known_ = Known{};
    return true;
  }

  // What the server last told us of the default sink. A reply makes it known; any change event for
  // the sink, or for the server (the default may have moved), makes it unknown until the next reply.
  // Replies and events come in the server's order, so a known level is never older than an event.
  struct Known {
    bool sink = false;   // index and volume of the default sink
    std::uint32_t index = PA_INVALID_INDEX;
    pa_cvolume volume{};
  };
  const Known& known() const { return known_; }
  void Learn(std::uint32_t index, const pa_cvolume& volume) {
    known_.sink = true;
    known_.index = index;
    known_.volume = volume;
  }
  void LearnVolume(std::uint32_t index, const pa_cvolume& volume) {
    if (known_.sink && known_.index == index) known_.volume = volume;
  }

  // Waits for an operation to finish (or to be cancelled by a lost connection). Caller holds the lock.
  bool Wait(pa_operation* op) {
    if (!op) return false;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) WaitEvent();
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    pa_operation_unref(op);
    return done;
  }

  // Sink change notifications: one subscription per connection, fanned out to the registered sinks.
  void Register(std::uint32_t sinkIndex, std::shared_ptr<IAudioEndpointVolumeCallback> sink) {
    registrations_.push_back({sinkIndex, std::move(sink)});
  }
  bool Unregister(const std::shared_ptr<IAudioEndpointVolumeCallback>& sink) {
    const auto it = std::find_if(registrations_.begin(), registrations_.end(),
                                 [&](const Registration& r) { return r.sink == sink; });
    if (it == registrations_.end()) return false;
    registrations_.erase(it);
    return true;
  }

 private:
  struct Registration {
    std::uint32_t sinkIndex;
    std::shared_ptr<IAudioEndpointVolumeCallback> sink;
  };

  void Drop() {
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }

  static void OnState(pa_context*, void* self) {
    static_cast<PulseConnection*>(self)->Signal();
  }
  static void OnEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
      // The default may have moved: the old sink is no longer the one followed, and a reply still
      // on its way for it must not make it known again.
      connection->known_.sink = false;
      connection->known_.index = PA_INVALID_INDEX;
    }
    if (facility != PA_SUBSCRIPTION_EVENT_SINK) return;
    if (index == connection->known_.index && index != PA_INVALID_INDEX) connection->Refresh();
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
    const auto registrations = connection->registrations_;  // a sink may unregister while notified
    for (const auto& r : registrations)
      if (r.sinkIndex == index) r.sink->OnNotify(nullptr);
  }

  // The default sink changed: unknown until a fresh reply, asked for now so that the next step
  // usually finds it known again. Runs on the loop's thread.
  void Refresh() {
    known_.sink = false;
    const std::uint32_t index = known_.index;
    if (pa_operation* op = pa_context_get_sink_info_by_index(context_, index, &PulseConnection::OnRefresh, this))
      pa_operation_unref(op);
  }
  static void OnRefresh(pa_context*, const pa_sink_info* info, int eol, void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    // A reply comes after every event sent before it, so it is as new as the last change seen.
    if (eol == 0 && info && info->index == connection->known_.index) connection->Learn(info->index, info->volume);
  }

  bool follow_;  // keep the default sink known between steps, from the server's change events
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop* plain_ = nullptr;
  pa_context* context_ = nullptr;
  std::vector<Registration> registrations_;
  Known known_;
};

namespace {

struct SinkQuery {
  PulseConnection* connection;
  bool found = false;
  std::uint32_t index = PA_INVALID_INDEX;
  pa_cvolume volume{};
};

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
  auto* query = static_cast<SinkQuery*>(userdata);
  if (eol == 0 && info) {
    query->found = true;
    query->index = info->index;
    query->volume = info->volume;
  }
  query->connection->Signal();
}

struct SuccessQuery {
  PulseConnection* connection;
  bool ok = false;
};

void OnSuccess(pa_context*, int success, void* userdata) {
  auto* query = static_cast<SuccessQuery*>(userdata);
  query->ok = success != 0;
  query->connection->Signal();
}

class PulseEndpointVolume : public IAudioEndpointVolume {
 public:
  PulseEndpointVolume(std::shared_ptr<PulseConnection> pulse, std::uint32_t sinkIndex)
      : pulse_(std::move(pulse)), sinkIndex_(sinkIndex) {}

  HResult RegisterControlChangeNotify(std::shared_ptr<IAudioEndpointVolumeCallback> sink) override {
    if (!sink) return kInvalidArg;
    PulseConnection::Lock lock(*pulse_);
    pulse_->Register(sinkIndex_, std::move(sink));
    return kOk;
  }
  HResult UnregisterControlChangeNotify(const std::shared_ptr<IAudioEndpointVolumeCallback>& sink) override {
    PulseConnection::Lock lock(*pulse_);
    return pulse_->Unregister(sink) ? kOk : kNotFound;
  }
  HResult GetMasterVolumeLevelScalar(float* level) override {
    if (!level) return kInvalidArg;
    PulseConnection::Lock lock(*pulse_);
    if (!pulse_->EnsureReady()) return kFail;
    const auto& known = pulse_->known();
    if (known.sink && known.index == sinkIndex_) {
      volume_ = known.volume;
      haveVolume_ = true;
    } else if (!Read()) {
      return kFail;
    }
    *level = static_cast<float>(static_cast<double>(pa_cvolume_max(&volume_)) / PA_VOLUME_NORM);
    return kOk;
  }
  HResult SetMasterVolumeLevelScalar(float level, const Guid*) override {
    // Below zero is refused, as by the Windows endpoint; above full is the server's own range
    // (a step down from 150 % writes 149 %).
    if (!(level >= 0.0f) || static_cast<double>(level) * PA_VOLUME_NORM > PA_VOLUME_MAX) return kInvalidArg;
    PulseConnection::Lock lock(*pulse_);
    if (!haveVolume_ && !Read()) return kFail;
    const auto target = static_cast<pa_volume_t>(std::lround(static_cast<double>(level) * PA_VOLUME_NORM));
    pa_cvolume volume = volume_;
    if (pa_cvolume_max(&volume) == PA_VOLUME_MUTED)
      pa_cvolume_set(&volume, volume.channels, target);  // no balance left to keep
    else
      pa_cvolume_scale(&volume, target);
    if (!pulse_->EnsureReady()) return kFail;
    SuccessQuery query{pulse_.get()};
    if (!pulse_->Wait(pa_context_set_sink_volume_by_index(pulse_->context(), sinkIndex_, &volume, OnSuccess, &query)) ||
        !query.ok)
      return kFail;
    volume_ = volume;
    pulse_->LearnVolume(sinkIndex_, volume);  // until the server's own change event says more
    return kOk;
  }

 private:
  bool Read() {
    if (!pulse_->EnsureReady()) return false;
    SinkQuery query{pulse_.get()};
    if (!pulse_->Wait(pa_context_get_sink_info_by_index(pulse_->context(), sinkIndex_, OnSinkInfo, &query)) ||
        !query.found)
      return false;
    volume_ = query.volume;
    haveVolume_ = true;
    pulse_->LearnVolume(sinkIndex_, query.volume);
    return true;
  }

  std::shared_ptr<PulseConnection> pulse_;
  std::uint32_t sinkIndex_;
  pa_cvolume volume_{};
  bool haveVolume_ = false;
};

class PulseDevice : public IMMDevice {
 public:
  PulseDevice(std::shared_ptr<PulseConnection> pulse, std::uint32_t sinkIndex)
      : pulse_(std::move(pulse)), sinkIndex_(sinkIndex) {}
  HResult Activate(const Guid& iid, std::uint32_t, const PropVariantI2*,
                   std::unique_ptr<IAudioEndpointVolume>* out) override {
    if (!out) return kInvalidArg;
    if (!(iid == kIidAudioEndpointVolume)) return kNoInterface;
    *out = std::make_unique<PulseEndpointVolume>(pulse_, sinkIndex_);
    return kOk;
  }

 private:
  std::shared_ptr<PulseConnection> pulse_;
  std::uint32_t sinkIndex_;
};

class LinuxEnumerator : public IMMDeviceEnumerator {
 public:
  LinuxEnumerator(std::shared_ptr<PulseConnection> pulse, const std::string& alsaFallback)
      : pulse_(std::move(pulse)), alsaFallback_(alsaFallback) {}
  HResult GetDefaultAudioEndpoint(std::int32_t dataFlow, std::int32_t role,
                                  std::unique_ptr<IMMDevice>* device) override {
    if (!device) return kInvalidArg;
    if (dataFlow != eRender || role < 0 || role > 2) return kNotFound;
    {
      PulseConnection::Lock lock(*pulse_);
      if (pulse_->EnsureReady()) {
        if (pulse_->known().sink) {
          *device = std::make_unique<PulseDevice>(pulse_, pulse_->known().index);
          return kOk;
        }
        SinkQuery query{pulse_.get()};
        if (!pulse_->Wait(pa_context_get_sink_info_by_name(pulse_->context(), "@DEFAULT_SINK@", OnSinkInfo, &query)) ||
            !query.found)
          return kNotFound;  // a server without a sink: no playback device
        pulse_->Learn(query.index, query.volume);
        *device = std::make_unique<PulseDevice>(pulse_, query.index);
        return kOk;
      }
    }
    *device = AlsaDefaultEndpoint(alsaFallback_);
    return *device ? kOk : kNotFound;
  }

 private:
  std::shared_ptr<PulseConnection> pulse_;
  std::string alsaFallback_;
};

}  // namespace

LinuxCoreAudio::LinuxCoreAudio(std::string alsaFallback) : LinuxCoreAudio(std::move(alsaFallback), false) {}

LinuxCoreAudio::LinuxCoreAudio(std::string alsaFallback, bool withoutLoop, bool followChanges)
    : pulse_(std::make_shared<PulseConnection>(!withoutLoop, followChanges)), alsaFallback_(std::move(alsaFallback)) {}

LinuxCoreAudio::~LinuxCoreAudio() = default;

std::unique_ptr<IMMDeviceEnumerator> LinuxCoreAudio::CreateDeviceEnumerator() {
  return std::make_unique<LinuxEnumerator>(pulse_, alsaFallback_);
}

}  // namespace hush::platform::linux_backend
