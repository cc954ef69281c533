#include "THttpService.h"

#include "IntakeError.h"

namespace vantrel::intake {

struct THttpService::Impl {
    std::uint16_t port = 0;
    CommandGetHandler handler;
    bool active = false;
};

THttpService::THttpService(std::uint16_t port) : impl_(std::make_unique<Impl>()) {
    impl_->port = port;
}
THttpService::~THttpService() = default;
void THttpService::SetOnCommandGet(CommandGetHandler handler) {
    impl_->handler = std::move(handler);
}
void THttpService::StartService() { impl_->active = true; }
void THttpService::StopService() { impl_->active = false; }
bool THttpService::Active() const { return impl_->active; }
std::uint16_t THttpService::Port() const { return impl_->port; }

}  // namespace vantrel::intake
