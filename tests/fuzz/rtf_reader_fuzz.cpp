// Manual.rtf: whatever a word processor (or a damaged disk) left.
#include "export/rtf_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)tarvex::exporting::rtf_to_html(tarvex::fuzz::bytes_of(data, size));
  return 0;
}
