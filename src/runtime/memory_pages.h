// Committing fresh memory in bulk, and the memory the process may use at
// all. A large block that is about to be written all over (a slab of a
// growing pool, the index of a large hash) would otherwise take one page
// fault per page as it is first touched, and a page first read and then
// written takes two. Asking the system to commit the pages at once costs a
// fraction of that.

#pragma once

#include <cstddef>

namespace morvu {

// Commits the whole pages inside [start, start + bytes) for writing; a
// system that cannot leaves them to be committed on first touch, as usual.
void commit_pages(void* start, std::size_t bytes) noexcept;

// Refuses at once, with std::bad_alloc as a failed allocation would, a
// result of about `bytes` bytes that the memory the process may use (the
// physical memory, or less under an address-space limit) could never hold;
// returns otherwise. Used where the size of a result is known before the
// work, so that a hopeless one fails before it fills the memory.
void require_room(double bytes);

}  // namespace morvu
