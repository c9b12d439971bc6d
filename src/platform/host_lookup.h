#pragma once

#include <memory>
#include <string>

namespace tarvex::platform {

// A host-name look-up on a helper thread, so that a socket transport's caller
// can keep polling (and give up) while the resolver works. The thread shares
// only its own state with this object, so a look-up that is given up finishes
// on its own.
class HostLookup {
 public:
  enum class State { None, Pending, Found, NotFound };

  // False when no thread could be started; start_error() says why.
  bool start(const std::string& host);
  // Found gives the first IPv4 address of the name, else its first IPv6
  // address, as text.
  State poll(std::string& address) const;
  void cancel() { shared_.reset(); }
  int start_error() const { return start_error_; }

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  int start_error_ = 0;
};

}  // namespace tarvex::platform
