// TTimer, and the timer service that animations below the layer use.
#include <QTimer>
#include <chrono>
#include <map>
#include <thread>

#include "platform/core/datetime.h"
#include "platform/ui/extctrls.h"
#include "platform/ui/host_qt.h"

namespace pf {

struct TTimer::Impl {
  QTimer* timer = nullptr;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
  EnsureUi();
  impl_->timer = new QTimer();
  impl_->timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(impl_->timer, &QTimer::timeout, impl_->timer, [this] { Guarded([this] { Timer(); }); });
}

TTimer::~TTimer() {
  impl_->timer->stop();
  impl_->timer->disconnect();
  impl_->timer->deleteLater();  // the handler of its own tick may free the timer
}

void TTimer::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t value) {
  if (interval_ == value) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  impl_->timer->stop();
  if (interval_ != 0 && enabled_ && onTimer_)
    impl_->timer->start(static_cast<int>(std::min<uint32_t>(interval_, INT32_MAX)));
}

void TTimer::Timer() {
  if (onTimer_) onTimer_(this);
}

namespace {

class UiTimerService : public ITimerService {
 public:
  uint32_t Now() override { return GetTickCount(); }

  THandle Schedule(uint32_t ms, std::function<void()> callback) override {
    auto* timer = new QTimer();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    const THandle handle = ++next_;
    timers_[handle] = timer;
    QObject::connect(timer, &QTimer::timeout, timer, [this, handle, callback = std::move(callback)] {
      auto it = timers_.find(handle);
      if (it == timers_.end()) return;
      it->second->deleteLater();
      timers_.erase(it);
      Guarded(callback);
    });
    timer->start(static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
    return handle;
  }

  void Cancel(THandle handle) override {
    auto it = timers_.find(handle);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
  }

  bool Sleep(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return !Application().Terminated();
  }

 private:
  THandle next_ = 0;
  std::map<THandle, QTimer*> timers_;
};

}  // namespace

void InstallTimerService() {
  static UiTimerService service;
  SetTimerService(&service);
}

}  // namespace pf
