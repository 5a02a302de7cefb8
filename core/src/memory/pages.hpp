#pragma once
// Page hints for the large buffers a call writes once from start to end.
#include <cstddef>
#include <string>

namespace varn::memory {

// Asks the system to back `size` bytes at `data`, about to be written, with
// huge pages where it can. Fresh memory is mapped a page at a time on first
// write, and an output of hundreds of megabytes in small pages costs tens of
// thousands of faults; with huge pages it costs hundreds. Only a hint:
// nothing changes where the system refuses it or the buffer is small.
void advise_sequential_fill(void* data, std::size_t size);

// Reserves room for `size` bytes in `text`, with the hint above.
void reserve_for_fill(std::string& text, std::size_t size);

// The most memory this process can get: its address-space limit when one is
// set, else the machine's physical memory.
std::size_t obtainable();

}  // namespace varn::memory
