#include "common/out_of_memory.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "common/messages.h"

namespace {

constexpr unsigned kOutOfMemoryMessage = 20481;
constexpr std::size_t kReserveSize = 256 * 1024;

std::atomic<bool> handling{false};
CloseOwnerFunction closeOwner = nullptr;
void* reserve = nullptr;

void releaseReserve() {
  std::free(reserve);
  reserve = nullptr;
}

void newHandler() { OutOfMemory(); }

}  // namespace

void OutOfMemory() {
  if (handling.exchange(true)) {
    // Out of memory again while reporting it: nothing more can be shown.
    std::_Exit(1);
  }
  releaseReserve();
  ShowMessage(kOutOfMemoryMessage, MB_OK | MB_ICONERROR);
  if (void* owner = messageBoxContext().owner; owner && closeOwner) closeOwner(owner);
  std::fflush(nullptr);
  // No destructors or exit handlers: they may need memory that is not there.
  std::_Exit(1);
}

void InstallOutOfMemoryHandler() {
  if (!reserve) reserve = std::malloc(kReserveSize);
  std::set_new_handler(newHandler);
}

void setOutOfMemoryCloseOwner(CloseOwnerFunction close) { closeOwner = close; }
