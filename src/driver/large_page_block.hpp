// Memory for the run's arrays in one block that the system may back with large
// pages. A run's arrays take about 1.3 MB; faulted in one small page at a
// time, they cost hundreds of page faults, the largest fixed cost of a run on
// some virtual machines.
#pragma once

#include <cstddef>

namespace zeplo {

// A zero-filled block of at least `size` bytes, aligned to the large page size
// and marked for large pages (a hint the system may ignore), or nullptr when
// the memory cannot be mapped. The block lives as long as the program.
void* large_page_block(std::size_t size);

}  // namespace zeplo
